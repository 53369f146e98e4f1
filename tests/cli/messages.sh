#!/usr/bin/env bash
# What the stand-in shell and player, and the project's scripts, answer to a command line
# they cannot follow: each case gives the exit code and words the message must hold, run
# through the real programs. A refusal is short: never the whole usage text.
# usage: messages.sh nightjar.exe winamp-sim.exe Warble.dll (WINEPREFIX and DISPLAY set)
set -u
shell=$1 sim=$2 dll=$3
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
failures=0
check() { # CODE PATTERN COMMAND...
    local code=$1 pattern=$2 out rc
    shift 2
    out=$(timeout 60 "$@" 2>&1 </dev/null)
    rc=$?
    if [ "$rc" != "$code" ] || ! grep -q -- "$pattern" <<<"$out" ||
        { [ "$code" != 0 ] && grep -q "usage:" <<<"$out"; }; then
        echo "FAILED: $* -> exit $rc (wanted $code and '$pattern'), said:"
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok: $* -> $code, $(head -n 1 <<<"$out")"
    fi
}
expect() { check "$1" "$2" wine "${@:3}"; }
tmp=$(mktemp -d)
shell_pid= sim_pid= cad_pid=
trap 'for pid in $shell_pid $sim_pid $cad_pid; do kill "$pid" 2>/dev/null; done; rm -rf "$tmp"' EXIT
echo "not a DLL" >"$tmp/Text.dll"
# A 64-bit image: the DOS header, then the PE header naming the AMD64 machine.
{ printf 'MZ'; head -c 58 /dev/zero; printf '\x40\0\0\0PE\0\0\x64\x86'; head -c 400 /dev/zero; } >"$tmp/Wide.dll"
# The real plugin, its import of msimg32.dll renamed to a library that does not exist.
perl -pe 's/msimg32\.dll/msimgxx.dll/gi' "$dll" >"$tmp/Broken.dll"
# Another, asking the shell for a service that it does not have.
perl -pe 's/MakeSticky/MakeStickx/g' "$dll" >"$tmp/Newer.dll"
w() { winepath -w "$1"; }

expect 1 "not found" "$shell" --plugin 'C:\nowhere\Warble.dll'
expect 1 "not a Windows DLL" "$shell" --plugin "$(w "$tmp/Text.dll")"
expect 1 "a 64-bit DLL" "$shell" --plugin "$(w "$tmp/Wide.dll")"
expect 1 "a program, not a DLL" "$shell" --plugin "$(w "$sim")"
expect 1 "needs msimgxx.dll, which cannot be found" "$shell" --plugin "$(w "$tmp/Broken.dll")"
expect 1 "needs MakeStickx from nightjar.exe, which" "$shell" --plugin "$(w "$tmp/Newer.dll")"
expect 1 "exports none of beginPluginEx" "$shell" --plugin 'C:\windows\system32\msimg32.dll'
expect 2 "unknown option --bogus" "$shell" --bogus
expect 2 "unknown option --sned" "$sim" --sned next
expect 2 "unknown command or bad argument: --send bogus" "$sim" --send bogus
expect 2 "state playing|paused|stopped" "$sim" --send seek soon
expect 2 "unknown command or bad argument: --send quiet loud" "$sim" --send quiet loud
expect 2 "--cad goes before --send" "$sim" --send --cad next
expect 2 "missing value after --playlist" "$sim" --playlist
# Only when no player runs in this prefix: one that the test did not start (the user's)
# would take the command. A player is a process whose program is winamp-sim.exe: this
# script's own command line names it too, as an argument.
player_runs() {
    local proc
    for proc in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$proc/cmdline" | head -n 1 | grep -q 'winamp-sim\.exe$' &&
            tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
if player_runs; then echo "left out: --send with no player, as a player runs in $WINEPREFIX"; else
    expect 1 "no player runs" "$sim" --send next
    expect 1 "no CAD player runs (start one: winamp-sim --cad)" "$sim" --cad --send next
fi
expect 2 "quote the whole text" "$shell" --send @Warble SetCaptionNow Hi
expect 2 "unexpected words after the request: --send" "$shell" --quit --send x
expect 2 "no such style file: C:.nowhere.style" "$shell" --style 'C:\nowhere.style'
expect 2 "no such folder for --shell-dir: C:.nowhere" "$shell" --shell-dir 'C:\nowhere'
expect 1 "in the same Wine prefix" "$shell" --reconfigure
# A request that opens the plugin's modal About box is delivered: at once, with exit 0.
cp "$dll" "$tmp/Warble.dll"
wine "$shell" --plugin "$(w "$tmp/Warble.dll")" --log "$(w "$tmp/shell.log")" >/dev/null 2>&1 &
shell_pid=$!
timeout 30 sh -c "until grep -q '^register' '$tmp/shell.log' 2>/dev/null; do sleep 0.2; done"
expect 0 "" "$shell" --send "@WarbleInternal About"
expect 0 "" "$shell" --quit
timeout 10 tail --pid="$shell_pid" -f /dev/null && shell_pid=

expect 2 "track number from 1, not abc" "$sim" --track abc
expect 2 "no such track: --track 99, the playlist has" "$sim" --track 99
expect 2 "milliseconds from 0, not -5000" "$sim" --position -5000
expect 2 "contradict" "$sim" --paused --stopped
expect 2 "cannot read the playlist file C:.nowhere.txt" "$sim" --playlist 'C:\nowhere.txt'
# A running player refuses a track its playlist does not have. A CAD player and a Winamp
# one each take only the commands sent to their kind.
if ! player_runs; then
    wine "$sim" --cad >/dev/null 2>&1 &
    cad_pid=$!
    timeout 30 sh -c "until wine '$sim' --cad --send play >/dev/null 2>&1; do sleep 0.3; done"
    expect 1 "no player runs" "$sim" --send play
    wine "$sim" >/dev/null 2>&1 &
    sim_pid=$!
    timeout 30 sh -c "until wine '$sim' --send play >/dev/null 2>&1; do sleep 0.3; done"
    expect 2 "cannot carry out \"track 99\" (no such track)" "$sim" --send track 99
    expect 2 "cannot carry out \"track 7\" (no such track)" "$sim" --cad --send track 7
    for kind in --cad ""; do wine "$sim" $kind --send quit >/dev/null 2>&1; done
    timeout 10 tail --pid="$cad_pid" -f /dev/null && cad_pid=
    timeout 10 tail --pid="$sim_pid" -f /dev/null && sim_pid=
fi

# The scripts: --help says how to use them and does nothing else; a second run on the
# checkout while one runs (this one's, or the mark set here) stops at once.
for name in test demo package check-layers check-binaries; do
    check 0 "usage: scripts/$name" "$scripts/$name" --help
done
for name in test check-layers check-binaries; do
    check 2 "unknown argument --bogus (try --help)" "$scripts/$name" --bogus
done
check 0 "^Exit code: 0 when every check passed" "$scripts/check-binaries" --help
check 0 "usage: planted.sh" bash "$scripts/../tests/layers/planted.sh" --help
check 2 "unknown argument --bogus (try --help)" bash "$scripts/../tests/layers/planted.sh" --bogus
run_file=$scripts/../.running
own_mark=
(set -o noclobber && echo "$$ messages.sh" >"$run_file") 2>/dev/null && own_mark=1
check 1 "another run (scripts/.*) is using this checkout" "$scripts/demo"
[ -z "$own_mark" ] || rm -f "$run_file"
check 2 "expected the path of Warble.dll" "$scripts/check-binaries"
check 1 "expected a DLL, but .* is a program" "$scripts/check-binaries" "$sim"
# A signal to a script ends what it runs, down to the grandchildren, and the script says so;
# what it left half made (as the demo's out/demo.new) is removed.
printf '%s\n' '#!/usr/bin/env bash' 'source "$1/common.sh"' 'mkdir "$2.half"; own_leftover "$2.half"' \
    'run_child bash -c "sleep 300 & echo \$! >$2; sleep 301"' >"$tmp/stopped"
bash "$tmp/stopped" "$scripts" "$tmp/grandchild" 2>"$tmp/said" &
script_pid=$!
timeout 10 sh -c "until [ -s '$tmp/grandchild' ]; do sleep 0.1; done"
kill -TERM "$script_pid"
timeout 10 tail --pid="$script_pid" -f /dev/null
check 0 "stopped by SIGTERM; nothing it started runs any more" cat "$tmp/said"
grandchild=$(cat "$tmp/grandchild") # ended: gone, or a zombie nobody has read yet
check 0 "" sh -c "! grep -qsv ') Z ' /proc/$grandchild/stat"
check 0 "" sh -c "[ ! -e '$tmp/grandchild.half' ]"
[ "$failures" = 0 ]
