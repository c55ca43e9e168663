#!/usr/bin/env bash
# Runs a Windows serial-port test program under wine64 with a pseudo-terminal as its COM port.
# A Windows program cannot make a Linux pseudo-terminal, so socat makes one, links it into the
# Wine prefix as comN and joins its far end to a TCP listener on 127.0.0.1: the program plays
# the device at the far end through that connection (reads it, stops reading it to stall the
# line, closes it to hang the line up). Each time the far end closes, a new pseudo-terminal
# takes the same link, ready for the next connection. The program learns the COM number and
# the TCP port from TOLVANE_PTY_COM and TOLVANE_PTY_PORT.
# Usage: vacomm_pty_harness.sh WINE_RUNNER PROGRAM [ARGS...]
set -euo pipefail
runner="$1"
shift
source "$(dirname "$runner")/wine-locate.sh"
export WINEDEBUG="${WINEDEBUG:--all}"
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX
    own_prefix=1
fi
mkdir -p "$WINEPREFIX/dosdevices"

# A port number and COM number of this run's own, so that programs run side by side never meet.
TOLVANE_PTY_COM=$((10 + RANDOM % 240))
TOLVANE_PTY_PORT=$((20000 + RANDOM % 40000))
export TOLVANE_PTY_COM TOLVANE_PTY_PORT
link="$WINEPREFIX/dosdevices/com$TOLVANE_PTY_COM"
state=$(mktemp -d)

# The loop ends its own socat when told to end: it alone knows whether that pid is still its
# child, so no pid that the system may have given to another process since is ever signalled.
(
    child=""
    trap '[ -n "$child" ] && kill "$child" 2>/dev/null; exit 0' TERM
    while true; do
        # Small blocks and a small send buffer keep what socat holds for a stalled reader small.
        socat -b 512 -t 0.05 "pty,raw,echo=0,link=$link" \
            "tcp-listen:$TOLVANE_PTY_PORT,bind=127.0.0.1,reuseaddr,sndbuf=4096" \
            2>>"$state/socat.log" &
        child=$!
        wait "$child" || sleep 0.1
        child=""
    done
) </dev/null >/dev/null 2>&1 &
loop=$!

finish() {
    kill "$loop" 2>/dev/null || true
    wait "$loop" 2>/dev/null || true
    rm -rf "$state"
    if [ -n "${own_prefix:-}" ]; then
        "$wineserver" -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
trap finish EXIT

for _ in $(seq 100); do
    [ -e "$link" ] && break
    sleep 0.05
done
# The program's first window starts Wine's desktop process, which outlives the program and would
# hold CTest's pipe open until it ends: the program writes to a file that is shown afterwards.
status=0
"$wine64" "$@" </dev/null >"$state/output" 2>&1 || status=$?
cat "$state/output"
exit "$status"
