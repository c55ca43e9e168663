#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and runs the installed host with
# the installed plug-in on the installed sample: the package works without the build tree.
# Prints the package's path, size and file list.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh >&2
cmake --preset default >&2
cmake --build --preset default >&2
(cd build/default && cpack -G DEB >&2)
deb="$(ls -t build/default/tolvane_*.deb | head -1)"

root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$root/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# The installed host finds the installed plug-in by itself, and the plug-in its settings store.
out="$("$root/usr/bin/tolvane-host" --groups "$root/usr/share/tolvane/sample-groups.hex" --rate 0)"
echo "$out"
grep -q "^loaded $root/usr/bin/../lib/tolvane/tolvane.so" <<<"$out"
# Both the plug-in and the host load the settings store from the plug-in folder.
for binary in "$root/usr/lib/tolvane/tolvane.so" "$root/usr/bin/tolvane-host"; do
    resolved="$(ldd "$binary" | sed -n 's/.*libkovadex.so => \([^ ]*\).*/\1/p')"
    [ "$(realpath "$resolved")" = "$root/usr/lib/tolvane/libkovadex.so" ]
done
"$root/usr/bin/tolvane-encoder" --help >/dev/null

echo "package: $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -c "$deb"
