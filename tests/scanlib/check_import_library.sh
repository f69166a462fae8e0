#!/usr/bin/env bash
# Builds an application from orvlib.h and an import library alone and compares the names it
# imports from the DLL with the library's export list.
set -euo pipefail
cxx=$1 objdump=$2 include=$3 importlib=$4 dll=$5 source=$6 expected=$7
[ -f "$importlib" ] || { echo "missing: $importlib"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cxx" -std=c++17 -Wall -Wextra -pedantic -Werror -I"$include" "$source" "$importlib" -static -o "$work/app.exe"
actual=$("$objdump" -p "$work/app.exe" | awk -v dll="$dll" '
    /DLL Name:/ { inlib = ($3 == dll); next }
    inlib && /^[ \t]*[0-9a-f]+[ \t]+[0-9]+[ \t]+_?ORV_/ { print $3 }
    inlib && NF == 0 { inlib = 0 }' | sort)
if diff -u <(grep -v '^#' "$expected" | awk '{ print $2 }' | sort) <(printf '%s\n' "$actual"); then
    echo "an application built from orvlib.h imports the sixteen names of $dll"
else
    echo "imports differ from $expected (- exported, + imported)"
    exit 1
fi
