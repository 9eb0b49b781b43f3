#!/usr/bin/env bash
# A demonstration: Tolvane under Wine with a simulated scanner on COM5 and a target window in
# front; a few bar codes are read, and what arrived in the target is printed.
# Usage: demo.sh <build-dir> [bar code ...]
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_setup "$1"
shift
codes=("$@")
[ ${#codes[@]} -gt 0 ] || codes=("0123456789012" "TOLVANE-42" "A+B (1/2) ~x")

folder=$(e2e_install demo '[Tolvane]\r\nComPort=5\r\nRemoveReturns=1\r\nPostamble={ENTER}\r\nBeep=1\r\n')
echo "Starting Tolvane on COM5 (a pseudo-terminal standing in for the scanner's port)..."
e2e_start "$folder"
driver wait "Tolvane (Active On COM5)" 120 || fail "Tolvane did not start"
echo "Caption: $(driver caption 'Tolvane (' 5)"
e2e_target
for code in "${codes[@]}"; do
  echo "Scanner reads: $code"
  printf '%s\r\n' "$code" > "$scanner"
  sleep 0.8
done
sleep 0.5
screenshot demo
echo
echo "What arrived in the target window (one line per read, Enter ending each):"
awk '$1=="char" { c = $2 + 0; if (c == 13) printf "\n"; else printf "%c", c }' "$keys"
echo
echo "Screenshot: $shots/demo.png"
driver close "Tolvane (Active On COM5)"
driver gone "Tolvane (Active On COM5)" 30 || true
