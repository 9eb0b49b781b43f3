#!/usr/bin/env bash
# A Windows program of ours imports only the system's own DLLs: nothing to install beside it.
set -euo pipefail
exe="$1"
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null || objdump=i686-w64-mingw32-objdump
allowed='^(kernel32|user32|gdi32|shell32|advapi32|comctl32|comdlg32|ole32|oleaut32|msvcrt|ntdll|ws2_32|shlwapi|version|wtsapi32|api-ms-win-crt-[a-z0-9-]+)\.dll$'
bad=0
for dll in $("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
  if [[ "$dll" =~ $allowed ]]; then echo "ok   $dll"; else echo "NOT A SYSTEM DLL: $dll"; bad=1; fi
done
exit $bad
