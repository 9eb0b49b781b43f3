#!/usr/bin/env bash
# The Windows serial control under Wine against a pseudo-terminal pair: COM5 is the port it
# reads, COM6 the scanner's end of the line.
# Usage: serial.sh <build-dir> <case>
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_setup "$1"
e2e_serial 5
reg_add 'HKLM\Software\Wine\Ports' /v COM6 /d "$scanner"
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wine "$build/tests/wine/serial_control_test.exe" "$2" | tr -d '\r'
