#!/usr/bin/env bash
# The Linux program end to end: Xvfb, a pseudo-terminal pair for the scanner, tolvane typing
# with XTest into an X client that logs what it receives.
# Usage: e2e.sh <build-dir> <scenario>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/tolvane-linux.XXXXXX)"
cfg="$work/cfg.tlv"
# Everything started ends before its files go; the test's status stays.
trap 'rc=$?; kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work"; exit $rc' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
# Runs the command until it succeeds, for at most n tenths of a second.
poll() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
# Whether the command prints this line.
is() { [ "$("${@:2}")" = "$1" ]; }

# A display of our own: the X server takes a free number and says which once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3> "$work/display" >/dev/null 2>&1 &
poll 100 test -s "$work/display" || fail "no X server"
export DISPLAY=":$(cat "$work/display")"

plug() {
  socat pty,link="$work/dev",raw,echo=0 pty,link="$work/scanner",raw,echo=0 >/dev/null 2>&1 &
  socat_pid=$!
  poll 50 test -e "$work/scanner" || fail "no pseudo-terminal"
}

# tolvane with the configuration lines given, the key log in front, the device plugged; sets $tolvane.
start() {
  [ -e "$work/dev" ] || plug
  printf "[Tolvane]\r\nDevice=$work/dev\r\n$1" > "$cfg"
  "$build/tests/linux/tolvane-keylog" "$work/keys" &
  sleep 0.5
  "$build/tolvane" --config "$cfg" --typing xtest > "$work/out" 2> "$work/err" &
  tolvane=$!
  status "Active on $work/dev"
}
stop() { kill -TERM "$tolvane"; wait "$tolvane"; }
# Until the last line the program says, other than its messages, is this one.
status() { poll 100 is "$1" eval 'grep -v "^tolvane:" "$work/err" | tail -1' || fail "no status \"$1\""; }
# What the client received: characters, and the names of keys that type none.
typed() { awk '$1 !~ /^(Shift_L|ISO_Level3_Shift)$/ { printf "%s", ($2 == "-" ? "<" $1 ">" : $2) }' "$work/keys"; }
# The scanner sends bytes (printf format); given them, what is then typed at last and what for.
scan() {
  printf "$1" > "$work/scanner"
  [ $# -eq 1 ] || poll 60 is "$2" typed || fail "$3: typed [$(typed)], expected [$2]"
}

# A scan with its postamble, the translation table, a character outside ASCII; framing by
# silence; the record on standard output.
scenario_scan() {
  start 'Postamble={TAB}\r\nRemoveReturns=1\r\n'
  scan 'Ab1+~{}\351$\r\n' 'Ab1+~{}é<F9><Tab>' "the scan"
  scan 'AB'; sleep 0.06; scan 'CD'; sleep 0.5
  scan 'EF' 'Ab1+~{}é<F9><Tab>ABCD<Tab>EF<Tab>' "60 ms apart joins, 500 ms apart separates"
  grep -qxF -e 'Ab1+~{}\xE9$\r{TAB}' -e 'Ab1+~{}\xE9${TAB}' "$work/out" || fail "records printed: $(cat "$work/out")"
}

# Acknowledgement bytes after each record; a device that goes away is reopened.
scenario_device() {
  start 'Postamble={TAB}\r\nScannerBeepString=27,7\r\n'
  cat "$work/scanner" > "$work/back" &
  scan 'A' 'A<Tab>' "before"
  [ "$(od -An -c "$work/back" | tr -d ' \n')" = '033\a' ] || fail "acknowledgement [$(od -An -c "$work/back")]"
  kill "$socat_pid"
  poll 50 grep -q '^Error: ' "$work/err" || fail "no error when the device went away"
  poll 50 test ! -e "$work/dev" || fail "the pair stayed"
  plug
  status "Active on $work/dev"
  scan 'B' 'A<Tab>B<Tab>' "after the device came back"
}

# SIGTERM saves every key, the Linux keys too (XkbVariant added, empty), and writes the autostart
# entry; a second copy on the same file says so; bad arguments are refused.
scenario_life() {
  export XDG_CONFIG_HOME="$work/xdg"
  start 'XkbLayout=us\r\nAutoLoad=1\r\n'
  [ "$("$build/tolvane" --config "$cfg" --typing xtest 2> "$work/second"; echo $?)" = 1 ] &&
    grep -qi 'already running' "$work/second" || fail "second copy: $(cat "$work/second")"
  [ "$("$build/tolvane" --bogus 2>/dev/null; echo $?)" = 2 ] || fail "bad arguments not refused"
  stop || fail "exit status $?"
  [ "$(grep -c '=' "$cfg")" -eq 273 ] || fail "$(grep -c '=' "$cfg") keys saved"
  grep -q "^Device=$work/dev" "$cfg" && grep -q '^XkbLayout=us' "$cfg" && grep -q '^XkbVariant=' "$cfg" ||
    fail "Linux keys lost"
  grep -q "^Exec=.*tolvane --config \"$cfg\"" "$work/xdg/autostart/tolvane.desktop" || fail "no autostart entry"
}

# The same text under German and French keymaps of the X server.
scenario_keymaps() {
  setxkbmap de
  start 'Postamble={TAB}\r\n'
  scan 'zy@{[]}\\~|\344\366\374\337\351' 'zy@{[]}\~|äöüßé<Tab>' "German"
  stop || true
  setxkbmap fr
  start 'Postamble={TAB}\r\n'
  scan 'azqw1234@\351\350\347\340' 'azqw1234@éèçà<Tab>' "French"
}

# Figures, printed and never asserted: last byte to first and last key event, and the rate of
# a 2,000-character record, as the Windows program's are measured.
logged() { [ "$(wc -l < "$work/keys")" -ge "$1" ]; }
scenario_figures() {
  start 'Postamble={TAB}\r\n'
  local first=0 last=0 sent lines
  for i in $(seq 10); do
    lines=$(wc -l < "$work/keys")
    scan "$(printf '%013d' "$i")"
    sent=$(date +%s%3N)
    poll 100 logged $((lines + 14))
    first=$((first + $(awk -v n="$lines" 'NR == n + 1 { print $3 }' "$work/keys") - sent))
    last=$((last + $(tail -1 "$work/keys" | awk '{ print $3 }') - sent))
  done
  echo "last byte to first key event: $((first / 10)) ms, to the last: $((last / 10)) ms (mean of 10)"
  lines=$(wc -l < "$work/keys")
  head -c 2000 < <(yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n') > "$work/scanner"
  poll 300 logged $((lines + 2001))
  awk -v n="$lines" 'NR > n { if (!s) s = $3; e = $3; c++ }
    END { printf "2,000-character record: %.0f characters/s (%d keys)\n", 2000 / ((e - s) / 1000), c }' "$work/keys"
}

"scenario_$2"
echo "scenario $2 passed"
