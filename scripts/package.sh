#!/usr/bin/env bash
# Makes the packages users install: build/win32/Tolvane-<version>-win32.zip (the Windows program, stripped, with
# its help and a read-me), build/win32/Tolvane-<version>-x86.msi (the Windows Installer package administrators
# deploy), build/win64/Tolvane-<version>-x64.msi (the same from the 64-bit build) and
# build/linux/tolvane_<version>_amd64.deb (the Linux program, checked with lintian).
# With TOLVANE_SIGN_CERT (and TOLVANE_SIGN_PASSWORD, TOLVANE_SIGN_TIMESTAMP; see scripts/sign.sh) the Windows
# programs and both installer packages are signed, the programs before they are packed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
for preset in win32 win64 linux; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
if [ -n "${TOLVANE_SIGN_CERT:-}" ]; then
  scripts/sign.sh build/win32/Tolvane.exe build/win64/Tolvane.exe
  # The packages again, around the signed programs.
  for preset in win32 win64; do cmake --build --preset "$preset" --target tolvane_msi; done
  scripts/sign.sh build/win32/Tolvane-*-x86.msi build/win64/Tolvane-*-x64.msi
fi
for preset in win32 linux; do (cd "build/$preset" && cpack); done
lintian --fail-on error build/linux/tolvane_*_amd64.deb
