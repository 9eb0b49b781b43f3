#!/usr/bin/env bash
# A Windows program of ours imports only the system's own DLLs: nothing to install beside it.
# It fails unless it read a Windows executable that imports kernel32.
set -euo pipefail
exe="$1"
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || objdump=i686-w64-mingw32-objdump
headers=$("$objdump" -p "$exe") || { echo "cannot read $exe as a Windows executable"; exit 1; }
grep -Eq 'file format pei-(x86-64|i386)$' <<< "$headers" || { echo "$exe is not a Windows executable"; exit 1; }
dlls=$(sed -n 's/^\s*DLL Name: //p' <<< "$headers" | tr 'A-Z' 'a-z')
grep -qx 'kernel32\.dll' <<< "$dlls" || { echo "$exe imports no kernel32.dll: its import table was not read"; exit 1; }
allowed='^(kernel32|user32|gdi32|shell32|advapi32|comctl32|comdlg32|ole32|oleaut32|msvcrt|ntdll|ws2_32|shlwapi|version|wtsapi32|api-ms-win-crt-[a-z0-9-]+)\.dll$'
bad=0
for dll in $dlls; do
  if [[ "$dll" =~ $allowed ]]; then echo "ok   $dll"; else echo "NOT A SYSTEM DLL: $dll"; bad=1; fi
done
exit $bad
