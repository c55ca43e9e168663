#!/usr/bin/env bash
# Tolvane's main job: builds the plug-in and the reference host, then lets the host load
# tolvane.so and feed it the sample groups at the RDS rate. Extra arguments go to the host
# (see build/default/bin/tolvane-host --help). Without a display the window stays offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh >&2
cmake --preset default >&2
cmake --build --preset default --target tolvane-host >&2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR="$(mktemp -d)"
    export XDG_RUNTIME_DIR
fi

if [ "$#" -eq 0 ]; then
    set -- --groups samples/sample-groups.hex
fi
exec build/default/bin/tolvane-host "$@"
