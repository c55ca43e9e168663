#!/usr/bin/env bash
# Measures the encoder output against the encoder simulator and prints one line per mode
# (key=value pairs):
# pacing (88, 130, 260 ms and acknowledged), acknowledgement latency, event-loop stalls while
# sending to a pseudo-terminal, then idle CPU of the reference host beside a bare Qt program.
# Usage: bench/output_evidence.sh [seconds per mode, default 60] [build dir, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bin="${2:-build/default}/bin"
export QT_QPA_PLATFORM=offscreen
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
export XDG_RUNTIME_DIR="$runtime_dir"

for mode in 88 130 260 ack ack-late serial-1200 serial-stalled; do
    "$bin/output_evidence" --mode "$mode" --seconds "$seconds"
done

# CPU seconds (user + system) that a process has used so far, from /proc.
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$1/stat"
}

idle="${IDLE_SECONDS:-30}"
"$bin/tolvane-host" --plugin "$bin/../lib/tolvane.so" --quit-after $((idle + 5)) >/dev/null &
host=$!
"$bin/bare_timer" $((idle + 5)) &
bare=$!
sleep 2
host_start=$(cpu_seconds $host)
bare_start=$(cpu_seconds $bare)
sleep "$idle"
host_used=$(awk -v a="$host_start" -v b="$(cpu_seconds $host)" 'BEGIN { print b - a }')
bare_used=$(awk -v a="$bare_start" -v b="$(cpu_seconds $bare)" 'BEGIN { print b - a }')
wait $host $bare
awk -v h="$host_used" -v b="$bare_used" -v s="$idle" 'BEGIN {
    printf "idle_seconds=%d host_cpu_percent=%.2f bare_qt_timer_cpu_percent=%.2f\n",
           s, 100 * h / s, 100 * b / s }'
