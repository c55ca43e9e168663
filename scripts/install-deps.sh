#!/usr/bin/env bash
# Installs the Debian packages that building, testing and looking at Tolvane need.
# Idempotent: apt-get runs only when a package is missing.
# Usage: scripts/install-deps.sh [windows]   (windows: also the MinGW-w64 cross compilers, wine64
# and the GoogleTest sources that the Windows build compiles)
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    xvfb xauth binutils fonts-dejavu-core fonts-dejavu-extra
)
if [ "${1:-}" = windows ]; then
    packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 googletest socat)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
