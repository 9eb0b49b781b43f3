#!/usr/bin/env bash
# Builds everything and runs every test. Installs what it needs on a Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

# Fuzzers, each for a bounded time.
FUZZ_SECONDS="${FUZZ_SECONDS:-60}" scripts/fuzz.sh

# The Windows program is cross-compiled for both targets, each with its Windows Installer
# package; the 64-bit build's own tests (the profile functions compared with our codec, the
# end-to-end tests, its package installed, upgraded and removed) run under Wine, the 32-bit
# build's manifest and imports, its package's tables and the signing are checked.
for preset in win32 win64; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
done
ctest --preset win64
ctest --preset win32
scripts/check-imports.sh build/win32/Tolvane.exe

# The packages users install: the Debian package must satisfy lintian.
(cd build/linux && cpack >/dev/null)
lintian --fail-on error build/linux/tolvane_*_amd64.deb
(cd build/win32 && cpack >/dev/null)

# Figures of the real programs: the timings are printed, not judged; a record typed wrong or lost fails the test command.
bash tests/e2e/figures.sh build/win64
bash tests/linux/e2e.sh build/linux figures
# The soak's counts are printed; a scan lost, out of order or wrong fails the test command.
bash tests/linux/e2e.sh build/linux soak
bash tests/e2e/soak.sh build/win64
echo "All tests passed."
