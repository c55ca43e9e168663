#!/usr/bin/env bash
# Tolvane's main job, end to end: builds the plug-in, the reference host and the encoder
# simulator; starts the simulator on a free loopback port; lets the host load tolvane.so with a
# demo workspace that points the plug-in at the simulator; replays the sample through host,
# plug-in and link; and reports what went in, what the plug-in counted, what the encoder
# received, and one verdict line. Exits 1 when the verdict fails.
#
# Usage: scripts/run.sh [--windows] [--show] [--groups FILE] [--screenshot PNG]
#   --windows     the same job with the Windows host and plug-in (tolvane-host.exe, tolvane.dll,
#                 kovadex.dll) under Wine: the 32-bit build where a 32-bit Wine is installed,
#                 else the 64-bit one under wine64; simulator and report stay the Linux programs
#   --show        show the plug-in's window while the groups flow (needs a display); the groups
#                 then come at the RDS rate of about 11.4 a second instead of all at once
#   --groups      another group file instead of samples/sample-groups.hex
#   --screenshot  render the plug-in's window at the end of the run into the PNG file
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
show=0
groups=samples/sample-groups.hex
screenshot=()
while [ "$#" -gt 0 ]; do
    case "$1" in
        --windows) windows=1 ;;
        --show) show=1 ;;
        --groups) groups="$2"; shift ;;
        --screenshot) screenshot=(--screenshot-at-end "$(realpath -m "$2")"); shift ;;
        *) echo "run.sh: unknown option $1 (see the comment at the top)" >&2; exit 2 ;;
    esac
    shift
done
if [ "$windows" -eq 1 ] && { [ "$show" -eq 1 ] || [ "${#screenshot[@]}" -gt 0 ]; }; then
    echo "run.sh: --show and --screenshot are for the Linux job; Wine runs without a display" >&2
    exit 2
fi

bash scripts/install-deps.sh >&2
cmake --preset default >&2
if [ "$windows" -eq 0 ]; then
    cmake --build --preset default --target tolvane kovadex tolvane-host tolvane-encoder \
        tolvane-report >&2
else
    cmake --build --preset default --target tolvane-encoder tolvane-report >&2
    bash scripts/install-deps.sh windows >&2
fi
bin=build/default/bin

if [ "$show" -eq 0 ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
fi
work="$(mktemp -d)"
encoder=""
cleanup() {
    if [ -n "$encoder" ] && kill -0 "$encoder" 2>/dev/null; then
        kill -TERM "$encoder" 2>/dev/null || true
        wait "$encoder" 2>/dev/null || true
    fi
    if [ "$windows" -eq 1 ]; then
        wine_prefix_remove
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work/runtime}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# The host the job runs, with its files named as it sees them (Wine sees the root as Z:).
host_program=("$bin/tolvane-host")
plugin_name=tolvane.so
host_path() { realpath -m "$1"; }
if [ "$windows" -eq 1 ]; then
    source scripts/wine-prefix.sh
    windows_preset=windows-x64
    wine="$wine64"
    if [ -n "$wine32" ]; then
        windows_preset=windows-x86
        wine="$wine32"
    fi
    for preset in windows-x64 "$windows_preset"; do
        cmake --preset "$preset" >&2
    done
    cmake --build --preset windows-x64 --target wine_desktop_keeper >&2
    cmake --build --preset "$windows_preset" --target tolvane kovadex tolvane-host >&2
    wine_prefix_make
    wine_desktop_start build/windows-x64/bin/wine_desktop_keeper.exe
    host_program=("$wine" "build/$windows_preset/bin/tolvane-host.exe")
    plugin_name="tolvane.dll under Wine ($windows_preset)"
    host_path() { local full; full="$(realpath -m "$1")"; echo "Z:${full//\//\\}"; }
fi
# Runs the host with standard input from nowhere and its output to the file $1, through a file
# (a pipe could be held open by Wine's processes); Windows ends the lines with CR LF.
run_host() {
    local output="$1"
    shift
    "${host_program[@]}" "$@" </dev/null >"$output.raw"
    tr -d '\r' <"$output.raw" >"$output"
}

# The encoder simulator on a port the system picks.
"$bin/tolvane-encoder" --tcp 0 --output "$work/received.txt" --summary "$work/summary.txt" \
    >"$work/encoder.txt" 2>&1 &
encoder=$!
port=""
for _ in $(seq 100); do
    port="$(sed -n 's/^# listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/encoder.txt")"
    [ -n "$port" ] && break
    kill -0 "$encoder" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "run.sh: the encoder simulator did not start:" >&2
    cat "$work/encoder.txt" >&2
    exit 1
fi

# The demo workspace: the plug-in's defaults as the host saves them, then pointed at the
# simulator over TCP, bidirectional with the rate limit off, the encoder's PI not kept.
workspace="$work/demo.ini"
run_host "$work/demo.txt" --workspace-file "$(host_path "$workspace")" --command HIDE \
    --quit-after 0
sed -i -e 's/^ConnectionType=.*/ConnectionType=1/' -e 's/^Limit=.*/Limit=0/' \
    -e 's/^Bidirectional=.*/Bidirectional=1/' -e 's/^KeepPI=.*/KeepPI=0/' \
    -e "s/^Port=.*/Port=@ByteArray($port)/" -e "s/^Visible=.*/Visible=$show/" "$workspace"

# Shown, the window stays up while the groups come at the RDS rate, and 15 s longer.
pace=(--rate 0 --wait-sent 60)
if [ "$show" -eq 1 ]; then
    lines=$(grep -c '^[0-9A-Fa-f-]' "$groups" || true)
    pace=(--rate 11.4 --quit-after $((lines * 10 / 114 + 15)))
fi
start=$(date +%s.%N)
run_host "$work/host.txt" --workspace-file "$(host_path "$workspace")" \
    --groups "$(host_path "$groups")" "${pace[@]}" "${screenshot[@]}"
kill -TERM "$encoder"
wait "$encoder" || true
encoder=""
seconds=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')

# The selection of the demo workspace: the default group types, no masks; PTY and TP kept.
types="1A,1B,3A,3B,4B,5A,5B,6A,6B,7A,7B,8A,8B,9A,9B,10A,10B,11A,11B,12A,12B,13A,13B,14A,14B,15A"
echo "Tolvane main job: $groups through tolvane-host, $plugin_name and TCP to tolvane-encoder" \
     "on 127.0.0.1:$port ($seconds s)"
grep -v '^loaded ' "$work/host.txt" >"$work/statistics.txt" || true
"$bin/tolvane-report" --groups "$groups" --received "$work/received.txt" --types "$types" \
    --keep-pi 0 --keep-pty 1 --keep-tp 1 --statistics "$work/statistics.txt" \
    --summary "$work/summary.txt"
