#!/usr/bin/env bash
# Builds Tolvane and runs a demonstration: the Windows program under Wine (on a virtual
# display, or on yours with E2E_USE_DISPLAY=1), a simulated scanner on COM5 and a target
# window. Installs what it needs on a Debian machine.
# Arguments are bar codes to read instead of the built-in ones.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake --preset win64 >/dev/null
cmake --build --preset win64
exec bash scripts/demo.sh build/win64 "$@"
