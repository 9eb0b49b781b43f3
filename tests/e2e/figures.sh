#!/usr/bin/env bash
# Figures of the real program under Wine (printed, never asserted): latency from the last byte
# of a read to the first and last key event in the target, the characters per second of a
# 2,000-character record, and lost or reordered characters over 100 consecutive scans.
# Usage: figures.sh <build-dir>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

e2e_serial 5
folder=$(e2e_install figures '[Tolvane]\r\nComPort=5\r\nPostamble={TAB}\r\n')
e2e_start "$folder" /M
driver wait "Tolvane (Active On COM5)" 60 || fail "no port"
e2e_target

now_ms() { date +%s%3N; }
chars() { grep -c '^char' "$keys" || true; }
# Key events after line n of the log: the first and the last time stamp.
first_event() { awk -v n="$1" 'NR > n && ($1=="down" || $1=="sysdown") { print $NF; exit }' "$keys"; }
last_event() { awk -v n="$1" 'NR > n && ($1=="up" || $1=="sysup") { t = $NF } END { print t }' "$keys"; }

# Latency, ten 13-character reads.
total_first=0 total_last=0
for i in $(seq 10); do
  lines=$(wc -l < "$keys"); before=$(chars)
  printf '%013d' "$i" > "$scanner"
  sent=$(now_ms)
  for _ in $(seq 200); do [ "$(chars)" -ge $((before + 14)) ] && break; sleep 0.02; done
  sleep 0.3
  f=$(first_event "$lines"); l=$(last_event "$lines")
  total_first=$(awk -v a="$total_first" -v f="$f" -v s="$sent" 'BEGIN { print a + f - s }')
  total_last=$(awk -v a="$total_last" -v l="$l" -v s="$sent" 'BEGIN { print a + l - s }')
done
awk -v f="$total_first" -v l="$total_last" 'BEGIN {
  printf "last byte to first key event: %.0f ms (mean of 10; the record ends after 150-200 ms of silence)\n", f / 10
  printf "last byte to last key event:  %.0f ms (13 characters and Tab)\n", l / 10 }'

# Throughput, one 2,000-character record.
record=$(head -c 2000 < <(yes 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789' | tr -d '\n'))
lines=$(wc -l < "$keys"); before=$(chars)
printf '%s' "$record" > "$scanner"
for _ in $(seq 600); do [ "$(chars)" -ge $((before + 2001)) ] && break; sleep 0.05; done
sleep 0.5
got=$(awk -v n="$lines" 'NR > n && $1=="char" && $2 != 9 { printf "%c", $2 + 0 }' "$keys")
span=$(awk -v n="$lines" 'NR > n && $1=="char" { if (!s) s = $NF; e = $NF } END { print e - s }' "$keys")
intact=$([ "$got" = "$record" ] && echo intact || echo "NOT intact (${#got} characters arrived)")
awk -v s="$span" -v i="$intact" 'BEGIN { printf "2,000-character record: %.0f characters/s, %s\n", 2000 / (s / 1000), i }'

# The same text as one bare SendInput batch into the same window: what typing can do at best.
printf '%s' "$record" > "$work/bare.txt"
lines=$(wc -l < "$keys"); before=$(chars)
driver type-batch "$(winepath -w "$work/bare.txt")" || echo "(the bare batch was not taken)"
for _ in $(seq 600); do [ "$(chars)" -ge $((before + 2000)) ] && break; sleep 0.05; done
sleep 0.5
bare=$(awk -v n="$lines" 'NR > n && $1=="char" { if (!s) s = $NF; e = $NF } END { print e - s }' "$keys")
awk -v s="$span" -v b="$bare" 'BEGIN { printf "bare SendInput batch of the same text: %.0f characters/s; Tolvane reaches %.2f of it\n", 2000 / (b / 1000), b / s }'

# 100 consecutive 13-character scans.
lines=$(wc -l < "$keys")
expected=""
for i in $(seq 100); do
  code=$(printf 'S%012d' "$i")
  expected+="$code"
  printf '%s' "$code" > "$scanner"
  sleep 0.3
done
sleep 1
got=$(awk -v n="$lines" 'NR > n && $1=="char" && $2 != 9 { printf "%c", $2 + 0 }' "$keys")
if [ "$got" = "$expected" ]; then
  echo "100 scans of 13 characters: none lost or reordered"
else
  echo "100 scans of 13 characters: ${#got} of ${#expected} characters arrived, $( [ "${#got}" -eq "${#expected}" ] && echo reordered || echo lost)"
fi
