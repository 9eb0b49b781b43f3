#!/usr/bin/env bash
# The Linux program end to end: Xvfb, a pseudo-terminal pair for the scanner, tolvane typing
# with XTest into an X client that logs what it receives.
# Usage: e2e.sh <build-dir> <scenario>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/tolvane-linux.XXXXXX)"
pids=()
cleanup() {
  local rc=$?
  for p in "${pids[@]:-}"; do [ -n "$p" ] && kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
  exit $rc
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

for n in $(seq 150 199); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { export DISPLAY=":$n"; break; }
done
Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

plug() {
  socat pty,link="$work/dev",raw,echo=0 pty,link="$work/scanner",raw,echo=0 >/dev/null 2>&1 &
  socat_pid=$!
  pids+=($!)
  for _ in $(seq 50); do [ -e "$work/scanner" ] && break; sleep 0.1; done
}
unplug() { kill "$socat_pid"; for _ in $(seq 50); do [ ! -e "$work/dev" ] && break; sleep 0.1; done; }

# tolvane with the configuration lines given, the key log in front; sets $tolvane.
start() {
  printf "[Tolvane]\r\nDevice=$work/dev\r\n$1" > "$work/cfg.tlv"
  "$build/tests/tolvane-keylog" "$work/keys" &
  pids+=($!)
  sleep 0.5
  "$build/tolvane" --config "$work/cfg.tlv" --typing xtest > "$work/out" 2> "$work/err" &
  tolvane=$!
  pids+=($tolvane)
  status "Active on $work/dev"
}
status() { for _ in $(seq 100); do [ "$(grep -v "^tolvane:" "$work/err" 2>/dev/null | tail -1)" = "$1" ] && return 0; sleep 0.1; done; fail "no status \"$1\""; }
scan() { printf "$1" > "$work/scanner"; }
# What the client received: characters, and the names of keys that type none.
typed() { awk '{ printf "%s", ($2 == "-" ? "<" $1 ">" : $2) }' "$work/keys" | sed 's/<Shift_L>//g; s/<ISO_Level3_Shift>//g'; }
expect() {  # what is typed at last, what
  for _ in $(seq 60); do [ "$(typed)" = "$1" ] && return 0; sleep 0.1; done
  fail "$2: typed [$(typed)], expected [$1]"
}

# A scan with its postamble, the translation table, a character outside ASCII; framing by
# silence; the record on standard output.
scenario_scan() {
  plug; start 'Postamble={TAB}\r\nRemoveReturns=1\r\n'
  scan 'Ab1+~{}\351$\r\n'
  expect 'Ab1+~{}é<F9><Tab>' "the scan"
  scan 'AB'; sleep 0.06; scan 'CD'; sleep 0.5; scan 'EF'
  expect 'Ab1+~{}é<F9><Tab>ABCD<Tab>EF<Tab>' "60 ms apart joins, 500 ms apart separates"
  grep -qxF 'Ab1+~{}\xE9$\r{TAB}' "$work/out" || grep -qxF 'Ab1+~{}\xE9${TAB}' "$work/out" || fail "records printed: $(cat "$work/out")"
}

# Acknowledgement bytes after each record; a device that goes away is reopened.
scenario_device() {
  plug; start 'Postamble={TAB}\r\nScannerBeepString=27,7\r\n'
  cat "$work/scanner" > "$work/back" &
  pids+=($!)
  scan 'A'; expect 'A<Tab>' "before"
  [ "$(od -An -c "$work/back" | tr -d ' \n')" = '033\a' ] || fail "acknowledgement [$(od -An -c "$work/back")]"
  unplug
  for _ in $(seq 50); do grep -q '^Error: ' "$work/err" && break; sleep 0.1; done
  grep -q '^Error: ' "$work/err" || fail "no error when the device went away"
  plug
  status "Active on $work/dev"
  scan 'B'; expect 'A<Tab>B<Tab>' "after the device came back"
}

# SIGTERM saves every key, and the Linux keys stay, and writes the autostart entry; a second
# copy on the same file says so.
scenario_life() {
  export XDG_CONFIG_HOME="$work/xdg"
  plug; start 'XkbLayout=us\r\nAutoLoad=1\r\n'
  set +e; "$build/tolvane" --config "$work/cfg.tlv" --typing xtest 2> "$work/second"; local rc=$?; set -e
  [ "$rc" -eq 1 ] && grep -qi 'already running' "$work/second" || fail "second copy: $rc $(cat "$work/second")"
  set +e; "$build/tolvane" --bogus 2>/dev/null; rc=$?; set -e
  [ "$rc" -eq 2 ] || fail "bad arguments exit with $rc"
  kill -TERM "$tolvane"; wait "$tolvane" || fail "exit status $?"
  [ "$(grep -c '=' "$work/cfg.tlv")" -eq 272 ] || fail "$(grep -c '=' "$work/cfg.tlv") keys saved"
  grep -q "^Device=$work/dev" "$work/cfg.tlv" && grep -q '^XkbLayout=us' "$work/cfg.tlv" || fail "Linux keys lost"
  grep -q "^Exec=.*tolvane --config \"$work/cfg.tlv\"" "$work/xdg/autostart/tolvane.desktop" || fail "no autostart entry"
}

# The same text under German and French keymaps of the X server.
scenario_keymaps() {
  plug
  setxkbmap de
  start 'Postamble={TAB}\r\n'
  scan 'zy@{[]}\\~|\344\366\374\337\351'; expect 'zy@{[]}\~|äöüßé<Tab>' "German"
  kill -TERM "$tolvane"; wait "$tolvane" || true
  setxkbmap fr
  : > "$work/keys"
  start 'Postamble={TAB}\r\n'
  scan 'azqw1234@\351\350\347\340'; expect 'azqw1234@éèçà<Tab>' "French"
}

# Figures, printed and never asserted: last byte to first and last key event, and the rate of
# a 2,000-character record, as the Windows program's are measured.
scenario_figures() {
  plug; start 'Postamble={TAB}\r\n'
  local total_first=0 total_last=0 sent lines
  for i in $(seq 10); do
    lines=$(wc -l < "$work/keys")
    printf '%013d' "$i" > "$work/scanner"; sent=$(date +%s%3N)
    for _ in $(seq 100); do [ "$(wc -l < "$work/keys")" -ge $((lines + 14)) ] && break; sleep 0.05; done
    total_first=$((total_first + $(awk -v n="$lines" 'NR == n + 1 { print $3 }' "$work/keys") - sent))
    total_last=$((total_last + $(tail -1 "$work/keys" | awk '{ print $3 }') - sent))
  done
  echo "last byte to first key event: $((total_first / 10)) ms, to the last: $((total_last / 10)) ms (mean of 10)"
  lines=$(wc -l < "$work/keys")
  head -c 2000 < <(yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n') > "$work/scanner"
  for _ in $(seq 600); do [ "$(wc -l < "$work/keys")" -ge $((lines + 2001)) ] && break; sleep 0.05; done
  awk -v n="$lines" 'NR > n { if (!s) s = $3; e = $3; c++ } END { printf "2,000-character record: %.0f characters/s (%d keys)\n", 2000 / ((e - s) / 1000), c }' "$work/keys"
}

"scenario_$2"
echo "scenario $2 passed"
