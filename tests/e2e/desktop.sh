#!/usr/bin/env bash
# The real program through a desktop's day under Wine: the session ends, Explorer restarts,
# a restore after a failed open, scans while one of Tolvane's own dialogs is in front.
# Usage: desktop.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

active="Tolvane (Active On COM5)"
cmd_settings=2003 cmd_open=2009
sc_restore=61728

# Logoff with Tolvane in the notification area: the file is saved whole and the start-at-logon
# entry is written again (Windows deletes it when it runs it).
scenario_session_end() {
  e2e_serial 5
  runonce_clear
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nAutoLoad=1\r\n')
  e2e_start "$folder" /M
  wait_caption "$active" 60
  wine wineboot --end-session >/dev/null 2>&1
  driver gone "$active" 20 || fail "Tolvane still runs after the session ended"
  [ "$(grep -c '=' "$folder/default.tlv")" -eq 270 ] || fail "default.tlv has $(grep -c '=' "$folder/default.tlv") keys"
  case "$(runonce)" in *'\app\Tolvane.EXE /M') ;; *) fail "RunOnce is [$(runonce)]" ;; esac
}

# The timer stops when a port cannot be opened; the password must be asked all the same.
scenario_password_after_failed_open() {
  folder=$(e2e_install app '[Tolvane]\r\nComPort=9\r\nPassword=pw\r\nWindowState=1\r\n')
  e2e_start "$folder"
  local caption
  caption=$(driver caption "Tolvane (Error: " 60) || fail "no error caption"
  driver syscommand "$caption" $sc_restore
  driver wait "Tolvane Password" 10 || fail "restored by the system menu without the password"
  driver close "Tolvane Password"
  driver gone "Tolvane Password" 10 || fail "the password dialog stayed"
  sleep 0.5
  driver list | grep -F "|$caption|visible=0|" >/dev/null || fail "shown without the password"
  driver command "$caption" $cmd_open
  driver wait "Tolvane Password" 10 || fail "restored by \"Open Tolvane\" without the password"
}

# A scan with the settings dialog in front is shown, not typed: Enter would press OK.
scenario_own_dialog_in_front() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nPostamble={ENTER}\r\nSettings=9600,N,8,1\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  driver command "$active" $cmd_settings
  driver wait "Tolvane Serial Port Settings" 20 || fail "no settings dialog"
  sleep 0.5
  scan 'XYZ'
  sleep 1.5
  driver wait "Tolvane Serial Port Settings" 1 || fail "the scan's Enter closed the settings dialog"
  [ "$(display_text "$active")" = "XYZ{ENTER}" ] || fail "Display shows [$(display_text "$active")]"
  driver close "Tolvane Serial Port Settings"
  driver gone "Tolvane Serial Port Settings" 10
  driver close "$active"; driver gone "$active" 30
  grep -q '^Settings=9600,N,8,1' "$folder/default.tlv" || fail "the settings changed: $(grep '^Settings' "$folder/default.tlv")"
}

# Explorer starts again with an empty notification area; the icon comes back.
scenario_explorer_restart() {
  folder=$(e2e_install app '[Tolvane]\r\n')
  e2e_start "$folder" /M
  wait_caption "Tolvane (Inactive)" 60
  sleep 0.5
  local before
  before=$(driver tray-icons)
  [ "$before" -ge 1 ] || fail "no icon at start"
  driver drop-icon "Tolvane (Inactive)"
  sleep 0.5
  [ "$(driver tray-icons)" -eq $((before - 1)) ] || fail "the icon was not removed"
  driver taskbar-created
  sleep 1
  [ "$(driver tray-icons)" -eq "$before" ] || fail "the icon did not come back"
}

# A received 0 is a character like any other: the rest of the record is shown.
scenario_display_keeps_byte_0() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nPostamble={TAB}\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  scan 'A\000B'
  sleep 1
  [ "$(display_text "$active")" = "A B{TAB}" ] || fail "Display shows [$(display_text "$active")]"
}

"scenario_$2"
echo "scenario $2 passed"
