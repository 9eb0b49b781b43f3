#!/usr/bin/env bash
# The program's windows, files and life under Wine, with a simulated scanner on COM5: every dialog (screenshots in
# build/screenshots/), the port chosen, captions, a second copy, exit and logoff, the settings dialog, the password,
# the notification area.
# Usage: scenarios.sh <build-dir> <scenario>
source "$(dirname "$0")/lib.sh"
dialog="Tolvane Serial Port Settings"

# It starts without a configuration file, opens and closes its dialogs and closes on WM_CLOSE. Restoring from the
# notification area ("Open Tolvane") asks for the password.
scenario_smoke() {
  e2e_start "$(e2e_install smoke)"
  wait_caption "$inactive" 120
  sleep 2  # the splash's place is repainted
  screenshot main-window
  shot_dialog 2003 "$dialog" settings-dialog "Scanner Beep String:"
  shot_dialog 2001 "Tolvane Password" set-password-dialog "Password"
  shot_dialog 2007 "About Tolvane" about-box "Tolvane For Bar Code Readers"
  e2e_close "$inactive"
  launch locked 'Password=pw\r\n' "$inactive" /M
  sleep 0.5
  shot_dialog 2009 "Tolvane Password" enter-password-dialog "Enter Password:"
  e2e_close "$inactive"
}
shot_dialog() {  # menu command, caption, screenshot name, a text it shows
  menu "$inactive" "$1" "$2"
  sleep 0.5
  screenshot "$3"
  driver texts "$2" | grep -qF "$4" || fail "$2 does not show \"$4\""
  e2e_close "$2"
}

# Scans bytes and checks the text the main window's Display box shows for them (controls are numbered from 100 in
# tab order).
shows() {
  scan "$1"
  sleep 1.5
  local got; got=$(driver texts "$active" | awk -F'|' '$3=="id=117" { print $2; exit }')
  [ "$got" = "$2" ] || fail "Display shows [$got], expected [$2]"
}

scenario_choose_port_and_scan() {
  launch app 'Postamble={ENTER}\r\nRemoveReturns=1\r\n' "$inactive"
  driver select "$inactive" 2 5  # the third drop-down list is the port chooser
  wait_caption "$active"
  shows '0123456789012\r\n' "0123456789012{ENTER}"
  e2e_target
  step 'AB12\r\n' 'A B 1 2 \r'
  screenshot scan-typed
}

# With Tolvane itself in front a scan is shown, not typed: no key is injected anywhere on the desktop while it arrives
# (its keys would go to Tolvane's own window, never to the target). A received 0 is shown like any other character.
# With the target in front, the same scan is typed, and the watch sees its keys.
scenario_own_window_active() {
  e2e_target
  launch app 'ComPort=5\r\nPostamble={ENTER}\r\n' "$active"  # shown normally, it is active
  sleep 0.5
  [ "$(driver front)" = "$active" ] || fail "premise: [$(driver front)] is in front"
  watch_keys 5
  shows 'SE\000EN' "SE EN{ENTER}"
  wait "$watch"
  ! watched | grep -q ' 1$' || fail "keys injected while Tolvane was in front: $(watched | grep -c ' 1$')"
  [ "$(chars)" -eq 0 ] || fail "typed into the target while Tolvane was active"
  driver activate "Tolvane Target"
  sleep 0.5
  [ "$(driver front)" = "Tolvane Target" ] || fail "premise: [$(driver front)] is in front"
  watch_keys 4
  step 'SE\000EN' 'S E E N \r'
  wait "$watch"
  watched | grep -q '^down 83 1$' || fail "premise: the watch saw no injected S: $(watched | head -5)"
}
# Every key event of the desktop for s seconds, from when the watch is ready; watched gives them. Not through driver,
# whose output would come only at its end.
watch_keys() {
  wine "$build/tests/e2e/tolvane-driver.exe" watch-keys "$1" > "$work/watch" &
  watch=$!
  poll 100 grep -q '^ready' "$work/watch" || fail "no key watch"
}
watched() { tr -d '\r' < "$work/watch"; }

scenario_captions() {
  launch app 'ComPort=7\r\n' ''
  error_caption 60
  [[ "$caption" == *")" ]] || fail "failed open shows [$caption]"
  driver select "$caption" 2 5
  wait_caption "$active"
  driver select "$active" 2 0
  wait_caption "$inactive"
}

scenario_second_instance() {
  launch app 'ComPort=5\r\n' "$active"
  local before; before=$(md5sum < "$folder/default.tlv")
  e2e_start "$folder"
  driver wait Tolvane 30 || fail "no message box"
  driver texts Tolvane | grep -q "Tolvane is already running." || fail "message text"
  e2e_close Tolvane
  sleep 0.5
  [ "$(md5sum < "$folder/default.tlv")" = "$before" ] || fail "the second copy touched default.tlv"
  driver wait "$active" 5 || fail "the first copy is gone"
}

# The start-at-logon command as UTF-8, into $entry (empty when there is none). reg query prints through the OEM code
# page, which turns most characters outside ASCII into '?'; an exported key is UTF-16. An export that fails, or a file
# that is not the key's, fails the test: it would read as no entry.
runonce() {
  rm -f "$work/runonce.reg"
  wine reg export "$run" "$(winepath -w "$work/runonce.reg")" /y >/dev/null 2>&1 || fail "the RunOnce key was not exported"
  local text; text=$(iconv -f UTF-16 -t UTF-8 "$work/runonce.reg" | tr -d '\r')
  grep -qxF "[${run/HKCU/HKEY_CURRENT_USER}]" <<< "$text" || fail "the export holds no RunOnce key: [$text]"
  entry=$(sed -n 's/^"Tolvane"="\(.*\)"$/\1/p' <<< "$text" | sed 's/\\\(.\)/\1/g')
}
run='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'

# Started from a folder of this name, closed: the file is written whole and the start-at-logon
# command is the one given (a pattern).
run_and_exit() {  # folder, configuration lines, caption, command, arguments...
  launch "$1" "$2" "$3" "${@:5}"
  e2e_close "$3"
  sleep 0.5
  complete
  runonce
  # shellcheck disable=SC2053
  [[ "$entry" == $4 ]] || fail "RunOnce is [$entry]"
}

# Exit writes the whole file and the start-at-logon entry (" /M" after a minimised run, none when unchecked); a folder
# outside the ANSI code page is found, rewritten and named as it is. At logoff with Tolvane in the notification area the
# same happens; Windows deletes the entry when it runs it.
scenario_exit_writes_file_and_startup_entry() {
  wine reg delete "$run" /v Tolvane /f >/dev/null 2>&1 || true
  reg_add "$run"  # the key itself, which a new prefix may lack
  run_and_exit 'TΩlvane Ж' 'ComPort=5\r\nAutoLoad=1\r\n' "$active" '"*\\TΩlvane Ж\\Tolvane.EXE"'
  run_and_exit minimised 'AutoLoad=1\r\n' "$inactive" '*\\minimised\\Tolvane.EXE /M' /M
  grep -q '^WindowState=1' "$folder/default.tlv" || fail "WindowState 1 not written"
  run_and_exit unchecked 'AutoLoad=0\r\n' "$inactive" ''
  launch app 'ComPort=5\r\nAutoLoad=1\r\n' "$active" /M
  wine wineboot --end-session >/dev/null 2>&1
  driver gone "$active" 20 || fail "Tolvane still runs after the session ended"
  complete
  runonce
  [[ "$entry" == *'\app\Tolvane.EXE /M' ]] || fail "RunOnce after logoff is [$entry]"
}

# A scan with the settings dialog in front is shown, not typed (its Enter would press OK); closed, the dialog changes
# nothing; with OK (the user's Enter), the open port is reconfigured and the settings saved.
scenario_settings_dialog() {
  launch app 'ComPort=5\r\nPostamble={ENTER}\r\nSettings=9600,N,8,1\r\n' "$active"
  menu "$active" 2003 "$dialog"
  sleep 0.5
  shows XYZ "XYZ{ENTER}"
  driver wait "$dialog" 1 || fail "the scan's Enter closed the settings dialog"
  e2e_close "$dialog"
  sleep 0.5
  speed 9600
  menu "$active" 2003 "$dialog"
  driver select "$dialog" 0 7  # 19200
  driver select "$dialog" 1 2  # Even
  [ "$(driver front)" = "$dialog" ] || fail "premise: [$(driver front)] is in front"
  driver key tap 13  # Enter: OK
  driver gone "$dialog" 20 || fail "the dialog stayed"
  sleep 0.5
  speed 19200  # a pseudo-terminal keeps no parity; the saved settings show it
  e2e_close "$active"
  grep -q '^Settings=19200,E,8,1' "$folder/default.tlv" || fail "settings not saved"
}
# The line's speed as Wine set it on its end.
speed() { stty -F "$work/tty5" | grep -q "speed $1 baud" || fail "the port is not at $1 baud"; }

# The timer stops when a port cannot be opened; the password must be asked all the same.
scenario_password_after_failed_open() {
  launch app 'ComPort=9\r\nPassword=pw\r\nWindowState=1\r\n' ''
  error_caption 60
  driver syscommand "$caption" 61728  # SC_RESTORE
  driver wait "Tolvane Password" 10 || fail "restored by the system menu without the password"
  e2e_close "Tolvane Password" 10
  sleep 0.5
  driver hidden "$caption" || fail "shown without the password"
  menu "$caption" 2009 "Tolvane Password" 10  # "Open Tolvane" asks for it too
}

# Started minimised, the window stays hidden with its icon in the notification area; when
# Explorer starts again with an empty notification area, the icon comes back.
scenario_minimised_start_and_explorer_restart() {
  launch app 'ComPort=5\r\nWindowState=0\r\n' "$active" /M
  driver hidden "$active" || fail "the main window is shown"
  screenshot minimised-start
  local before; before=$(driver tray-icons)
  [ "$before" -ge 1 ] || fail "no icon at start"
  driver drop-icon "$active"
  sleep 0.5
  [ "$(driver tray-icons)" -eq $((before - 1)) ] || fail "the icon was not removed"
  driver taskbar-created
  sleep 1
  [ "$(driver tray-icons)" -eq "$before" ] || fail "the icon did not come back"
}

e2e_main "$@"
