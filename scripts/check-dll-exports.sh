#!/usr/bin/env bash
# Checks a Windows DLL's export table and the return instruction of each export, as a host
# that binds the DLL sees them.
# Usage: scripts/check-dll-exports.sh OBJDUMP DLL ORDINAL:NAME:BYTES...
#   The DLL must export exactly these names (undecorated) at these ordinals, and every `ret` in
#   each export's code must remove BYTES bytes of arguments (0: a plain `ret`). The code of an
#   export runs from its address to the next symbol in the disassembly (the DLL's symbols).
set -euo pipefail
objdump="$1"
dll="$2"
shift 2
failed=0
fail() {
    echo "check-dll-exports: $dll: $*" >&2
    failed=1
}

table="$("$objdump" -p "$dll")"
image_base=$(awk '$1 == "ImageBase" { print $2; exit }' <<<"$table")
# "[   0] +base[   1] 38b0 Export RVA" gives ordinal 1 at RVA 0x38b0.
declare -A rva_of_ordinal
while read -r ordinal rva; do
    rva_of_ordinal[$ordinal]=$rva
done < <(sed -n 's/^\s*\[ *[0-9]*\] +base\[ *\([0-9]*\)\] \([0-9a-f]*\) Export RVA$/\1 \2/p' \
    <<<"$table")
# "[   0] SaveInteger" in the name table: the index is the ordinal less the base.
base=$(sed -n 's/^Export Address Table -- Ordinal Base \([0-9]*\).*/\1/p' <<<"$table")
actual=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" |
    sed -n 's/^\s*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
    while read -r index name; do echo "$((index + ${base:-0})):$name"; done | sort)
expected=$(for export in "$@"; do echo "${export%:*}"; done | sort)
if [ "$actual" != "$expected" ]; then
    fail "the exports differ from the expected ones (ordinal:name)"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/  /' >&2 || true
fi

disassembly="$("$objdump" -d "$dll")"
for export in "$@"; do
    ordinal="${export%%:*}"
    rest="${export#*:}"
    name="${rest%%:*}"
    bytes="${rest#*:}"
    rva="${rva_of_ordinal[$ordinal]:-}"
    if [ -z "$rva" ]; then
        fail "no address for ordinal $ordinal ($name)"
        continue
    fi
    address=$(printf '%x' $((0x$image_base + 0x$rva)))
    # The `ret` lines of the code from the export's label to the next label.
    rets=$(awk -v start="^0*$address <" '
        $0 ~ start { inside = 1; next }
        inside && /^[0-9a-f]+ <.*>:$/ { exit }
        inside && /\tret/ { sub(/^.*\tret[lq]? */, "ret "); print }' <<<"$disassembly")
    if [ -z "$rets" ]; then
        fail "$name: no ret in the code at 0x$address (is the DLL stripped of its symbols?)"
        continue
    fi
    if [ "$bytes" = 0 ]; then
        want="ret"
    else
        want="ret \$0x$(printf '%x' "$bytes")"
    fi
    while read -r ret; do
        if [ "$(tr -s ' ' <<<"$ret")" != "$want" ]; then
            fail "$name: '$ret' where '$want' removes its $bytes bytes of arguments"
        fi
    done <<<"$rets"
done

if [ "$failed" = 0 ]; then
    echo "$dll: $# exports at their ordinals, undecorated, each with its return instruction"
fi
exit "$failed"
