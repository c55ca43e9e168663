#!/usr/bin/env bash
# Installs what is missing, builds Tolvane and runs every test.
# Usage: scripts/test.sh [preset]   (preset: default, or asan for the sanitizer build, or
# windows for the two Windows builds: windows-x64 built and run under wine64, windows-x86
# compiled and linked, its DLLs' exports checked, and run too where a 32-bit Wine is installed)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

if [ "$preset" = windows ]; then
    bash scripts/install-deps.sh windows
    source cmake/toolchains/wine-locate.sh
    # A scratch Wine prefix for this run only: nothing in the home folder.
    WINEPREFIX="$(mktemp -d)"
    export WINEPREFIX WINEDEBUG=-all
    trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
    # One server for the whole run, so that each test program starts in a fraction of a second.
    # Its output goes nowhere: the server holds the pseudo-terminals of the serial tests and
    # prints a dump of all its objects (hundreds of thousands of lines) at each of their hang-ups.
    "$wineserver" --persistent </dev/null >/dev/null 2>&1
    # Makes the prefix now, so that no test pays for it within its timeout. The services that
    # Wine starts here live until the end and keep the standard streams they were started with:
    # started by a test, they would hold CTest's pipe open and the test would time out.
    if ! "$wine64" wineboot --init </dev/null >/dev/null 2>&1; then
        echo "test.sh: wineboot could not make the Wine prefix $WINEPREFIX" >&2
        exit 1
    fi
    # Wine's display driver that needs no X server, so that the window's tests can make
    # top-level windows on a machine without a display; it takes effect when the desktop starts.
    "$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    # The desktop that wineboot started keeps its driver: a new server starts it anew with this one.
    "$wineserver" -k
    "$wineserver" -w
    "$wineserver" --persistent </dev/null >/dev/null 2>&1
    for target in windows-x64 windows-x86; do
        cmake --preset "$target"
        cmake --build --preset "$target"
    done
    # The first window of a process starts Wine's desktop process, which would keep that test's
    # output pipe open for many seconds after it ended: the keeper starts it here, away from
    # CTest's pipes, and holds it until the Wine server ends.
    ready="$WINEPREFIX/desktop-ready"
    "$wine64" build/windows-x64/bin/wine_desktop_keeper.exe "Z:$ready" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 300); do
        [ -e "$ready" ] && break
        sleep 0.1
    done
    if [ ! -e "$ready" ]; then
        echo "test.sh: Wine's desktop did not come up in $WINEPREFIX" >&2
        exit 1
    fi
    ctest --preset windows-x64
    # Without a 32-bit Wine the 32-bit build has no test programs to run, only the checks of
    # its DLLs' export tables and return instructions from the disassembly.
    ctest --preset windows-x86
    if [ -z "$wine32" ]; then
        echo "test.sh: no 32-bit Wine here: the windows-x86 programs were compiled and linked, not run"
    fi
    exit 0
fi

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
export XDG_RUNTIME_DIR="$runtime_dir"

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
