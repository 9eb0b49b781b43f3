#!/usr/bin/env bash
# Makes the packages users install: build/win32/Tolvane-<version>-win32.zip (the Windows
# program, stripped, with its help and a read-me) and build/linux/tolvane_<version>_amd64.deb
# (the Linux program, checked with lintian).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
for preset in win32 linux; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  (cd "build/$preset" && cpack)
done
lintian --fail-on error build/linux/tolvane_*_amd64.deb
