#!/usr/bin/env bash
# scripts/check-layers against faults planted in a copy of the tree: each case adds one
# include (or file) to src/ and wants exit 1 with words that name the fault. The
# untouched copy must pass first, so a failure below is the planted fault's.
#   usage: planted.sh   (no arguments; the source tree is the one holding this file)
# Exit code: 0 when every case gave what it wanted, 1 when one did not, 2 for an
# unknown argument.
set -u
case "${1:-}" in
"") ;;
-h | --help) sed -n '2,/^set -/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'; exit 0 ;;
*) echo "planted.sh: unknown argument $1 (try --help)" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
# plant CODE PATTERN WHAT SCRIPT: a fresh copy, SCRIPT run in its src/, then the check.
plant() {
    local code=$1 pattern=$2 what=$3 out rc
    rm -rf "$tmp/tree" && mkdir -p "$tmp/tree/scripts"
    cp -r "$root/src" "$root/include" "$tmp/tree/" &&
        cp "$root/scripts/check-layers" "$tmp/tree/scripts/"
    (cd "$tmp/tree/src" && eval "$4")
    out=$(bash "$tmp/tree/scripts/check-layers" 2>&1)
    rc=$?
    if [ "$rc" != "$code" ] || ! grep -qF -- "$pattern" <<<"$out"; then
        echo "FAILED: $what -> exit $rc (wanted $code and '$pattern'), said:"
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok: $what -> $code, $(grep -F -- "$pattern" <<<"$out" | head -n 1)"
    fi
}
up="includes src/plugin/lifecycle.h, of a higher layer"

plant 0 "no unit includes itself" "the tree as it is" :
plant 1 "src/display/layout.cpp $up" "an include with a trailing comment" \
    'echo "#include \"plugin/lifecycle.h\" // the start, for its window" >>display/layout.cpp'
plant 1 "src/display/layout.cpp $up" "a path through the parent folder" \
    'echo "#include \"../plugin/lifecycle.h\"" >>display/layout.cpp'
plant 1 "src/display/layout.cpp $up" "spaces after the #" \
    'echo "#  include \"plugin/lifecycle.h\"" >>display/layout.cpp'
plant 1 "src/display/gdi/brush.h $up" "a file in a nested folder" \
    'mkdir display/gdi && printf "#pragma once\n#include \"plugin/lifecycle.h\"\n" >display/gdi/brush.h'
plant 1 "src/util/ lies in no layer" "a top folder in no layer" \
    'mkdir util && printf "#pragma once\n#include \"core/text.h\"\n" >util/strings.h'
plant 1 "src/winamp/title.cpp includes src/display/layout.h, of a layer beside its own" \
    "winamp including display" 'echo "#include \"display/layout.h\"" >>winamp/title.cpp'
plant 1 "units that include each other" "two units that include each other" \
    'echo "#include \"core/threads.h\"" >>core/owners.h'

[ "$failures" = 0 ] || { echo "$failures case(s) failed"; exit 1; }
