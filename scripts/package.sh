#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and runs the installed host with
# the installed plug-in on the installed sample: the package works without the build tree.
# Prints the package's path, size and file list.
# Usage: scripts/package.sh [windows]
#   windows: the two archives of the 32-bit Windows build instead (see package_windows below)
set -euo pipefail
cd "$(dirname "$0")/.."

# The archives of the windows-x86 build, checked as a user gets them: each holds exactly its
# files, and the stripped tolvane.dll inside still has the four exports with their return
# instructions and imports only the settings calls and system DLLs.
package_windows() {
    bash scripts/install-deps.sh windows >&2
    cmake --preset windows-x86 >&2
    cmake --build --preset windows-x86 >&2
    local build=build/windows-x86 version
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
    (cd "$build" && cpack >&2)
    local plugin_zip="$build/tolvane-$version-windows-x86.zip"
    local host_zip="$build/tolvane-$version-windows-x86-host.zip"
    local root objdump=i686-w64-mingw32-objdump
    root="$(mktemp -d)"
    trap 'rm -rf "$root"' RETURN
    check_archive "$plugin_zip" "$root/plugin" "INSTALL.txt tolvane.dll"
    check_archive "$host_zip" "$root/host" \
        "TRY-IT.txt kovadex.dll sample-groups.hex tolvane-host.exe tolvane.dll"
    # The return instructions are checked on the build's DLL, whose symbols mark where each
    # export's code ends; stripping must leave its export table as it was.
    bash scripts/check-dll-exports.sh "$objdump" "$build/bin/tolvane.dll" \
        1:PluginName:0 2:Initialize:8 3:Command:8 4:RDSGroup:4
    if [ "$(export_table "$objdump" "$build/bin/tolvane.dll")" != \
        "$(export_table "$objdump" "$root/plugin/tolvane.dll")" ]; then
        echo "package.sh: the packaged tolvane.dll exports other names or ordinals" >&2
        return 1
    fi
    bash scripts/check-dll-imports.sh "$objdump" "$root/plugin/tolvane.dll" kovadex.dll \
        SaveInteger LoadInteger SavePChar LoadPChar
    cmp "$root/plugin/tolvane.dll" "$root/host/tolvane.dll"
    bash scripts/check-dll-imports.sh "$objdump" "$root/host/tolvane-host.exe" kovadex.dll \
        LoadWorkspaceFile SaveWorkspaceFile WorkspaceFileError
    for zip in "$plugin_zip" "$host_zip"; do
        echo "package: $zip ($(stat -c %s "$zip") bytes)"
        cmake -E tar tvf "$zip"
    done
}

# A DLL's export table: ordinals, addresses and names.
export_table() {
    "$1" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p;/Export RVA$/p'
}

# Unpacks ZIP into DIR and fails unless it holds exactly the FILES (sorted, space-separated).
check_archive() {
    local zip="$1" dir="$2" expected="$3" found
    mkdir -p "$dir"
    (cd "$dir" && cmake -E tar xf "$(realpath "$OLDPWD/$zip")")
    found="$(cd "$dir" && find . -type f -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
    if [ "$found" != "$expected" ]; then
        echo "package.sh: $zip holds \"$found\", not \"$expected\"" >&2
        return 1
    fi
}

if [ "${1:-}" = windows ]; then
    package_windows
    exit 0
fi

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
