#!/usr/bin/env bash
# What the user's own keyboard state does to a scan, end to end under Wine: keys held down,
# Caps Lock on, on both typing paths.
# Usage: typing.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

vk_shift=16 vk_control=17 vk_capital=20

# The user holds Shift (or Ctrl) when the scan arrives: it must arrive as sent, and must not
# fire the window's shortcuts.
scenario_held_shift() {
  start_scanning 'Postamble={TAB}\r\n'
  driver key down $vk_shift
  scan_and_wait 'ab1' 4
  driver key up $vk_shift
  expect_typed 'a b 1 \t' "with Shift held"
}

scenario_held_control() {
  start_scanning 'Postamble={TAB}\r\n'
  driver key down $vk_control
  scan_and_wait 'ab1' 4
  driver key up $vk_control
  expect_typed 'a b 1 \t' "with Ctrl held"
}

# Caps Lock on: the console path switches it off for the keys and back on after them.
scenario_console_caps_lock() {
  start_scanning 'DOSTarget=1\r\nPostamble={ENTER}\r\n'
  driver key tap $vk_capital
  scan_and_wait 'aB1' 4
  expect_typed 'a B 1 \r' "console path with Caps Lock on"
  scan_and_wait 'cD' 7
  expect_typed 'a B 1 \r c D \r' "Caps Lock still on for the user, the scan still intact"
}

scenario_caps_lock() {
  start_scanning 'Postamble={TAB}\r\n'
  driver key tap $vk_capital
  scan_and_wait 'aB1' 4
  expect_typed 'a B 1 \t' "with Caps Lock on"
}

# The X server's keymap is German (or French) before Wine starts, so the target's layout is.
on_layout() {  # layout, caps lock (0/1), bytes to scan
  setxkbmap "$1" || fail "setxkbmap $1"
  start_scanning 'Postamble={TAB}\r\n'
  [ "$2" = 1 ] && driver key tap $vk_capital
  local sent; sent=$(printf "$3")
  scan "$3"
  wait_typed $((${#sent} + 1)) || fail "only $(grep -c '^char' "$keys" || true) characters arrived"
  sleep 0.3
  local got; got=$(awk '$1=="char" && $2 != 9 { printf "%c", $2 + 0 }' "$keys")
  [ "$got" = "$sent" ] || fail "$1 layout, Caps Lock $2: typed [$got], expected [$sent]"
}

scenario_german_layout() { on_layout de 0 'zyZY@{[]}\\~|^`a\344\366\374\337'; }
scenario_french_layout() { on_layout fr 1 '1234567890azqwAZQWm@\351\350\347\340'; }

# Wine's own Notepad, with a character outside ASCII and a German keyboard word.
scenario_real_notepad() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nPostamble={ENTER}\r\n')
  e2e_start "$folder" /M
  wait_caption "Tolvane (Active On COM5)" 60
  (cd "$work" && exec wine notepad >/dev/null 2>&1) &
  pids+=($!)
  driver wait "Untitled - Notepad" 30 || fail "Notepad did not start"
  sleep 1
  scan 'Gr\374\337e 4006381333931 (x+y)~{z}'
  sleep 1.5
  local got
  got=$(driver texts "Untitled - Notepad" | awk -F'|' '$1=="Edit" { print $2; exit }')
  [ "$got" = "$(printf 'Gr\374\337e 4006381333931 (x+y)~{z}')" ] || fail "Notepad holds [$got]"
}

# The console path into a real console: cmd runs the scanned command line.
scenario_real_console() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\nDOSTarget=1\r\nPostamble={ENTER}\r\n')
  e2e_start "$folder" /M
  wait_caption "Tolvane (Active On COM5)" 60
  (cd "$work" && exec wineconsole cmd >/dev/null 2>&1) &
  pids+=($!)
  driver wait "C:\\windows\\system32\\cmd.exe" 30 || fail "the console did not start"
  sleep 1
  scan 'echo Scan-42 AbC>out.txt'
  for _ in $(seq 50); do [ -s "$work/out.txt" ] && break; sleep 0.1; done
  [ "$(tr -d '\r\n' < "$work/out.txt" 2>/dev/null)" = "Scan-42 AbC" ] || fail "cmd wrote [$(cat "$work/out.txt" 2>/dev/null)]"
}

"scenario_$2"
echo "scenario $2 passed"
