#!/usr/bin/env bash
# Renders the tabs of the Win32 settings window under wine64 into docs/screenshots/win32-*.png.
# The renderer writes uncompressed PNG; Python's zlib compresses them here.
# Usage: scripts/win32-screenshots.sh   (after cmake --build --preset windows-x64)
set -euo pipefail
cd "$(dirname "$0")/.."
source cmake/toolchains/wine-locate.sh
WINEPREFIX="$(mktemp -d)"
export WINEPREFIX WINEDEBUG=-all
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wineserver" --persistent
"$wine64" wineboot --init </dev/null >/dev/null 2>&1
"$wine64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
# The desktop that wineboot started keeps its driver: a new server starts it anew with this one.
"$wineserver" -k
"$wineserver" -w
"$wineserver" --persistent
out="$(pwd)/docs/screenshots"
"$wine64" build/windows-x64/bin/tolvane_window_win32_snapshot.exe "Z:$out" </dev/null
python3 - "$out"/win32-*.png <<'PY'
import struct, sys, zlib
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    at, chunks = 8, []
    while at < len(data):
        size, kind = struct.unpack('>I4s', data[at:at + 8])
        chunks.append((kind, data[at + 8:at + 8 + size]))
        at += 12 + size
    pixels = zlib.decompress(b''.join(body for kind, body in chunks if kind == b'IDAT'))
    out = bytearray(data[:8])
    def put(kind, body):
        out.extend(struct.pack('>I', len(body)) + kind + body)
        out.extend(struct.pack('>I', zlib.crc32(kind + body)))
    put(b'IHDR', dict(chunks)[b'IHDR'])
    put(b'IDAT', zlib.compress(pixels, 9))
    put(b'IEND', b'')
    open(path, 'wb').write(bytes(out))
PY
