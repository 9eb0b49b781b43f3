#!/usr/bin/env bash
# Code lines (cloc: no blank or comment lines) of the product and of all test code.
# Product: the C++ outside tests/ and bench/, and, in the second measure, also its build files,
# resource script and the scripts that build, run and package it. Tests: unit tests and their
# support, end-to-end scripts and programs, the Wine-run tests, fuzzers, benchmarks, and in the
# second measure also the scripts that run and check them.
# Usage: scripts/line-counts.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count() { cloc --quiet --csv --list-file=<(git ls-files "$@" | grep -v /corpus/) 2>/dev/null | awk -F, '$2=="SUM" { print $5 }'; }
product=$(count '*.cpp' '*.h' ':!tests' ':!bench')
build=$(count CMakeLists.txt cmake app/Tolvane.rc scripts/run.sh scripts/deps.sh scripts/package.sh \
  scripts/demo.sh scripts/make-icon.py)
tools=$(count scripts/test.sh scripts/fuzz.sh 'scripts/check-*.sh' scripts/line-counts.sh scripts/wine-run.sh .ci/run)
unit=$(count tests/capture tests/common tests/config tests/keysynth tests/platform tests/serialsettings tests/ui \
  tests/support tests/linux/LinuxTest.cpp)
e2e=$(count tests/e2e tests/linux/e2e.sh tests/linux/KeyLog.cpp)
wine=$(count tests/wine)
fuzz=$(count tests/fuzz)
bench=$(count bench)
all=$(count tests bench)
awk -v p="$product" -v u="$unit" -v e="$e2e" -v w="$wine" -v f="$fuzz" -v b="$bench" -v a="$all" \
    -v pb="$((product + build))" -v at="$((all + tools))" 'BEGIN {
  printf "product C++  %5d\n", p
  printf "unit tests   %5d  %3.0f%%\n", u, 100 * u / p
  printf "end to end   %5d\nunder Wine   %5d\nfuzzers      %5d\nbenchmarks   %5d\n", e, w, f, b
  printf "all tests    %5d  %3.0f%%\n", a, 100 * a / p
  printf "with build files and scripts on both sides: product %d, tests %d (%.0f%%), unit %.0f%%\n",
    pb, at, 100 * at / pb, 100 * u / pb }'
