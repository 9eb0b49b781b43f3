#!/usr/bin/env bash
# Tolvane.exe's manifest. The 32-bit program declares no execution level, so Windows virtualises
# its writes under Program Files into the user's VirtualStore; a 64-bit program is never
# virtualised and declares asInvoker. Both declare every Windows from Vista to 10 and 11 (without
# them Windows applies Vista's compatibility) and per-monitor DPI awareness, version 2.
set -euo pipefail
exe="$1"
tools=x86_64-w64-mingw32
command -v "$tools-objcopy" >/dev/null || tools=i686-w64-mingw32
resources=$(mktemp)
trap 'rm -f "$resources"' EXIT
"$tools-objcopy" -O binary --only-section=.rsrc "$exe" "$resources"
grep -aq 'Microsoft.Windows.Common-Controls' "$resources" || { echo "NO MANIFEST in $exe"; exit 1; }
# Vista, 7, 8, 8.1, 10 and 11.
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -aq "<supportedOS Id=\"{$os}\"/>" "$resources" || { echo "supportedOS {$os} NOT DECLARED"; exit 1; }
done
grep -aq '>PerMonitorV2, PerMonitor</dpiAwareness>' "$resources" || { echo "NOT PER-MONITOR (V2) DPI AWARE"; exit 1; }
echo "ok   every Windows from Vista on, per-monitor DPI aware (v2)"
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
