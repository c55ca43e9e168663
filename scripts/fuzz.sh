#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for the given seconds
# (default 60), starting from the committed seed corpus. New inputs go to a scratch folder;
# a finding stops the run with the target's report and a non-zero exit.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

bash scripts/install-deps.sh >&2
cmake --preset fuzz >&2
cmake --build --preset fuzz >&2

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
    targets=($(ls build/fuzz/bin/ | sed -n 's/^fuzz_\(.*\)$/\1/p' | sort))
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target"
    echo "fuzz: $target for ${seconds}s" >&2
    build/fuzz/bin/"fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$scratch/" "$scratch/$target" "fuzz/corpus/$target" 2>"$scratch/$target.log" || {
        tail -40 "$scratch/$target.log" >&2
        echo "fuzz: $target found a failure" >&2
        exit 1
    }
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$target.log")
    echo "fuzz: $target: $runs executions in ${seconds}s, $((runs / seconds))/s, no finding"
done
