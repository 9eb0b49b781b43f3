#!/usr/bin/env bash
# End-to-end scenarios: the real program under Wine, a simulated scanner on a pseudo-terminal
# mapped to COM5, and a target window that logs what it receives.
# Usage: scenarios.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

active="Tolvane (Active On COM5)"
cmd_settings=2003

expect_typed() {  # expected characters (od -c form), what
  local got
  got=$(typed)
  [ "$got" = "$1" ] || fail "$2: typed [$got], expected [$1]"
}


scan_and_wait() {  # bytes, characters expected in all
  scan "$1"
  wait_typed "$2" || fail "only $(grep -c '^char' "$keys" || true) characters arrived for $1"
  sleep 0.3  # nothing more may follow
}

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

scenario_translation_table() {
  start_scanning 'Postamble={TAB}\r\n'
  scan_and_wait 'a$b+~{}()[] ^z' 13
  expect_typed 'a b + ~ { } ( ) [ ] ^ z \t' "literal characters"
  grep -q '^down 120 ' "$keys" || fail "no F9 for the dollar sign"
  # F10 last: the target takes it as the menu key, which would swallow what follows.
  scan '%%'
  sleep 0.8
  grep -Eq '^(sys)?down 121 ' "$keys" || fail "no F10 for the percent sign"
}

scenario_remove_returns() {
  start_scanning 'RemoveReturns=1\r\nPostamble={TAB}\r\n'
  scan_and_wait 'X1\r\n' 3
  scan_and_wait 'X2\n\r' 6
  expect_typed 'X 1 \t X 2 \t' "trailing CR LF; of LF CR only the CR (a line feed types nothing)"
}

scenario_numeric_filter() {
  start_scanning 'NumericFilter=1\r\nPostamble={TAB}\r\n'
  scan_and_wait 'A-12.5X+,7\r\n' 7
  expect_typed '- 1 2 . 5 7 \t' "only digits, point and minus"
}

scenario_ignore_duplicates() {
  start_scanning 'IgnoreDups=1\r\nPostamble={TAB}\r\n'
  scan_and_wait 'A' 2
  scan 'A'
  sleep 0.6
  scan_and_wait 'B' 4
  scan_and_wait 'A' 6
  expect_typed 'A \t B \t A \t' "A, A, B, A"
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

scenario_scanner_beep() {
  start_scanning 'ScannerBeepString=27,7\r\nPostamble={TAB}\r\n'
  e2e_listen
  scan_and_wait 'A' 2
  scan_and_wait 'B' 4
  sleep 0.3
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

scenario_console_path() {
  start_scanning 'DOSTarget=1\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n'
  scan_and_wait 'Ab1+\r\n' 5
  expect_typed 'A b 1 + \r' "typed key by key"
  # Key by key: Shift pressed around the capital, scan codes from the layout, no Unicode events.
  grep -q '^down 16 42 ' "$keys" || fail "no Shift press"
  ! grep -q '^down 231 ' "$keys" || fail "a Unicode event on the console path"
}

scenario_date_time_fields() {
  start_scanning 'Postamble={HOUR}:{MINUTE} {YEAR}{ENTER}\r\n'
  local before after
  before=$(date +%H:%M)
  scan_and_wait 'T' 10
  after=$(date +%H:%M)
  local got
  got=$(awk '$1=="char" { printf "%c", $2 + 0 }' "$keys" | tr -d '\r')
  [ "$got" = "T$before $(date +%y)" ] || [ "$got" = "T$after $(date +%y)" ] || fail "date and time typed as [$got]"
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
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nPostamble=first\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  local before
  before=$(md5sum < "$folder/default.tlv")
  e2e_start "$folder"
  driver wait "Tolvane" 30 || fail "no message box"
  driver texts "Tolvane" | grep -q "Tolvane is already running." || fail "message text"
  driver close "Tolvane"
  driver gone "Tolvane" 20 || fail "the second copy did not end"
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

# The start-at-logon command as UTF-8. reg query prints through the OEM code page, which
# turns most characters outside ASCII into '?'; an exported key is UTF-16.
runonce() {
  local reg="$work/runonce.reg"
  rm -f "$reg"
  wine reg export 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' "$(winepath -w "$reg")" /y >/dev/null 2>&1 || true
  [ -f "$reg" ] || return 0
  iconv -f UTF-16 -t UTF-8 "$reg" | tr -d '\r' | sed -n 's/^"Tolvane"="\(.*\)"$/\1/p' | sed 's/\\\(.\)/\1/g'
}

scenario_exit_writes_file_and_startup_entry() {
  e2e_serial 5
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v Tolvane /f >/dev/null 2>&1 || true
  folder=$(e2e_install normal '[Tolvane]\r\nAutoLoad=1\r\n')
  e2e_start "$folder"
  wait_caption "Tolvane (Inactive)" 60
  driver close "Tolvane (Inactive)"; driver gone "Tolvane (Inactive)" 30 || fail "no exit"
  sleep 0.5
  [ "$(grep -c '=' "$folder/default.tlv")" -eq 270 ] || fail "default.tlv is not complete"
  case "$(runonce)" in *'\normal\Tolvane.EXE') ;; *) fail "RunOnce is [$(runonce)]" ;; esac

  folder=$(e2e_install minimised '[Tolvane]\r\nAutoLoad=1\r\n')
  e2e_start "$folder" /M
  wait_caption "Tolvane (Inactive)" 60
  driver close "Tolvane (Inactive)"; driver gone "Tolvane (Inactive)" 30 || fail "no exit"
  case "$(runonce)" in *'\minimised\Tolvane.EXE /M') ;; *) fail "RunOnce after a minimised exit is [$(runonce)]" ;; esac
  grep -q '^WindowState=1' "$folder/default.tlv" || fail "WindowState 1 not written"

  folder=$(e2e_install unchecked '[Tolvane]\r\nAutoLoad=0\r\n')
  e2e_start "$folder"
  wait_caption "Tolvane (Inactive)" 60
  driver close "Tolvane (Inactive)"; driver gone "Tolvane (Inactive)" 30 || fail "no exit"
  [ -z "$(runonce)" ] || fail "RunOnce still there when unchecked"
}

# A folder name outside the ANSI code page: the file beside the program is found and rewritten,
# and the start-at-logon command names the folder as it is.
scenario_folder_outside_the_code_page() {
  e2e_serial 5
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v Tolvane /f >/dev/null 2>&1 || true
  folder=$(e2e_install 'TΩlvane Ж' '[Tolvane]\r\nComPort=5\r\nAutoLoad=1\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  driver close "$active"; driver gone "$active" 30 || fail "no exit"
  sleep 0.5
  [ "$(grep -c '=' "$folder/default.tlv")" -eq 270 ] || fail "default.tlv is not complete"
  case "$(runonce)" in '"'*'\TΩlvane Ж\Tolvane.EXE"') ;; *) fail "RunOnce is [$(runonce)]" ;; esac
}

scenario_settings_dialog_reconfigures_port() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nSettings=9600,N,8,1\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  stty -F "$work/tty5" -a | grep -q 'speed 9600' || fail "not at 9600 baud"
  driver command "$active" $cmd_settings
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
  driver close "$active"; driver gone "$active" 30
  grep -q '^Settings=19200,E,8,1' "$folder/default.tlv" || fail "settings not saved"
}

scenario_character_outside_ascii() {
  start_scanning 'Postamble={TAB}\r\n'
  scan_and_wait '\351t\351' 4
  expect_typed '351 t 351 \t' "e with acute accent"
}

"scenario_$2"
echo "scenario $2 passed"
