# Sourced by the scripts that run Windows programs: sets wine64 and wineserver to Wine's 64-bit
# loader and server. Debian's wine64 package puts them in Wine's library folder, not on PATH.
wine64=""
wineserver=""
for dir in "$(dirname "$(command -v wine64 2>/dev/null || echo /nonexistent/x)")" \
    /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine; do
    if [ -x "$dir/wine64" ]; then
        wine64="$dir/wine64"
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
