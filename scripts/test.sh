#!/usr/bin/env bash
# Installs what is missing, builds Tolvane and runs every test.
# Usage: scripts/test.sh [preset]   (preset: default, or asan for the sanitizer build)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
export XDG_RUNTIME_DIR="$runtime_dir"

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
