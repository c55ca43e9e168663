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
    source scripts/wine-prefix.sh
    trap wine_prefix_remove EXIT
    wine_prefix_make || exit 1
    for target in windows-x64 windows-x86; do
        cmake --preset "$target"
        cmake --build --preset "$target"
    done
    wine_desktop_start build/windows-x64/bin/wine_desktop_keeper.exe || exit 1
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
