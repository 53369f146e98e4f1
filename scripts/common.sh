# Shared by scripts/test, scripts/demo, scripts/bench and scripts/package: installs what is
# missing on Debian 12, builds, and runs an Xvfb display and a Wine prefix for the
# duration of the calling script. Everything started here is stopped on exit.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${WARBLE_BUILD:-$ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$BUILD/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# ensure_packages [COMMAND=PACKAGE...]: the build and test tools, and any extra ones named.
ensure_packages() {
    local need=() pair
    for pair in "$@"; do
        command -v "${pair%%=*}" >/dev/null || need+=("${pair#*=}")
    done
    command -v xdpyinfo >/dev/null || need+=(x11-utils)
    command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
    command -v cmake >/dev/null || need+=(cmake)
    command -v Xvfb >/dev/null || need+=(xvfb)
    command -v convert >/dev/null || need+=(imagemagick)
    [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
    if ! command -v wine >/dev/null || ! dpkg -s wine32:i386 >/dev/null 2>&1; then
        need+=(wine wine32:i386)
    fi
    [ ${#need[@]} -eq 0 ] && return 0
    echo "Installing: ${need[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${need[@]}" >/dev/null
}

# build [TARGET...]: configures once and builds the targets (all when none are named).
build() {
    [ -f "$BUILD/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" >/dev/null
    if [ $# -gt 0 ]; then cmake --build "$BUILD" -j2 --target "$@"; else cmake --build "$BUILD" -j2; fi
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

# Layered windows show their opacity only through a compositing manager.
COMPOSITOR_PID=
start_compositor() {
    [ -n "$XVFB_PID" ] || return 0
    xcompmgr >/dev/null 2>&1 </dev/null &
    COMPOSITOR_PID=$!
}

WINESERVER_STARTED=
start_wine() {
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null || true # already running for this prefix
    WINESERVER_STARTED=1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 </dev/null
        # No window manager runs on Xvfb: unmanaged windows are torn down at once
        # instead of after waiting for a manager that never answers.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    fi
}

stop_all() {
    if [ -n "$WINESERVER_STARTED" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    if [ -n "$COMPOSITOR_PID" ]; then kill "$COMPOSITOR_PID" 2>/dev/null || true; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap stop_all EXIT
