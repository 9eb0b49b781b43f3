#!/usr/bin/env bash
# The Windows front end's own pieces under Wine, on the end-to-end tests' virtual display: one case
# of windows_test, given the program whose resources it reads.
# Usage: windows.sh <build-dir> <case>
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
e2e_setup "$1"
wine "$build/tests/wine/windows_test.exe" "$2" "Z:$build/Tolvane.exe" | tr -d '\r'
