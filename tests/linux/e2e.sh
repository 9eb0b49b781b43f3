#!/usr/bin/env bash
# The Linux program end to end: Xvfb, a pseudo-terminal pair for the scanner, tolvane typing
# with XTest into an X client that logs what it receives.
# Usage: e2e.sh <build-dir> <scenario>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/tolvane-linux.XXXXXX)"
cfg="$work/cfg.tlv"
keylog="$build/tests/linux/tolvane-keylog"
# Everything started ends before its files go; the test's status stays.
trap 'rc=$?; kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work"; exit $rc' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
# A case that goes wrong is told and the scenario goes on to its other cases; it fails at the end.
failed=""
wrong() { echo "WRONG: $*" >&2; failed+="$*"$'\n'; }
# Runs the command until it succeeds, for at most n tenths of a second.
poll() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
# Whether the command prints this line.
is() { [ "$("${@:2}")" = "$1" ]; }
# A test bed's premise: the command prints what the case needs, or the bed is broken.
premise() { is "$1" "${@:3}" || fail "premise: $2 (got [$("${@:3}" 2>&1)], expected [$1])"; }

# A display of our own: the X server takes a free number and says which once it accepts clients.
xserver() {
  rm -f "$work/display"
  Xvfb ${1:-} -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3> "$work/display" >/dev/null 2>&1 &
  xvfb=$!
  poll 100 test -s "$work/display" || fail "no X server"
  export DISPLAY=":$(cat "$work/display")"
}
xserver

plug() {
  socat pty,link="$work/dev",raw,echo=0 pty,link="$work/scanner",raw,echo=0 >/dev/null 2>&1 &
  socat_pid=$!
  poll 50 test -e "$work/scanner" || fail "no pseudo-terminal"
}

# The key log in front, with its options; sets $logger.
logger() {
  "$keylog" "$work/keys" "$@" &
  logger=$!
  poll 50 xprop -name "Tolvane Key Log" WM_NAME >/dev/null 2>&1 || fail "no key log window"
  mark
}
# tolvane with the configuration lines given, the key log (with options after the lines) in
# front, the device plugged; sets $tolvane.
start() {
  [ -e "$work/dev" ] || plug
  printf "[Tolvane]\r\nDevice=$work/dev\r\n$1" > "$cfg"
  logger "${@:2}"
  "$build/tolvane" --config "$cfg" --typing xtest > "$work/out" 2> "$work/err" &
  tolvane=$!
  status "Active on $work/dev"
}
# The program ends by SIGTERM, with its status; the key log goes too.
stop() {
  local rc=0
  kill -TERM "$tolvane"
  wait "$tolvane" || rc=$?
  kill "$logger" 2>/dev/null && wait "$logger" 2>/dev/null
  return $rc
}
# Until the last line the program says, other than its messages, is this one.
status() { poll 100 is "$1" eval 'grep -v "^tolvane:" "$work/err" | tail -1' || fail "no status \"$1\""; }
# What the client received since the last mark: characters, and the names of keys that type none.
since=0
mark() { since=$(wc -l < "$work/keys" 2>/dev/null || echo 0); }
typed() {
  awk -v n="$since" 'NR > n && $4 !~ /^(Shift_L|ISO_Level3_Shift)$/ {
    text = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ ?/, "", text); printf "%s", (text == "" ? "<" $4 ">" : text) }' "$work/keys"
}
# The keysyms of every key pressed since the mark, modifiers too, with the key names.
pressed() { awk -v n="$since" 'NR > n { printf "%s%s%s", (NR > n + 1 ? " " : ""), $4, $3 }' "$work/keys"; }
# The scanner sends bytes (printf format); given them, what is then typed at last and what for.
scan() {
  printf "$1" > "$work/scanner"
  [ $# -eq 1 ] || poll 60 is "$2" typed || wrong "$3: typed [$(typed)], expected [$2]"
}
# The key log's word on the keyboard: locked group and modifiers, a key's keycode and keysyms.
state() { "$keylog" state; }
key() { "$keylog" key "$@"; }

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

# The same text under German and French keymaps of the X server, each read back from the server
# first; letters come from their own keys (z at <AD06> under de, a at <AD01> under fr), and
# capitals the keymap lacks keep their case.
scenario_keymaps() {
  setxkbmap de
  premise "29 z Z" "<AD06> is z under de" key AD06
  start 'Postamble={TAB}\r\n'
  scan 'zy@{[]}\\~|\344\366\374\337\351\311\304\326' 'zy@{[]}\~|äöüßéÉÄÖ<Tab>' "German"
  pressed | grep -qw 'z<AD06>' || wrong "German: z not from <AD06>: $(pressed)"
  stop || true
  setxkbmap fr
  premise "24 a A" "<AD01> is a under fr" key AD01
  start 'Postamble={TAB}\r\n'
  scan 'azqw1234@\351\350\347\340\311' 'azqw1234@éèçàÉ<Tab>' "French"
  pressed | grep -qw 'a<AD01>' || wrong "French: a not from <AD01>: $(pressed)"
}

# The group that is active, followed as it changes, and a character the active group lacks
# typed from the group that has it; the keymap changed while the program runs.
scenario_groups() {
  setxkbmap -layout us,de
  premise "0 0" "us,de starts in the US group" state
  start 'Postamble={TAB}\r\n'
  scan 'zy@' 'zy@<Tab>' "US group of us,de"
  mark
  premise "1" "the German group locked" "$keylog" lock-group 1
  premise "29 z Z" "<AD06> is z in the German group" key AD06 1
  scan 'zy@' 'zy@<Tab>' "German group of us,de, locked while running"
  setxkbmap -layout us,ru
  premise "1" "the Russian group locked" "$keylog" lock-group 1
  premise "38 Cyrillic_ef Cyrillic_EF" "<AC01> is ef in the Russian group" key AC01 1
  mark
  scan 'ABC-123xyz' 'ABC-123xyz<Tab>' "Latin letters from the US group with Russian locked"
  [[ "$(pressed)" == *"A<AC01>"*"x<AB02>"* ]] || wrong "Latin letters not from their keys: $(pressed)"
  is "1 0" state || wrong "the Russian group not locked again after the scan: $(state)"
  setxkbmap us
  premise "29 y Y" "<AD06> is y under us" key AD06
  mark
  scan 'zy' 'zy<Tab>' "us"
  setxkbmap de
  premise "29 z Z" "<AD06> is z after setxkbmap de" key AD06
  mark
  scan 'zy@;' 'zy@;<Tab>' "de set while running"
}

# Keys found by their XKB names in any keycode set; the third level from the key that gives it;
# the notation's own Ctrl+Alt kept as Ctrl+Alt.
scenario_keycodes() {
  setxkbmap -keycodes xfree86 -layout de
  premise "113 ISO_Level3_Shift NoSymbol" "xfree86 keycodes: the third level at 113" key RALT
  premise "108 KP_Enter NoSymbol" "xfree86 keycodes: 108, the evdev AltGr, is KP_Enter" key KPEN
  start 'Postamble={TAB}\r\n'
  scan 'ab@{}' 'ab@{}<Tab>' "xfree86 keycodes, German"
  grep -q '^[0-9]* 113 <RALT> ISO_Level3_Shift $' "$work/keys" || wrong "no third level from 113: $(pressed)"
  stop || true
  setxkbmap us
  premise "108 Alt_R Meta_R" "us: the right Alt is Alt_R" key RALT
  start 'Postamble={TAB}\r\n'
  scan '\246' '¦<Tab>' "a character the layout lacks, on a us keymap"
  stop || true
  setxkbmap de
  premise "108 ISO_Level3_Shift NoSymbol" "de: the right Alt gives the third level" key RALT
  start 'Postamble=^%%{DEL}\r\n'
  scan 'q' 'q<Control_L><Alt_L><Delete>' "the notation's Ctrl+Alt"
  [ "$(pressed)" = "q<AD01> Control_L<LCTL> Alt_L<LALT> Delete<DELE>" ] || wrong "Ctrl+Alt+Del pressed as [$(pressed)]"
}

# Characters the keymap lacks, on spare key codes: their case kept, with Caps Lock too; more of
# them than there are spare codes; a client that reads late, and one that cannot say it has read.
latin='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
others='\340\341\342\343\344\345\346\347\353\354\355\356\357\360\361\362\363\364\365'  # as many as there are spare codes
scenario_spare() {
  setxkbmap us
  start 'Postamble={TAB}\r\n'
  scan '\311\304\330\351' 'ÉÄØé<Tab>' "capitals and a small letter"
  mark
  premise "2" "Caps Lock on" "$keylog" lock-caps 1
  scan '\351\311\304\330\350' 'éÉÄØè<Tab>' "Caps Lock on"
  is "0 2" state || wrong "Caps Lock not on after the scan: $(state)"
  premise "0" "Caps Lock off" "$keylog" lock-caps 0
  stop || true
  setxkbmap ru
  premise "24 Cyrillic_shorti Cyrillic_SHORTI" "ru: <AD01> is short i" key AD01
  start 'Postamble={TAB}\r\n'
  scan "$latin" "$latin<Tab>" "62 Latin characters under ru"
  scan "$latin" "$latin<Tab>$latin<Tab>" "62 Latin characters again"
  stop || true
  start 'Postamble={TAB}\r\n' --no-ping
  xprop -name "Tolvane Key Log" WM_PROTOCOLS | grep -q _NET_WM_PING && fail "premise: the key log offers _NET_WM_PING"
  scan "$latin"
  sleep 1
  [ -z "$(typed)" ] || wrong "a record too long for the spare codes, to a window that cannot confirm: typed [$(typed)]"
  grep -q "^tolvane: not typed" "$work/err" || wrong "no reason on standard error"
  scan 'Hello' 'Hello<Tab>' "a shorter record to that window"
  stop || true
  setxkbmap us
  start 'Postamble={TAB}\r\n' --late 5000
  local second
  scan '\351'
  sleep 1.2
  second=$(date +%s%3N)
  scan '\350'
  sleep 0.5
  scan "$others"
  scan '' 'é<Tab>è<Tab>' "two records 1.2 s apart to a client busy for 5 s"
  [ "$(awk 'NR == 1 { print $1 }' "$work/keys")" -ge "$second" ] ||
    fail "premise: the client read the first key before the second record was sent"
  sleep 0.5
  [ "$(typed)" = 'é<Tab>è<Tab>' ] && grep -q "^tolvane: not typed" "$work/err" ||
    wrong "a record needing codes the busy client has not read: typed [$(typed)]"
  scan "$others" "é<Tab>è<Tab>$(printf "$others" | iconv -f cp1252 -t utf-8)<Tab>" "the same once the client has read"
}

# The X server killed and started again: the loss is told, a record meanwhile printed and not
# typed, the port kept; typing again once it is back; SIGTERM still saves.
scenario_xserver() {
  start 'Postamble={TAB}\r\n'
  scan 'A' 'A<Tab>' "before"
  local number
  number=$(cat "$work/display")
  kill -TERM "$xvfb"
  wait "$xvfb" || true
  premise "gone" "the X server is gone" eval '"$keylog" state >/dev/null 2>&1 && echo there || echo gone'
  poll 50 grep -q "X server" "$work/err" || wrong "the loss not told"
  scan 'B'
  poll 50 grep -qxF "B{TAB}" "$work/out" || wrong "the record during the loss not printed: $(cat "$work/out")"
  sleep 0.3
  kill -0 "$tolvane" || fail "the program ended with the X server: $(cat "$work/err")"
  xserver ":$number"
  logger
  is "Active on $work/dev" eval 'grep -E "^(Active|Inactive|Error)" "$work/err" | tail -1' ||
    wrong "the port not kept: $(cat "$work/err")"
  sleep 1.5  # a reconnection every second
  scan 'C' 'C<Tab>' "after the X server came back"
  stop || wrong "exit status $?"
  [ "$(grep -c '=' "$cfg")" -eq 273 ] || wrong "$(grep -c '=' "$cfg") keys saved at SIGTERM"
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
    first=$((first + $(awk -v n="$lines" 'NR == n + 1 { print $1 }' "$work/keys") - sent))
    last=$((last + $(tail -1 "$work/keys" | awk '{ print $1 }') - sent))
  done
  echo "last byte to first key event: $((first / 10)) ms, to the last: $((last / 10)) ms (mean of 10)"
  lines=$(wc -l < "$work/keys")
  head -c 2000 < <(yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n') > "$work/scanner"
  poll 300 logged $((lines + 2001))
  awk -v n="$lines" 'NR > n { if (!s) s = $1; e = $1; c++ }
    END { printf "2,000-character record: %.0f characters/s (%d keys)\n", 2000 / ((e - s) / 1000), c }' "$work/keys"
  # 52 of them on 19 spare key codes, bound again as the window answers its pings.
  setxkbmap ru
  lines=$(wc -l < "$work/keys")
  scan "$latin"
  sent=$(date +%s%3N)
  poll 100 logged $((lines + 63))
  awk -v n="$lines" -v t="$sent" 'NR > n { if (!s) s = $1; e = $1 }
    END { printf "62 Latin characters under ru: last byte to first key %d ms, to the last %d ms\n", s - t, e - t }' \
    "$work/keys"
}

"scenario_$2"
[ -z "$failed" ] || fail "scenario $2:"$'\n'"$failed"
echo "scenario $2 passed"
