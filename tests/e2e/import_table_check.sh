#!/usr/bin/env bash
# Pictarn.exe must need no DLL beyond those Windows itself provides.
# Usage: import_table_check.sh PICTARN.EXE
set -euo pipefail
exe=$1
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|ole32|SHELL32|ADVAPI32|msvcrt|COMDLG32)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no import table found in $exe"; exit 1; }
echo "$dlls"
bad=$(echo "$dlls" | grep -v -i -E "$allowed" || true)
if [ -n "$bad" ]; then
  echo "imports outside the system DLLs: $bad"
  exit 1
fi
