#!/usr/bin/env bash
# Faults, end to end under Wine: a device that goes away, endless and arbitrary data, a
# folder that cannot be written, bad configuration files, a start during an exit.
# Usage: faults.sh <build-dir> <fault>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

active="Tolvane (Active On COM5)"


fault_device_lost_and_back() {
  start_scanning 'Postamble={TAB}\r\n'
  scan 'HALF'
  sleep 0.05
  e2e_unplug 5
  local caption
  caption=$(driver caption "Tolvane (Error: " 20) || fail "no error caption after the device went away"
  echo "caption: $caption"
  # Idle while it waits: no more than a few percent of one core over three seconds.
  local before after
  before=$(cpu_seconds); sleep 3; after=$(cpu_seconds)
  awk -v a="$before" -v b="$after" 'BEGIN { exit !((b - a) < 0.3) }' || fail "CPU used while the device is away: $before -> $after s"
  e2e_replug 5
  wait_caption "$active" 20
  scan 'BACK'
  wait_typed 10 || fail "scanning did not resume: $(typed)"
  sleep 0.3
  local got; got=$(typed)
  case "$got" in *'B A C K \t') ;; *) fail "after the device came back: [$got]" ;; esac
  # Pulled once more, and this time the user chooses the port again.
  e2e_unplug 5
  caption=$(driver caption "Tolvane (Error: " 20) || fail "no error caption the second time"
  e2e_replug 5
  driver select "$caption" 2 5
  wait_caption "$active" 20
}

fault_burst_64k() {
  start_scanning 'Postamble={TAB}\r\n'
  head -c 65536 < <(yes 0123456789 | tr -d '\n') > "$work/burst"
  cat "$work/burst" > "$scanner" &
  # Completed at 65,536 characters without silence, then typed in full.
  wait_typed 65537 240 || fail "only $(grep -c '^char' "$keys") characters arrived"
  local got
  got=$(awk '$1=="char" && $2 != 9 { printf "%c", $2 + 0 }' "$keys")
  [ "$got" = "$(cat "$work/burst")" ] || fail "the burst did not arrive intact"
}

fault_every_byte_value() {
  # $ and % would type F9 and F10 (the menu key); here they type themselves.
  start_scanning 'Postamble=\r\nKeyTrans36=$\r\nKeyTrans37={%}\r\n'
  local all="" b
  for b in $(seq 0 255); do all+=$(printf '\\%03o' "$b"); done
  scan "$all"
  local expected="8 9 13 27 32"
  for b in $(seq 33 126); do expected+=" $b"; done
  expected+=" 32"
  for b in $(seq 161 255); do expected+=" $b"; done
  local count; count=$(wc -w <<< "$expected")
  wait_typed "$count" 20 || fail "only $(grep -c "^char" "$keys") of $count characters"
  sleep 0.5
  local got; got=$(awk '$1=="char" { printf "%s%d", (n++ ? " " : ""), $2 }' "$keys")
  [ "$got" = "$expected" ] || fail "typed [$got] expected [$expected]"
}

fault_read_only_folder() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nBeep=1\r\n')
  e2e_start "$folder"
  wait_caption "Tolvane (Inactive)" 60
  local before; before=$(md5sum < "$folder/default.tlv")
  chattr +i "$folder" || fail "chattr is not available"
  driver close "Tolvane (Inactive)"
  # The user is told which file could not be written, and why.
  driver wait "Tolvane" 30 || { chattr -i "$folder"; fail "no message about the failed save"; }
  local told; told=$(driver texts "Tolvane")
  driver close "Tolvane"
  driver gone "Tolvane (Inactive)" 30 || { chattr -i "$folder"; fail "no exit with a read-only folder"; }
  chattr -i "$folder"
  grep -q 'could not save its settings to .*\\app\\default\.tlv' <<<"$told" || fail "the message was [$told]"
  [ "$(md5sum < "$folder/default.tlv")" = "$before" ] || fail "the old default.tlv changed"
  local extra
  extra=$(ls "$folder" | grep -v -E '^(Tolvane\.exe|Tolvane\.chm|default\.tlv|wine-stderr\.log)$' || true)
  [ -z "$extra" ] || fail "left behind: $extra"
}

expect_sound_file() {  # folder
  grep -q '^ComPort=0' "$1/default.tlv" || fail "no ComPort=0"
  grep -q '^Settings=9600,N,8,1' "$1/default.tlv" || fail "no default Settings"
  grep -q '^WindowState=0' "$1/default.tlv" || fail "no WindowState=0"
  grep -q '^KeyTrans255=' "$1/default.tlv" || fail "no KeyTrans255"
  [ "$(grep -c '^\[Tolvane\]' "$1/default.tlv")" -ge 1 ] || fail "no section"
}

bad_file() {  # name, file contents (written with printf %b unless a path)
  e2e_serial 5
  folder=$(e2e_install "$1")
  cp "$2" "$folder/default.tlv"
  e2e_start "$folder"
  wait_caption "Tolvane (Inactive)" 60
  driver close "Tolvane (Inactive)"
  driver gone "Tolvane (Inactive)" 60 || fail "$1: no exit"
  expect_sound_file "$folder"
}

fault_bad_configuration_files() {
  head -c 4096 /dev/urandom > "$work/in-garbage"
  : > "$work/in-empty"
  head -c 10485760 < <(yes 'filler line without meaning, over and over' ) > "$work/in-huge"
  printf '[Tolvane]\r\nComPort=99\r\nBeep=7\r\nBeepSound=-5\r\nHandshake=12\r\nWindowState=9\r\nDOSTarget=1e99\r\nNumericFilter=-1\r\n' > "$work/in-outofrange"
  bad_file garbage "$work/in-garbage"
  bad_file empty "$work/in-empty"
  bad_file huge "$work/in-huge"
  bad_file outofrange "$work/in-outofrange"
  grep -q '^Beep=0' "$folder/default.tlv" || fail "out-of-range Beep not defaulted"
  grep -q '^Handshake=0' "$folder/default.tlv" || fail "out-of-range Handshake not defaulted"
  grep -q '^DOSTarget=0' "$folder/default.tlv" || fail "out-of-range DOSTarget not defaulted"
  grep -q '^BeepSound=0' "$folder/default.tlv" || fail "out-of-range BeepSound not defaulted"
}

fault_second_start_during_exit() {
  e2e_serial 5
  folder=$(e2e_install app '[Tolvane]\r\nComPort=5\r\n')
  e2e_start "$folder"
  wait_caption "$active" 60
  driver close "$active"
  e2e_start "$folder"
  sleep 3
  # Either the second copy met the first one and said so, or it started after it had gone.
  if driver wait "Tolvane" 1; then driver close "Tolvane"; fi
  if driver wait "$active" 5; then driver close "$active"; fi
  driver gone "$active" 30 || fail "a copy did not end"
  sleep 0.5
  [ "$(grep -c '=' "$folder/default.tlv")" -eq 270 ] || fail "default.tlv is not sound"
}

"fault_$2"
echo "fault $2 handled"
