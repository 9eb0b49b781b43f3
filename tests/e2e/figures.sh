#!/usr/bin/env bash
# Figures of the real program under Wine: latency from the last byte of a read to the first and last key event in the
# target, the characters per second of a 2,000-character record against one bare SendInput batch of the same text, and
# lost or reordered characters over 100 consecutive scans. The timings are printed, never judged; a record that arrives
# wrong, lost or reordered fails the script once every figure is out.
# Usage: figures.sh <build-dir>
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
start_scanning 'Postamble={TAB}\r\n'

# Runs a command that makes n characters arrive, and waits for them; $from is the key log's
# line count before, $sent the time (ms) the command ended.
arrive() {
  local n=$1 before; shift
  from=$(wc -l < "$keys") before=$(chars)
  "$@" || echo "($1 failed)"
  sent=$(date +%s%3N)
  wait_typed $((before + n)) 30 || true
  sleep 0.5
}
# Since $from: the characters (Tabs left out, or not: tabs=1), and the milliseconds from the first to the last.
text() { awk -v n="$from" -v t="${tabs:-0}" 'NR > n && $1=="char" && (t || $2 != 9) { printf "%c", $2 + 0 }' "$keys"; }
span() { awk -v n="$from" 'NR > n && $1=="char" { if (!s) s = $NF; e = $NF } END { print e - s }' "$keys"; }

wrong=()
for i in $(seq 10); do
  arrive 14 scan "$(printf '%013d' "$i")"
  [ "$(tabs=1 text)" = "$(printf '%013d\t' "$i")" ] || echo "scan $i typed [$(tabs=1 text)]" >> "$work/wrong"
  tail -n +$((from+1)) "$keys" | awk -v s="$sent" '/down/ && !f { f = $NF } /up/ { l = $NF } END { print f - s, l - s }'
done | awk '{ f += $1; l += $2 } END {
  printf "last byte to first key event: %.0f ms (mean of 10; the record ends after 150-200 ms of silence)\n", f / NR
  printf "last byte to last key event:  %.0f ms (13 characters and Tab)\n", l / NR }'

record=$(head -c 2000 < <(yes 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789' | tr -d '\n'))
arrive 2001 scan "$record"
tolvane=$(span) intact=intact
[ "$(tabs=1 text)" = "$record"$'\t' ] || intact="NOT intact ($(text | wc -c) characters arrived)" wrong+=("$intact")
awk -v s="$tolvane" -v i="$intact" 'BEGIN { printf "2,000-character record: %.0f characters/s, %s\n", 2000000 / s, i }'
arrive 2000 driver type-batch "$record"
awk -v s="$tolvane" -v b="$(span)" 'BEGIN {
  printf "bare SendInput batch of the same text: %.0f characters/s; Tolvane reaches %.2f of it\n", 2000000 / b, b / s }'

from=$(wc -l < "$keys") expected=""
for i in $(seq 100); do
  expected+=$(printf 'S%012d' "$i")
  scan "${expected: -13}"
  sleep 0.3
done
sleep 1
got=$(text) outcome="none lost or reordered"
[ "$got" = "$expected" ] || outcome="${#got} of ${#expected} characters arrived, $(
  [ ${#got} -eq ${#expected} ] && echo reordered || echo lost)" wrong+=("$outcome")
echo "100 scans of 13 characters: $outcome"

# With RecordEnd, a record is typed as its terminator arrives, not after the silence.
e2e_close "$active"
e2e_close "Tolvane Target"
launch terminated 'ComPort=5\r\nPostamble={TAB}\r\nRecordEnd=13\r\n' "$active" /M
e2e_target
for i in $(seq 10); do
  from=$(wc -l < "$keys") before=$(chars)
  scan "$(printf '%013d\\r' "$i")"
  sent=${EPOCHREALTIME/./} sent=$((sent / 1000))  # no process started between
  wait_typed $((before + 14)) 30 || true
  sleep 0.3
  tail -n +$((from+1)) "$keys" | awk -v s="$sent" '/down/ && !f { f = $NF } /up/ { l = $NF } END { print f - s, l - s }'
done | awk '{ f += $1; l += $2 } END {
  printf "with RecordEnd=13, last byte to first key event: %.0f ms, to the last: %.0f ms (mean of 10)\n", f / NR, l / NR }'

# 100 scans 20 ms apart, closer than the silence that would join them: 100 records, or the figures fail.
from=$(wc -l < "$keys") before=$(chars) expected=""
for i in $(seq -f '%03g' 100); do expected+="S$i|"; done
python3 -c 'import sys, time
f = open(sys.argv[1], "wb", 0)
for i in range(1, 101):
    f.write(b"S%03d\r" % i)
    time.sleep(0.02)' "$scanner"
wait_typed $((before + 500)) 30 || true
sleep 1
got=$(awk -v n="$from" 'NR > n && $1=="char" { printf "%c", ($2 == 9 ? 124 : $2 + 0) }' "$keys")
records=$(tr -cd '|' <<< "$got" | wc -c)
if [ "$got" != "$expected" ]; then
  echo "100 scans sent 20 ms apart with RecordEnd=13: $records records; merged or lost: [$got]"
  wrong+=("100 scans 20 ms apart with RecordEnd=13 gave $records records")
else
  echo "100 scans sent 20 ms apart with RecordEnd=13: 100 records, none merged or lost"
fi
[ ! -s "$work/wrong" ] || mapfile -t -O ${#wrong[@]} wrong < "$work/wrong"
[ ${#wrong[@]} -eq 0 ] || fail "records arrived wrong: $(printf '\n  %s' "${wrong[@]}")"
