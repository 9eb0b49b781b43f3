#!/usr/bin/env bash
# End-to-end scenarios: the real program under Wine, a simulated scanner on a pseudo-terminal
# mapped to COM5, and a target window that logs what it receives.
# Usage: scenarios.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

expect_typed() {  # expected characters (od -c form), what
  local got
  got=$(typed)
  [ "$got" = "$1" ] || fail "$2: typed [$got], expected [$1]"
}

# A user chooses the port in the window, scans, and sees the record in the window and in the
# application that has the focus.
scenario_choose_port_and_scan() {
  e2e_serial 5
  local folder
  folder=$(e2e_install app '[Tolvane]\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n')
  e2e_start "$folder"
  driver wait "Tolvane (Inactive)" 60 || fail "no main window"
  driver select "Tolvane (Inactive)" 2 5
  driver wait "Tolvane (Active On COM5)" 20 || fail "COM5 did not open"
  scan '0123456789012\r\n'
  sleep 1
  driver texts "Tolvane (Active On COM5)" | grep -q '^Edit|0123456789012{ENTER}|' || fail "the record is not shown"
  e2e_target
  scan 'AB12\r\n'
  wait_typed 5 || fail "nothing typed into the target"
  expect_typed 'A B 1 2 \r' "the scan with its postamble"
  screenshot scan-typed
}

"scenario_$2"
echo "scenario $2 passed"
