#!/usr/bin/env bash
# The Windows serial control under Wine against a pseudo-terminal pair: COM5 is the port it
# reads; the scanner's end of the line goes by its path on drive Z:, which is Wine's root. The
# program asks for the line to be pulled and plugged in again; everything else it says is shown.
# Wine's own messages are kept apart: its server lists every object it has when the line hangs up.
# Usage: serial.sh <build-dir> <case>
set -euo pipefail
shopt -s lastpipe  # the loop below runs in this shell, which keeps track of socat
source "$(dirname "$0")/../e2e/lib.sh"
e2e_setup "$1"
wine "$build/tests/wine/serial_control_test.exe" "$2" "Z:$scanner" "Z:$work/tty$port" 2> "$work/wine.log" |
  while IFS= read -r line; do
    case "${line%$'\r'}" in
      "bed: unplug") e2e_unplug ;;
      "bed: replug") e2e_replug ;;
      *) printf '%s\n' "${line%$'\r'}" ;;
    esac
  done || { echo "Wine said, at the end:"; tail -n 20 "$work/wine.log"; exit 1; }
