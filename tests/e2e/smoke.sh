#!/usr/bin/env bash
# Smoke test of the Windows program under Wine: it starts, shows its windows, closes on
# WM_CLOSE and leaves a complete default.tlv. Screenshots go to build/screenshots/.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

# Menu commands by position in the main window's menu table.
cmd_password=2001 cmd_settings=2003 cmd_about=2007 cmd_open=2009

folder=$(e2e_install smoke)
e2e_start "$folder"
driver wait "Tolvane (Inactive)" 120 || fail "the main window did not appear"
sleep 2  # the splash's place is repainted
screenshot main-window

open_dialog() {  # command, caption, screenshot name
  driver command "Tolvane (Inactive)" "$1"
  driver wait "$2" 20 || fail "$2 did not open"
  sleep 0.5
  screenshot "$3"
  driver texts "$2" > "$work/$3.txt"
  driver close "$2"
  driver gone "$2" 20 || fail "$2 did not close"
}
open_dialog $cmd_settings "Tolvane Serial Port Settings" settings-dialog
grep -q "Scanner Beep String:" "$work/settings-dialog.txt" || fail "settings dialog texts"
open_dialog $cmd_password "Tolvane Password" set-password-dialog
open_dialog $cmd_about "About Tolvane" about-box
grep -q "Tolvane For Bar Code Readers" "$work/about-box.txt" || fail "about box texts"

driver close "Tolvane (Inactive)"
driver gone "Tolvane (Inactive)" 30 || fail "the program did not end on WM_CLOSE"
sleep 0.5
[ -f "$folder/default.tlv" ] || fail "no default.tlv written"
keys=$(grep -c '=' "$folder/default.tlv")
[ "$keys" -eq 270 ] || fail "default.tlv has $keys keys, not 270"
head -1 "$folder/default.tlv" | grep -q '^\[Tolvane\]' || fail "default.tlv section"

# Restoring from the notification area asks for the password.
folder=$(e2e_install locked '[Tolvane]\r\nPassword=pw\r\n')
e2e_start "$folder" /M
driver wait "Tolvane (Inactive)" 60 || fail "the minimised start did not come up"
sleep 0.5
driver command "Tolvane (Inactive)" $cmd_open
driver wait "Tolvane Password" 20 || fail "no password asked on restore"
sleep 0.5
screenshot enter-password-dialog
driver close "Tolvane Password"
driver gone "Tolvane Password" 20
driver close "Tolvane (Inactive)"
driver gone "Tolvane (Inactive)" 30 || fail "the minimised program did not end"
grep -q '^WindowState=1' "$folder/default.tlv" || fail "WindowState 1 not saved after a minimised run"
echo "smoke test passed; screenshots in $shots"
