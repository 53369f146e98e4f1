# Shared by scripts/test, scripts/demo, scripts/bench and scripts/package: installs what is
# missing on Debian 12, builds, and runs an Xvfb display and a Wine prefix for the
# duration of the calling script. Everything started here is stopped on exit.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${WARBLE_BUILD:-$ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# script_usage: the comment at the top of the calling script, which says how to use it.
script_usage() { sed -n '2,/^set -/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; }

# usage_error TEXT: a command line the script cannot follow ends it with code 2.
usage_error() {
    echo "$(basename "$0"): $* (try --help)" >&2
    exit 2
}

# no_arguments "$@": for the scripts that take nothing but --help.
no_arguments() {
    case "${1:-}" in
    "") ;;
    -h | --help) script_usage; exit 0 ;;
    *) usage_error "unknown argument $1" ;;
    esac
}

# one_run_at_a_time: the scripts share the checkout's build folder, Wine prefix and
# output, so a second one started while another runs stops at once, before touching
# any of them. The run's pid is kept in a file, which is removed when it ends; a file
# left by a run that died without removing it is taken over.
RUN_FILE=$ROOT/.running
OWN_RUN_FILE=
one_run_at_a_time() {
    local pid name
    while ! (set -o noclobber && echo "$$ $(basename "$0")" >"$RUN_FILE") 2>/dev/null; do
        read -r pid name <"$RUN_FILE" 2>/dev/null || true
        if [ -n "${pid:-}" ] && [ "$pid" != $$ ] && kill -0 "$pid" 2>/dev/null; then
            echo "$(basename "$0"): another run (scripts/${name:-?}, pid $pid) is using this checkout;" \
                "wait until it ends (no such run? remove $RUN_FILE)" >&2
            exit 1
        fi
        rm -f "$RUN_FILE"
    done
    OWN_RUN_FILE=$RUN_FILE
}

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# have NAME: NAME is a command on the PATH, or (an absolute path) a file that exists.
have() { if [[ $1 == /* ]]; then [ -e "$1" ]; else command -v "$1" >/dev/null; fi; }

# Wine's own fonts have no CJK glyphs: this one, linked behind the default fonts, is
# where such text falls back to, as it does on Windows.
CJK_FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
FALLBACK_LINKS='wqy-microhei.ttc,WenQuanYi Micro Hei'

# ensure_packages [NAME=PACKAGE...]: installs what builds and runs the tests, and the extras
# named, each checked by the very command or file that is then used.
ensure_packages() {
    local need=() pair
    for pair in "$@" \
        i686-w64-mingw32-g++-posix=g++-mingw-w64-i686 \
        i686-w64-mingw32-g++-win32=g++-mingw-w64-i686 \
        i686-w64-mingw32-objdump=binutils-mingw-w64-i686 \
        i686-w64-mingw32-windres=binutils-mingw-w64-i686 \
        cmake=cmake \
        /usr/src/googletest/CMakeLists.txt=googletest \
        Xvfb=xvfb \
        xdpyinfo=x11-utils \
        wine=wine winepath=wine wineserver=wine wineboot=wine \
        "$CJK_FONT=fonts-wqy-microhei"; do
        have "${pair%%=*}" || need+=("${pair#*=}")
    done
    dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
    [ ${#need[@]} -eq 0 ] && return 0
    mapfile -t need < <(printf '%s\n' "${need[@]}" | sort -u)
    echo "Installing: ${need[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${need[@]}" >/dev/null
}

# warble_version: the plugin's version, from the one place that holds it.
warble_version() { version_define WARBLE_VERSION; }
# version_define NAME: the text that src/core/version.h defines NAME as.
version_define() { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$ROOT/src/core/version.h"; }

# build [TARGET...]: configures once and builds the targets (all when none are named).
build() {
    [ -f "$BUILD/CMakeCache.txt" ] || run_child cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" >/dev/null
    if [ $# -gt 0 ]; then run_child cmake --build "$BUILD" -j2 --target "$@"; else run_child cmake --build "$BUILD" -j2; fi
}

XVFB_PID=
start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# Layered windows show their opacity only through a compositing manager: one is started
# for the run, on our Xvfb or on the user's display, unless the display has one already.
# COMPOSITED says whether one runs.
COMPOSITOR_PID=
COMPOSITED=
start_compositor() {
    local said
    said=$(mktemp)
    xcompmgr >/dev/null 2>"$said" </dev/null &
    COMPOSITOR_PID=$!
    sleep 1
    if kill -0 "$COMPOSITOR_PID" 2>/dev/null; then
        COMPOSITED=1
    else
        COMPOSITOR_PID=
        ! grep -qi 'another composite manager' "$said" || COMPOSITED=1
    fi
    rm -f "$said"
}

# The prefix's server runs in the foreground of a child of ours, so that its pid is known;
# one already running for the prefix (another script's, or the user's) is left alone.
WINESERVER_PID=
start_wine() {
    mkdir -p "$WINEPREFIX"
    if ! wine_server_pid >/dev/null; then
        wineserver -f -p </dev/null >/dev/null 2>&1 &
        WINESERVER_PID=$!
        local i
        for ((i = 0; i < 100; i++)); do wine_server_pid >/dev/null && break; sleep 0.1; done
        # Another script's server may have come first: then it is theirs to stop.
        [ "$(wine_server_pid)" = "$WINESERVER_PID" ] || WINESERVER_PID=
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        run_child wineboot -i >/dev/null 2>&1 </dev/null
        # No window manager runs on Xvfb: unmanaged windows are torn down at once
        # instead of after waiting for a manager that never answers.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    fi
    link_fallback_fonts
    # The first program of a session starts the prefix's background services, which
    # inherit its output and hold it open for as long as they live: start them here,
    # on /dev/null, so that no later program (ctest's runners) hands them its pipes.
    wineboot >/dev/null 2>&1 </dev/null
}

# link_fallback_fonts: puts that font first in the font links of the fonts that text
# falls back from (the shell's style font Tahoma, and the dialog font), once per prefix.
link_fallback_fonts() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    local face links
    for face in Tahoma "Microsoft Sans Serif"; do
        links=$(wine reg query "$key" /v "$face" 2>/dev/null </dev/null |
            sed -n "s/^ *$face *REG_MULTI_SZ *//p" | tr -d '\r')
        [[ $links == "$FALLBACK_LINKS"* ]] && continue
        wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$FALLBACK_LINKS${links:+\\0$links}" \
            /f >/dev/null 2>&1 </dev/null
    done
}

# wine_server_pid: the pid of the server running for the prefix, if any. The server works
# inside a folder of its own under /tmp named after the prefix's device and inode.
wine_server_pid() {
    local name proc
    name=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
    for proc in /proc/[0-9]*; do
        if [[ $(readlink "$proc/cwd" 2>/dev/null) == /tmp/*/"$name" ]]; then
            echo "${proc#/proc/}"
            return 0
        fi
    done
    return 1
}

# own_pid PID: a process this script started, stopped at exit if still running.
OWN_PIDS=()
own_pid() { OWN_PIDS+=("$1"); }

# own_leftover PATH: what a run stopped by a signal leaves half made, removed at its exit
# once everything it started has ended.
OWN_LEFTOVERS=()
own_leftover() { OWN_LEFTOVERS+=("$1"); }

# stop_pid PID [SECONDS]: asks the process to end, then ends it by force.
stop_pid() {
    local pid=$1 i
    kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < ${2:-3} * 10; i++)); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
}

# A signal (INT, TERM, HUP, QUIT) ends the script's whole process tree, then what stop_all
# stops, and says so. Bash runs a trap only once the command in the foreground has ended,
# so the long commands (builds, test runs, each step of the demo) run through run_child,
# whose wait a signal interrupts at once.
run_child() {
    "$@" &
    wait $!
}

# tree_below PID: every process below PID, from the parent links in /proc.
tree_below() {
    local -A children=()
    local stat line pid ppid queue=("$1")
    for stat in /proc/[0-9]*/stat; do
        read -r line 2>/dev/null <"$stat" || continue
        read -r _ ppid _ <<<"${line##*) }"
        children[$ppid]+=" ${line%% *}"
    done
    while [ ${#queue[@]} -gt 0 ]; do
        for pid in ${children[${queue[0]}]:-}; do
            echo "$pid"
            queue+=("$pid")
        done
        queue=("${queue[@]:1}")
    done
}

# living PID: the process runs (a zombie has ended: only its parent has not read its status).
living() {
    local line
    read -r line 2>/dev/null <"/proc/$1/stat" && [[ $line != *") Z "* ]]
}

# end_tree: freezes every process below this script (so that none starts another), then
# asks them to end and ends by force those that have not within 3 seconds. The prefix's
# server is left to stop_all, which ends the prefix's programs through it.
end_tree() {
    local pids=() round pid i
    for round in 1 2 3; do
        mapfile -t pids < <(tree_below $$ | grep -vx "${WINESERVER_PID:-none}")
        [ ${#pids[@]} -gt 0 ] || return 0
        kill -STOP "${pids[@]}" 2>/dev/null || true
    done
    kill -TERM "${pids[@]}" 2>/dev/null || true
    kill -CONT "${pids[@]}" 2>/dev/null || true
    for ((i = 0; i < 30; i++)); do
        for pid in "${pids[@]}"; do living "$pid" && break; done
        living "$pid" || return 0
        sleep 0.1
    done
    for pid in "${pids[@]}"; do living "$pid" && kill -KILL "$pid" 2>/dev/null; done
    return 0
}

STOPPED_BY=
on_signal() { # NAME CODE
    trap '' INT TERM HUP QUIT
    STOPPED_BY=$1
    echo "$(basename "$0"): SIG$1: ending every process this run started" >&2
    end_tree
    exit "$2"
}
trap 'on_signal INT 130' INT
trap 'on_signal TERM 143' TERM
trap 'on_signal HUP 129' HUP
trap 'on_signal QUIT 131' QUIT

stop_all() {
    local pid
    for pid in "${OWN_PIDS[@]}"; do stop_pid "$pid"; done
    if [ -n "$WINESERVER_PID" ]; then
        # Ends every Wine process of the prefix (its services included), then the server.
        timeout 10 wineserver -k >/dev/null 2>&1 || true
        stop_pid "$WINESERVER_PID"
    fi
    if [ -n "$COMPOSITOR_PID" ]; then stop_pid "$COMPOSITOR_PID"; fi
    if [ -n "$XVFB_PID" ]; then stop_pid "$XVFB_PID"; fi
    if [ -n "$STOPPED_BY" ] && [ ${#OWN_LEFTOVERS[@]} -gt 0 ]; then rm -rf "${OWN_LEFTOVERS[@]}"; fi
    if [ -n "$OWN_RUN_FILE" ]; then rm -f "$OWN_RUN_FILE"; fi
    if [ -n "$STOPPED_BY" ]; then echo "$(basename "$0"): stopped by SIG$STOPPED_BY; nothing it started runs any more" >&2; fi
}
trap stop_all EXIT
