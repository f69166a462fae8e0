#!/usr/bin/env bash
# The shipped 32-bit ORVCLEAN.EXE: a GUI program that exports nothing, needs no DLL beyond the
# system's, and carries version 1.0.0.0 named OrvClean and the nine string blocks.
set -uo pipefail
exe=$1
fail=0
[ -f "$exe" ] || { echo "missing: $exe"; exit 1; }
headers=$(i686-w64-mingw32-objdump -p "$exe")
resources=$(i686-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null)
has() { grep -Eq -- "$2" <<<"$1"; }
check() { # description result-of-test
    if [ "$2" = 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
has "$headers" "file format pei-i386"; check "32-bit x86 image" $?
has "$headers" "^Subsystem[[:space:]]+00000002"; check "GUI subsystem" $?
! has "$headers" "There is an export table"; check "no export table" $?
imports=$(grep "DLL Name:" <<<"$headers" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
[ "$imports" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ]
check "imports only system DLLs ($imports)" $?
has "$resources" "FILEVERSION 1, 0, 0, 0" && has "$resources" "PRODUCTVERSION 1, 0, 0, 0"
check "file and product version 1.0.0.0" $?
for value in FileDescription InternalName OriginalFilename ProductName; do
    has "$resources" "VALUE \"$value\", \"OrvClean\""; check "$value OrvClean" $?
done
for block in 1 2 3 4 5 6 7 8 9; do
    has "$resources" "^ +${block}500, " && has "$resources" "^ +${block}103, "
    check "block $block caption and group" $?
done
has "$resources" '^ +115, "25"'; check "manifest total 25" $?
has "$resources" '^ +620, "2"' && has "$resources" '^ +622, "ORVLIB64.DLL"'; check "64-bit library group" $?
exit $fail
