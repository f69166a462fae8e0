#!/usr/bin/env bash
# Compares a DLL's export table (ordinal and name, as objdump -p lists it) with an expected list
# of "ordinal name" lines.
set -euo pipefail
objdump=$1 dll=$2 expected=$3
[ -f "$dll" ] || { echo "missing: $dll"; exit 1; }
# objdump numbers the name table from the ordinal base, which it prints first.
actual=$("$objdump" -p "$dll" | awk '
    /^Ordinal Base/ { base = $3 }
    /\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
    table && /^[ \t]*\[ *[0-9]+\]/ { gsub(/[\[\]]/, " "); print $1 + base, $2; next }
    table && NF == 0 { table = 0 }' | sort -n)
if diff -u <(grep -v '^#' "$expected" | sort -n) <(printf '%s\n' "$actual"); then
    echo "exports of $(basename "$dll") match $(basename "$expected")"
else
    echo "exports of $dll differ from $expected (- expected, + actual)"
    exit 1
fi
