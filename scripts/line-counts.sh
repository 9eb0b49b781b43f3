#!/usr/bin/env bash
# Code lines (cloc: no blank or comment lines) of the product's C++ and of all test code (unit
# tests with their fakes and support, end-to-end and package scripts and programs, the Wine-run tests, fuzzers,
# benchmarks). Usage: scripts/line-counts.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count() { cloc --quiet --csv --list-file=<(git ls-files "$@" | grep -v /corpus/) 2>/dev/null | awk -F, '$2=="SUM" { print $5 }'; }
product=$(count '*.cpp' '*.h' ':!tests' ':!bench')
unit=$(count tests/fakes tests/capture tests/common tests/config tests/keysynth tests/serialsettings tests/ui tests/support \
  tests/contract tests/linux/LinuxTest.cpp tests/linux/PosixSerialTest.cpp tests/linux/PosixNetworkTest.cpp \
  tests/linux/DeviceEnd.h tests/linux/XTestTypingTest.cpp tests/linux/UinputBed.cpp \
  tests/linux/UinputBed.h tests/linux/UinputTest.cpp)
e2e=$(count tests/e2e tests/packaging tests/linux/e2e.sh tests/linux/soak.py tests/linux/KeyLog.cpp)
wine=$(count tests/wine)
fuzz=$(count tests/fuzz)
bench=$(count bench)
all=$(count tests bench)
awk -v p="$product" -v u="$unit" -v e="$e2e" -v w="$wine" -v f="$fuzz" -v b="$bench" -v a="$all" 'BEGIN {
  printf "product C++  %5d\n", p
  printf "unit tests   %5d  %5.1f%%\n", u, 100 * u / p
  printf "end to end   %5d\nunder Wine   %5d\nfuzzers      %5d\nbenchmarks   %5d\n", e, w, f, b
  printf "all tests    %5d  %5.1f%%\n", a, 100 * a / p }'
