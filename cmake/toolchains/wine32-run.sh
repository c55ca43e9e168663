#!/usr/bin/env bash
# Runs a 32-bit Windows program under a 32-bit Wine: the emulator of the windows-x86 build.
# Uses WINEPREFIX when the caller set one (scripts/test.sh windows makes a scratch prefix);
# otherwise makes a prefix of its own in a temporary folder and removes it afterwards, so that
# nothing lands in the home folder. That costs several seconds a program, more than CTest's test
# discovery waits: run ctest with WINEPREFIX set to a prefix whose wineserver is already up.
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
source "$(dirname "${BASH_SOURCE[0]}")/wine-locate.sh"

if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX
    trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
fi
if [ -z "$wine32" ]; then
    echo "wine32-run.sh: no 32-bit Wine is installed" >&2
    exit 127
fi
"$wine32" "$@"
