#!/usr/bin/env bash
# The execution level in Tolvane.exe's manifest. The 32-bit program declares none, so Windows
# virtualises its writes under Program Files into the user's VirtualStore; a 64-bit program is
# never virtualised and declares asInvoker.
set -euo pipefail
exe="$1"
tools=x86_64-w64-mingw32
command -v "$tools-objcopy" >/dev/null || tools=i686-w64-mingw32
resources=$(mktemp)
trap 'rm -f "$resources"' EXIT
"$tools-objcopy" -O binary --only-section=.rsrc "$exe" "$resources"
grep -aq 'Microsoft.Windows.Common-Controls' "$resources" || { echo "NO MANIFEST in $exe"; exit 1; }
case "$("$tools-objdump" -f "$exe")" in
  *pei-i386*)
    if grep -aq 'requestedExecutionLevel' "$resources"; then
      echo "32-bit program DECLARES AN EXECUTION LEVEL: Windows would not virtualise its file writes"
      exit 1
    fi
    echo "ok   32-bit, no execution level" ;;
  *pei-x86-64*)
    grep -aq 'requestedExecutionLevel level="asInvoker"' "$resources" || { echo "64-bit program NOT asInvoker"; exit 1; }
    echo "ok   64-bit, asInvoker" ;;
  *) echo "not a Windows program: $exe"; exit 1 ;;
esac
