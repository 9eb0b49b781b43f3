#!/usr/bin/env bash
# What the user's own keyboard state does to a scan, end to end under Wine: keys held down,
# Caps Lock on, on both typing paths.
# Usage: typing.sh <build-dir> <scenario>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

vk_shift=16 vk_control=17 vk_capital=20

expect_typed() {  # expected characters (od -c form), what
  local got
  got=$(typed)
  [ "$got" = "$1" ] || fail "$2: typed [$got], expected [$1]"
}

scan_and_wait() {  # bytes, characters expected in all
  scan "$1"
  wait_typed "$2" || fail "only $(grep -c '^char' "$keys" || true) characters arrived for $1"
  sleep 0.3
}

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

"scenario_$2"
echo "scenario $2 passed"
