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

# Ports above COM16 (USB-serial adapters, Bluetooth) as the system lists them: rows after COM16 in number order, the
# file's ComPort=23 opened and scanned from; a port the system lacks is kept as the file has it, in a row of its own.
scenario_ports_above_16() {
  local n
  for n in 23 100; do reg_add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$work/tty$port"; done
  wine_restart  # the port map is made as Wine starts
  wine reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' | tr -d '\r' | grep -q 'COM23$' || fail "COM23 is not in the system's list"
  launch app 'ComPort=23\r\nPostamble={TAB}\r\n' "Tolvane (Active On COM23)" /M
  e2e_target
  step 'P23' 'P 2 3 \t'
  e2e_close "Tolvane (Active On COM23)"
  grep -q '^ComPort=23' "$folder/default.tlv" || fail "ComPort=23 not saved"
  launch app 'ComPort=40\r\n' ''
  error_caption 60
  [ "$(driver rows "$caption" 2 | tr -d '\r' | tail -n +17 | paste -sd ' ')" = "COM16 COM23 COM40 COM100" ] ||
    fail "the rows after COM15 are [$(driver rows "$caption" 2 | tail -n +17 | paste -sd ' ')]"
  e2e_close "$caption"
  grep -q '^ComPort=40' "$folder/default.tlv" || fail "ComPort=40 not kept"
  for n in 23 100; do wine reg delete 'HKLM\Software\Wine\Ports' /v "COM$n" /f >/dev/null 2>&1 || true; done
}

scenario_second_instance() {
  launch app 'ComPort=5\r\n' "$active"
  local before; before=$(md5sum < "$folder/default.tlv")
  (cd "$folder" && exec wine Tolvane.exe > /dev/null 2> "$work/second.err") & local second=$! && pids+=($!)
  driver wait Tolvane 60 || {
    local state="still running"
    kill -0 "$second" 2>/dev/null || { wait "$second" && state="ended" || state="ended with status $?"; }
    fail "no message box; the second copy $state, saying [$(tail -c 500 "$work/second.err")]; windows: $(driver titles | paste -sd ' ')"
  }
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

# At logon the start-at-logon entry runs the program hidden while Explorer is still starting and refuses notification
# icons. The window stays hidden and the icon is tried again; a window hidden for a minute without an icon is shown;
# the icon comes once the shell takes it.
scenario_icon_while_the_shell_starts() {
  local icons; icons=$(driver tray-icons)
  wine "$build/tests/e2e/tolvane-driver.exe" shell-starting 75 > "$work/shell" & pids+=($!)
  poll 100 grep -q ready "$work/shell" || fail "no starting shell"
  launch app 'ComPort=5\r\n' "$active" /M
  local start=$SECONDS
  driver hidden "$active" || fail "shown at once"
  sleep 40
  [ "$(driver tray-icons)" -eq "$icons" ] || fail "premise: the starting shell took an icon"
  driver hidden "$active" || fail "shown before a minute"
  driver shown "$active" 30 || fail "still hidden after $((SECONDS - start)) s"
  [ $((SECONDS - start)) -ge 55 ] || fail "shown after $((SECONDS - start)) s"
  local until=$((SECONDS + 30))
  until [ "$(driver tray-icons)" -gt "$icons" ]; do
    [ $SECONDS -lt $until ] || fail "no icon after the shell started"
    sleep 1
  done
}

# Fast user switching and sleep, as the system tells them to the main window. A plain lock keeps
# the port; the session handed to another user lets COM5 go (Wine does not keep a port to one
# opener, so that shows as the caption and as a scan meanwhile never read), and it is taken back
# once the session is connected again; after a wake, scanning goes on.
scenario_session_switch_and_wake() {
  local session=689 console_connect=1 console_disconnect=2 lock=7 power=536 resume_automatic=18
  start_scanning 'Postamble={TAB}\r\n'
  driver post "$active" $session $lock
  sleep 1
  driver wait "$active" 1 || fail "a plain lock let the port go"
  driver post "$active" $session $console_disconnect
  wait_caption "$inactive"
  local before; before=$(chars)
  scan 'AWAY'
  sleep 1
  driver post "$inactive" $session $console_connect
  wait_caption "$active"
  step 'BACK' 'B A C K \t' "$before"
  driver post "$active" $power $resume_automatic
  sleep 1
  wait_caption "$active"
  step 'AWAKE' 'A W A K E \t'
}

# The test's own device server on a free port ($port), commanded one line at a time (tests/linux/netdev.py).
serve() {
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  : > "$work/netdev.done"
  python3 "$top/tests/linux/netdev.py" "$port" "$work" & pids+=($!)
  poll 50 test -e "$work/netdev.ready" || fail "no device server"
}
net() {
  local n; n=$(wc -l < "$work/netdev.done")
  echo "$*" > "$work/netdev"
  poll 50 eval '[ "$(wc -l < "$work/netdev.done")" -gt "$n" ]' || fail "the device server did not take: $*"
}
hex() { printf "$1" | od -An -tx1 | tr -d ' \n'; }

# Device=tcp://... wins over ComPort: records from a raw TCP server, two in one read with RecordEnd, acknowledgements
# back over the connection; a refused connection named with its address and reason, then retried until the server
# is back; a malformed address and an unknown host named.
scenario_network() {
  serve
  local address="tcp://127.0.0.1:$port"
  launch app "ComPort=5\r\nDevice=$address\r\nRecordEnd=13\r\nScannerBeepString=27,7\r\nPostamble={TAB}\r\n" \
    "Tolvane (Active On $address)" /M
  e2e_target
  net send "$(hex 'A1\rB2\r')"
  wait_typed 6 || true
  sleep 0.5
  [ "$(typed)" = 'A 1 \t B 2 \t' ] || fail "typed [$(typed)], expected two records"
  poll 20 eval '[ "$(codes < "$work/heard")" = "033 \a 033 \a" ]' || fail "acknowledgements [$(codes < "$work/heard")]"
  net down
  net drop
  error_caption 20
  [[ "$caption" == *"$address"* ]] || fail "the drop shows [$caption]"
  caption=$(driver caption "Tolvane (Error: cannot connect to $address: " 10) ||
    fail "the refusal not shown: [$(driver caption 'Tolvane (' 1)]"
  [[ "$caption" == *"refused"* ]] || fail "the refusal shows [$caption]"
  # Idle between the attempts: no more than a few percent of one core over three seconds.
  local before after; before=$(cpu_seconds); sleep 3; after=$(cpu_seconds)
  awk -v a="$before" -v b="$after" 'BEGIN { exit !((b - a) < 0.3) }' || fail "CPU used while retrying: $before -> $after s"
  net up
  wait_caption "Tolvane (Active On $address)" 10
  net send "$(hex 'C3\r')"
  wait_typed 9 || true
  sleep 0.5
  [ "$(typed)" = 'A 1 \t B 2 \t C 3 \t' ] || fail "after the connection came back: typed [$(typed)]"
  # A malformed address and an unknown host, each named.
  e2e_close "Tolvane (Active On $address)"
  launch malformed 'ComPort=5\r\nDevice=tcp://127.0.0.1\r\n' ''
  error_caption 30
  [[ "$caption" == *"tcp://127.0.0.1: no port"* ]] || fail "a malformed address shows [$caption]"
  e2e_close "$caption"
  launch unknown 'ComPort=5\r\nDevice=tcp://no-such-host.invalid:4001\r\n' ''
  caption=$(driver caption "Tolvane (Error: " 30) || fail "no error for an unknown host: [$(driver caption 'Tolvane (' 1)]"
  [[ "$caption" == *"cannot connect to tcp://no-such-host.invalid:4001: unknown host no-such-host.invalid"* ]] ||
    fail "an unknown host shows [$caption]"
}

# rfc2217:// through ser2net in front of a pseudo-terminal pair: the rate from Settings reaches the device behind the
# server (read back with stty), records come through it.
scenario_network_rfc2217() {
  socat pty,link="$work/dev",raw,echo=0 pty,link="$work/far",raw,echo=0 >/dev/null 2>&1 & pids+=($!)
  poll 50 test -e "$work/far" || fail "no pseudo-terminal"
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  printf 'connection: &scanner\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%s\n  connector: serialdev,%s,9600n81,local\n' \
    "$port" "$work/dev" > "$work/ser2net.yaml"
  ser2net -n -d -c "$work/ser2net.yaml" > "$work/ser2net.log" 2>&1 & pids+=($!)
  poll 50 eval ': < /dev/tcp/127.0.0.1/$port' 2>/dev/null || fail "ser2net does not listen: $(cat "$work/ser2net.log")"
  [ "$(stty -F "$work/dev" speed)" != 19200 ] || fail "premise: the device is at 19200 before"
  local address="rfc2217://127.0.0.1:$port"
  launch app "ComPort=5\r\nDevice=$address\r\nSettings=19200,N,8,2\r\nRecordEnd=13\r\nPostamble={TAB}\r\n" "Tolvane (Active On $address)" /M
  e2e_target
  poll 50 eval '[ "$(stty -F "$work/dev" speed)" = 19200 ]' || fail "the rate at the device: $(stty -F "$work/dev" speed)"
  stty -F "$work/dev" -a | grep -qw cstopb || fail "two stop bits at the device: $(stty -F "$work/dev")"
  printf 'A1\rB2\r' > "$work/far"
  wait_typed 6 || true
  sleep 0.5
  [ "$(typed)" = 'A 1 \t B 2 \t' ] || fail "typed [$(typed)] through ser2net"
}

e2e_main "$@"
