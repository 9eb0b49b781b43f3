#!/usr/bin/env bash
# The Windows serial control under Wine against a pseudo-terminal pair: COM5 is the port it
# reads; the scanner's end of the line goes by its path on drive Z:, which is Wine's root.
# Usage: serial.sh <build-dir> <case>
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_setup "$1"
wine "$build/tests/wine/serial_control_test.exe" "$2" "Z:$scanner" | tr -d '\r'
