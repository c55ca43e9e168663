# Sourced by the scripts that run Windows programs under Wine (scripts/test.sh windows,
# scripts/run.sh --windows): locates Wine (cmake/toolchains/wine-locate.sh) and makes a scratch
# prefix for one run. The caller calls wine_prefix_remove when it ends (from its EXIT trap).

source "$(dirname "${BASH_SOURCE[0]}")/../cmake/toolchains/wine-locate.sh"

# Makes a new prefix in a temporary folder and exports WINEPREFIX and WINEDEBUG; leaves one
# persistent Wine server running for it. Returns 1 when Wine cannot make the prefix.
wine_prefix_make() {
    # A scratch Wine prefix for this run only: nothing in the home folder.
    wine_prefix_scratch="$(mktemp -d)"
    WINEPREFIX="$wine_prefix_scratch"
    export WINEPREFIX WINEDEBUG=-all
    # One server for the whole run, so that each program starts in a fraction of a second.
    # Its output goes nowhere: the server holds the pseudo-terminals of the serial tests and
    # prints a dump of all its objects (hundreds of thousands of lines) at each of their hang-ups.
    "$wineserver" --persistent </dev/null >/dev/null 2>&1
    # Makes the prefix now, so that no program pays for it within its timeout. The services that
    # Wine starts here live until the end and keep the standard streams they were started with:
    # started by a test, they would hold CTest's pipe open and the test would time out.
    if ! "$wine64" wineboot --init </dev/null >/dev/null 2>&1; then
        echo "wine-prefix.sh: wineboot could not make the Wine prefix $WINEPREFIX" >&2
        return 1
    fi
    # Wine's display driver that needs no X server, so that programs can make top-level windows
    # on a machine without a display; it takes effect when the desktop starts.
    "$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    # The desktop that wineboot started keeps its driver: a new server starts it anew with this one.
    "$wineserver" -k
    "$wineserver" -w
    "$wineserver" --persistent </dev/null >/dev/null 2>&1
}

# The first window of a process starts Wine's desktop process, which would keep that program's
# output pipe open for many seconds after it ended: the keeper (the windows-x64 build's
# wine_desktop_keeper.exe, given as $1) starts it here, away from any pipe, and holds it until
# the Wine server ends. Returns 1 when the desktop does not come up within 30 s.
wine_desktop_start() {
    local ready="$WINEPREFIX/desktop-ready"
    "$wine64" "$1" "Z:$ready" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 300); do
        [ -e "$ready" ] && return 0
        sleep 0.1
    done
    echo "wine-prefix.sh: Wine's desktop did not come up in $WINEPREFIX" >&2
    return 1
}

# Ends the Wine server of the prefix that wine_prefix_make made, with every Wine process, and
# removes that prefix; a prefix of the caller's own is left alone.
wine_prefix_scratch=""
wine_prefix_remove() {
    if [ -n "$wine_prefix_scratch" ] && [ -d "$wine_prefix_scratch" ]; then
        WINEPREFIX="$wine_prefix_scratch" "$wineserver" -k 2>/dev/null || true
        rm -rf "$wine_prefix_scratch"
    fi
    wine_prefix_scratch=""
}
