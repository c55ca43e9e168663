#!/usr/bin/env bash
# Runs every benchmark and prints one table: intake throughput, output pacing per mode against
# the encoder simulator, acknowledgement latency, event-loop stalls, idle CPU.
# Usage: bench/run_all.sh [seconds per output mode, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash scripts/install-deps.sh >&2
cmake --preset default >&2
cmake --build --preset default --target intake_bench output_evidence bare_timer tolvane-host >&2
export QT_QPA_PLATFORM=offscreen
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
export XDG_RUNTIME_DIR="$runtime_dir"

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
     "$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)"
echo
echo "| measure | result |"
echo "|---|---|"
build/default/bin/intake_bench --benchmark_min_time=1 --benchmark_format=csv 2>/dev/null |
    awk -F, 'NR > 1 { gsub(/"/, "", $1); printf "| intake: %s | %.2f M groups/s (%.0f ns each) |\n", $1, $7 / 1e6, $3 }'
bench/output_evidence.sh "$seconds" | awk '
    { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] } }
    /^mode=/ {
        printf "| output %s: groups/s against nominal | %s (%s/s); command interval p50 %s, p99 %s ms |\n",
               v["mode"], v["ratio"], v["rate"], v["interval_p50"], v["interval_p99"]
        if (v["mode"] ~ /^ack/)
            printf "| acknowledgement to next command, %s | p50 %s ms, p99 %s ms |\n", v["mode"], v["ack_p50"], v["ack_p99"]
        printf "| event-loop stall while sending, %s | max %s ms, p99.9 %s ms |\n", v["mode"], v["stall_max"], v["stall_p999"]
    }
    /^idle_seconds=/ {
        printf "| idle CPU over %s s: host with plug-in, no link | %s%% of a core |\n", v["idle_seconds"], v["host_cpu_percent"]
        printf "| idle CPU over %s s: bare Qt program, one 5 ms timer | %s%% of a core |\n", v["idle_seconds"], v["bare_qt_timer_cpu_percent"]
    }'
