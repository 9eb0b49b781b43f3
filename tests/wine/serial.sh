#!/usr/bin/env bash
# The Windows serial control under Wine against a pseudo-terminal pair: COM5 is the port it
# reads, COM6 the scanner's end of the line (named before e2e_serial restarts Wine).
# Usage: serial.sh <build-dir> <case>
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_setup "$1"
reg_add 'HKLM\Software\Wine\Ports' /v COM6 /d "$work/scanner5"
e2e_serial 5
wine "$build/tests/wine/serial_control_test.exe" "$2" | tr -d '\r'
