#!/usr/bin/env bash
# End-to-end scenarios: the real program under Wine, a simulated scanner on a pseudo-terminal
# mapped to COM5, and a target window that logs what it receives.
# Usage: scenarios.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

active="Tolvane (Active On COM5)"

scenario_choose_port_and_scan() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n')
  e2e_start "$folder"
  wait_caption "Tolvane (Inactive)" 60
  driver select "Tolvane (Inactive)" 2 5  # the third drop-down list is the port chooser
  wait_caption "$active"
  scan '0123456789012\r\n'
  sleep 1
  [ "$(display_text "$active")" = "0123456789012{ENTER}" ] || fail "the record is not shown"
  e2e_target
  scan_and_wait 'AB12\r\n' 5
  expect_typed 'A B 1 2 \r' "the scan with its postamble"
  screenshot scan-typed
}

# What the translation table types, a character outside ASCII included; F10 last, because
# the target takes it as the menu key, which would swallow what follows.
scenario_translation_table() {
  start_scanning 'Postamble={TAB}\r\n'
  scan_and_wait 'a$b+~{}()[] ^z\351' 14
  expect_typed 'a b + ~ { } ( ) [ ] ^ z 351 \t' "literal characters"
  grep -q '^down 120 ' "$keys" || fail "no F9 for the dollar sign"
  scan '%%'
  sleep 0.8
  grep -Eq '^(sys)?down 121 ' "$keys" || fail "no F10 for the percent sign"
}

# Trailing CR LF removed (of LF CR only the CR; a line feed types nothing); a repeated record
# ignored, but typed again after another.
scenario_clean_up() {
  start_scanning 'RemoveReturns=1\r\nIgnoreDups=1\r\nPostamble={TAB}\r\n'
  scan_and_wait 'X1\r\n' 3
  scan 'X1\r\n'; sleep 0.6
  scan_and_wait 'B' 5
  scan_and_wait 'X1\n\r' 8
  expect_typed 'X 1 \t B \t X 1 \t' "X1, X1, B, X1 with line endings"
}

# Only digits, point and minus; date and time fields of the postamble from the clock.
scenario_numeric_filter_and_fields() {
  start_scanning 'NumericFilter=1\r\nPostamble={HOUR}:{MINUTE} {YEAR}{ENTER}\r\n'
  local before after got
  before=$(date +%H:%M)
  scan_and_wait 'A-12.5X+,7' 15
  after=$(date +%H:%M)
  got=$(awk '$1=="char" { printf "%c", $2 + 0 }' "$keys" | tr -d '\r')
  [ "$got" = "-12.57$before $(date +%y)" ] || [ "$got" = "-12.57$after $(date +%y)" ] || fail "typed [$got]"
}

scenario_framing() {
  start_scanning 'Postamble={TAB}\r\n'
  scan 'AB'; sleep 0.06; scan 'CD'
  wait_typed 5 || fail "the joined record did not arrive"
  sleep 0.5
  scan 'EF'; sleep 0.4; scan 'GH'
  wait_typed 11 || fail "the separate records did not arrive"
  sleep 0.3
  expect_typed 'A B C D \t E F \t G H \t' "60 ms apart joins, 400 ms apart separates"
}

# The acknowledgement bytes after each record; with Opto-RS, a query and every second record.
scenario_scanner_beep() {
  start_scanning 'ScannerBeepString=27,7\r\nPostamble={TAB}\r\n'
  e2e_listen
  scan_and_wait 'A' 2
  scan_and_wait 'B' 4
  [ "$(heard)" = '033 \a 033 \a' ] || fail "beep bytes [$(heard)]"
}

scenario_opto_rs() {
  start_scanning 'Handshake=3\r\nPostamble={TAB}\r\n'
  e2e_listen
  scan_and_wait 'A' 2
  scan 'B'; sleep 0.6
  scan_and_wait 'C' 4
  scan 'D'; sleep 0.6
  expect_typed 'A \t C \t' "every second record dropped"
  [ "$(heard)" = '? \r ? \r' ] || fail "queries [$(heard)]"
}

# Key by key: Shift around the capital, scan codes from the layout, no Unicode events.
scenario_console_path() {
  start_scanning 'DOSTarget=1\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n'
  scan_and_wait 'Ab1+\r\n' 5
  expect_typed 'A b 1 + \r' "typed key by key"
  grep -q '^down 16 42 ' "$keys" || fail "no Shift press"
  ! grep -q '^down 231 ' "$keys" || fail "a Unicode event on the console path"
}

scenario_own_window_active() {
  e2e_serial 5
  e2e_target
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nPostamble={ENTER}\r\n')
  e2e_start "$folder"  # shown normally, it becomes the active window
  wait_caption "$active" 60
  sleep 0.5
  scan 'SEEN'
  sleep 1
  [ "$(grep -c '^char' "$keys" || true)" -eq 0 ] || fail "typed into the target while Tolvane was active"
  [ "$(display_text "$active")" = "SEEN{ENTER}" ] || fail "Display shows [$(display_text "$active")]"
}

scenario_captions() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=7\r\n')
  e2e_start "$folder"
  local caption
  caption=$(driver caption "Tolvane (Error: " 60) || fail "no error caption for a port that does not exist"
  case "$caption" in "Tolvane (Error: "*")") ;; *) fail "failed open shows [$caption]" ;; esac
  driver select "$caption" 2 5
  wait_caption "$active"
  driver select "$active" 2 0
  wait_caption "Tolvane (Inactive)"
}

scenario_second_instance() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  local before; before=$(md5sum < "$folder/default.tlv")
  e2e_start "$folder"
  driver wait "Tolvane" 30 || fail "no message box"
  driver texts "Tolvane" | grep -q "Tolvane is already running." || fail "message text"
  e2e_close "Tolvane"
  sleep 0.5
  [ "$(md5sum < "$folder/default.tlv")" = "$before" ] || fail "the second copy touched default.tlv"
  driver wait "$active" 5 || fail "the first copy is gone"
}

scenario_minimised_start() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nWindowState=0\r\n')
  e2e_start "$folder" /M
  wait_caption "$active" 60
  driver list | grep -F "|$active|visible=0|" >/dev/null || fail "the main window is shown"
  screenshot minimised-start
}

# Starts from a folder of this name with a file, exits, and checks the file and RunOnce.
run_and_exit() {  # folder, file, caption, expected RunOnce (a case pattern), arguments...
  local name="$1" file="$2" caption="$3" pattern="$4"; shift 4
  folder=$(e2e_install "$name" "$file")
  e2e_start "$folder" "$@"
  wait_caption "$caption" 60
  e2e_close "$caption"
  sleep 0.5
  [ "$(grep -c '=' "$folder/default.tlv")" -eq 270 ] || fail "default.tlv is not complete"
  # shellcheck disable=SC2254
  case "$(runonce)" in $pattern) ;; *) fail "RunOnce is [$(runonce)]" ;; esac
}

# Exit writes the whole file and the start-at-logon entry (" /M" after a minimised run, none
# when unchecked); a folder outside the ANSI code page is found, rewritten and named as it is.
scenario_exit_writes_file_and_startup_entry() {
  e2e_serial 5
  runonce_clear
  local inactive="Tolvane (Inactive)"
  run_and_exit normal '[Tolvane]\r\nAutoLoad=1\r\n' "$inactive" '*\\normal\\Tolvane.EXE'
  run_and_exit minimised '[Tolvane]\r\nAutoLoad=1\r\n' "$inactive" '*\\minimised\\Tolvane.EXE /M' /M
  grep -q '^WindowState=1' "$folder/default.tlv" || fail "WindowState 1 not written"
  run_and_exit unchecked '[Tolvane]\r\nAutoLoad=0\r\n' "$inactive" ''
  run_and_exit 'TΩlvane Ж' '[Tolvane]\r\nComPort=5\r\nAutoLoad=1\r\n' "$active" '"*\\TΩlvane Ж\\Tolvane.EXE"'
}

scenario_settings_dialog_reconfigures_port() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nSettings=9600,N,8,1\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  stty -F "$work/tty5" -a | grep -q 'speed 9600' || fail "not at 9600 baud"
  driver command "$active" 2003
  driver wait "Tolvane Serial Port Settings" 20 || fail "no settings dialog"
  driver select "Tolvane Serial Port Settings" 0 7  # 19200
  driver select "Tolvane Serial Port Settings" 1 2  # Even
  sleep 0.3
  driver command "Tolvane Serial Port Settings" 1   # Enter: OK
  driver gone "Tolvane Serial Port Settings" 20 || fail "the dialog stayed"
  sleep 0.5
  stty -F "$work/tty5" -a | grep -q 'speed 19200' || fail "the open port was not reconfigured"
  stty -F "$work/tty5" -a | grep -qw 'parenb' || fail "parity not applied"
  wait_caption "$active"
  e2e_close "$active"
  grep -q '^Settings=19200,E,8,1' "$folder/default.tlv" || fail "settings not saved"
}

"scenario_$2"
echo "scenario $2 passed"
