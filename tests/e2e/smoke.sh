#!/usr/bin/env bash
# Smoke test of the Windows program under Wine: it starts, opens and closes its dialogs and
# closes on WM_CLOSE; a screenshot of every window goes to build/screenshots/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

folder=$(e2e_install smoke)
e2e_start "$folder"
driver wait "$inactive" 120 || fail "the main window did not appear"
sleep 2  # the splash's place is repainted
screenshot main-window

shot_dialog() {  # menu command, caption, screenshot name, a text it shows
  driver command "$inactive" "$1"
  driver wait "$2" 20 || fail "$2 did not open"
  sleep 0.5
  screenshot "$3"
  driver texts "$2" | grep -qF "$4" || fail "$2 does not show \"$4\""
  e2e_close "$2"
}
shot_dialog 2003 "Tolvane Serial Port Settings" settings-dialog "Scanner Beep String:"
shot_dialog 2001 "Tolvane Password" set-password-dialog "Password"
shot_dialog 2007 "About Tolvane" about-box "Tolvane For Bar Code Readers"
e2e_close "$inactive"

# Restoring from the notification area ("Open Tolvane") asks for the password.
launch locked 'Password=pw\r\n' "$inactive" /M
sleep 0.5
shot_dialog 2009 "Tolvane Password" enter-password-dialog "Enter Password:"
e2e_close "$inactive"
echo "smoke test passed; screenshots in $shots"
