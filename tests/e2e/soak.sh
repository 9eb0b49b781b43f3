#!/usr/bin/env bash
# The soak of the real program under Wine: 1,000 scans into the target program, the port taken away and given back
# every 100 scans, and two bursts of 64 KiB (32 scans of 2 KiB back to back in one write). Prints the scans sent,
# typed, lost and out of order, and the private bytes of Tolvane's process at the start and the end. A scan lost, out
# of order or garbled, or a fault that did not show as it should, fails it.
# Usage: soak.sh <build-dir>
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
start_scanning 'Postamble={TAB}\r\n'
private_bytes() { driver private-bytes "$active" || echo "?"; }

# Scan i is "S", its number in four digits, then 8 lower-case letters that follow from the number. In a burst it is
# 2 KiB: 32 such letters, one every 64 bytes, the bytes between them 0x01, which types nothing (a burst typed in full
# is fault_burst_64k's; this one would take many minutes under Wine). One line per write: a few scans at a scanner's
# pace, or a burst; none spans a hundred. $work/sent holds each scan as it is to be typed.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
bursts = [range(300, 332), range(700, 732)]
def letter(i, j):
    return chr(97 + (i * 7 + j) % 26)
def scan(i):
    if any(i in b for b in bursts):
        return f"S{i:04d}" + "".join(letter(i, j) if j % 64 == 0 else "\x01" for j in range(2043))
    return f"S{i:04d}" + "".join(letter(i, j) for j in range(8))
with open(f"{work}/sent", "w") as f:
    f.write("".join(scan(i).replace("\x01", "") + "\n" for i in range(1000)))
with open(f"{work}/writes", "w") as f:
    i = 0
    while i < 1000:
        burst = next((b for b in bursts if i == b.start), None)
        n = len(burst) if burst else min(5, 100 - i % 100, *(b.start - i for b in bursts if b.start > i))
        f.write(f"{i} {n} " + "".join(scan(k) for k in range(i, i + n)) + "\n")
        i += n
PY
# The characters typed, Tabs left out.
typed_count() { awk '$1=="char" && $2 != 9' "$keys" | wc -l; }
all_typed() { [ "$(typed_count)" -ge "$1" ]; }

start_bytes="" sent_chars=0 replugs=0 faults=()
t0=$(date +%s)
while read -r first n text; do
  if [ "$first" -gt 0 ] && [ $((first % 100)) -eq 0 ]; then
    # Everything sent so far is typed before the port goes; then it goes, is told, and comes back.
    poll 1200 all_typed "$sent_chars" || faults+=("before scan $first: $(typed_count) of $sent_chars characters typed")
    e2e_unplug
    driver caption "Tolvane (Error: " 20 >/dev/null || faults+=("the port's going before scan $first was not told")
    e2e_replug
    driver wait "$active" 20 || faults+=("the port not opened again before scan $first")
    replugs=$((replugs + 1))
  fi
  printf '%s' "$text" > "$scanner"
  typed_text=${text//$'\x01'/}
  sent_chars=$((sent_chars + ${#typed_text}))
  sleep 0.12
  [ -n "$start_bytes" ] || [ "$first" -lt 100 ] || start_bytes=$(private_bytes)
done < "$work/writes"
poll 3000 all_typed "$sent_chars" || true
sleep 1
end_bytes=$(private_bytes)

awk '$1=="char" && $2 != 9 { printf "%c", $2 + 0 }' "$keys" > "$work/typed"
python3 - "$work" "$replugs" "$(($(date +%s) - t0))" "$start_bytes" "$end_bytes" "${faults[@]}" <<'PY'
import re, sys
work, replugs, seconds, start, end, faults = *sys.argv[1:6], sys.argv[6:]
sent = open(f"{work}/sent").read().split()
typed = open(f"{work}/typed").read()
found, covered = [], 0
for m in re.finditer(r"S(\d{4})[a-z]+", typed):
    i = int(m.group(1))
    if i < len(sent) and m.group(0) == sent[i]:
        found.append(i)
        covered += len(m.group(0))
intact = len(set(found))
lost = len(sent) - intact
out_of_order = sum(1 for a, b in zip(found, found[1:]) if b <= a)
garbled = len(typed) - covered
print(f"soak under Wine: {len(sent)} scans sent ({sum(map(len, sent))} characters typed, 2 bursts of 64 KiB, the port "
      f"away and back {replugs} times) in {seconds} s: {intact} typed, {lost} lost, {out_of_order} out of order, "
      f"{garbled} characters of no scan; private bytes {start} KiB at the start, {end} KiB at the end")
for fault in faults:
    print(f"soak: {fault}", file=sys.stderr)
if lost or out_of_order or garbled or faults:
    sys.exit("FAIL: soak under Wine: scans lost, out of order or garbled, or a fault not shown as it should be")
PY
