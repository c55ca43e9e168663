# Sourced by the scripts that run Windows programs: sets wine64 and wineserver to Wine's 64-bit
# loader and server, and wine32 to the 32-bit loader where one is installed (Debian's wine32,
# through the i386 architecture), else to "". Debian's packages put them in Wine's library
# folder, not on PATH.
wine64=""
wine32=""
wineserver=""
for dir in "$(dirname "$(command -v wine64 2>/dev/null || echo /nonexistent/x)")" \
    /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine; do
    if [ -x "$dir/wine64" ]; then
        wine64="$dir/wine64"
        if [ -x "$dir/wine" ] && [ "$(od -An -tx1 -j4 -N1 "$dir/wine" | tr -d ' ')" = 01 ]; then
            wine32="$dir/wine"
        fi
        for server in "$dir/wineserver64" "$dir/wineserver"; do
            if [ -x "$server" ]; then
                wineserver="$server"
                break
            fi
        done
        break
    fi
done
if [ -z "$wine64" ] || [ -z "$wineserver" ]; then
    echo "wine64 or its wineserver not found; install them with scripts/install-deps.sh windows" >&2
    return 127 2>/dev/null || exit 127
fi
