#!/usr/bin/env bash
# Checks a Windows DLL's import table as a host's loader sees it.
# Usage: scripts/check-dll-imports.sh OBJDUMP DLL PARTNER NAME...
#   From PARTNER (a DLL shipped beside it) the DLL must import exactly these NAMEs, by name;
#   every other DLL it imports must be a system DLL that every Windows has, so that no runtime
#   DLL (libstdc++, libgcc, winpthread) is needed beside it.
set -euo pipefail
objdump="$1"
dll="$2"
partner="$3"
shift 3
failed=0
fail() {
    echo "check-dll-imports: $dll: $*" >&2
    failed=1
}

# msvcrt.dll is part of Windows itself (MinGW-w64's C library calls it), unlike the runtimes.
system_dlls="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll
user32.dll ws2_32.dll"

# "DLL Name: X" starts a DLL's list; "\tb6458\t    2  LoadInteger" is one import by name.
imports=$("$objdump" -p "$dll" | awk '
    /^There is an import table/ { inside = 1 }
    /^There is an export table/ { inside = 0 }
    inside && /DLL Name:/ { dll = tolower($3); print "DLL " dll; next }
    inside && dll != "" && /^\t[0-9a-f]+\t/ { print dll ":" $NF }')
dlls=$(sed -n 's/^DLL //p' <<<"$imports" | sort -u)
partner_lower=$(tr '[:upper:]' '[:lower:]' <<<"$partner")
for name in $dlls; do
    if [ "$name" != "$partner_lower" ] && ! grep -qw "$name" <<<"$system_dlls"; then
        fail "imports $name, which is neither $partner nor a system DLL"
    fi
done
actual=$(sed -n "s/^$partner_lower:\(.\+\)$/\1/p" <<<"$imports" | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$expected" ]; then
    fail "the imports from $partner differ from the expected ones"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/  /' >&2 || true
fi

if [ "$failed" = 0 ]; then
    echo "$dll: imports $# calls by name from $partner, otherwise only system DLLs"
fi
exit "$failed"
