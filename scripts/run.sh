#!/usr/bin/env bash
# Builds Tolvane and runs it. Installs what it needs on a Debian machine.
# Arguments are passed on (for the simulator: the scans to send, e.g. 'ABC\r\n').
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake --preset linux -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF >/dev/null
cmake --build --preset linux --target tolvane-sim
exec build/linux/tolvane-sim "$@"
