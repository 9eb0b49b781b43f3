#!/usr/bin/env bash
# The 32-bit package, which cannot be installed here (no 32-bit Wine), read with msitools: a 32-bit package
# (Windows Installer gives it the 32-bit Program Files, "Program Files (x86)" on 64-bit Windows), the program's
# folder there with the build's own 32-bit program and help, and a 32-bit custom action.
# Usage: x86-package.sh <package.msi> <build-dir>
set -eu  # no pipefail: grep -q ends its pipe early
msi="$1" build="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT

msiinfo suminfo "$msi" | grep -qx 'Template: Intel;1033' || fail "not a 32-bit package: $(msiinfo suminfo "$msi" | grep Template)"
table Directory | grep -qxP 'INSTALLDIR\tProgramFilesFolder\tTolvane' || fail "the program's folder is not ProgramFilesFolder\\Tolvane"
! table Directory | grep -q ProgramFiles64Folder || fail "the package names the 64-bit Program Files"
table Component | awk -F'\t' '$4 % 512 >= 256 { bad = 1; print "64-bit component: " $1 } END { exit bad }' >&2 ||
  fail "64-bit components in a 32-bit package"
# Every file in the folder, each the build's.
[ "$(table File | awk -F'\t' '{ print $3 }' | sort | tr '\n' ' ')" = "Tolvane.chm Tolvane.exe " ] ||
  fail "files: $(table File | awk -F'\t' '{ print $3 }' | tr '\n' ' ')"
table Component | awk -F'\t' '{ print $3 }' | sort -u | grep -qx INSTALLDIR || fail "no component in INSTALLDIR"
(cd "$work" && msiextract "$msi" >/dev/null)
for f in Tolvane.exe Tolvane.chm; do
  cmp -s "$build/$f" "$work/Program Files/Tolvane/$f" || fail "$f in the package is not the build's"
done
i686-w64-mingw32-objdump -f "$work/Program Files/Tolvane/Tolvane.exe" | grep -q 'file format pei-i386' ||
  fail "Tolvane.exe is not a 32-bit program"
msiinfo extract "$msi" Binary.TolvaneSetup > "$work/setup.dll"
i686-w64-mingw32-objdump -f "$work/setup.dll" | grep -q 'file format pei-i386' || fail "the custom action is not 32-bit"
i686-w64-mingw32-objdump -p "$work/setup.dll" | grep -qE '\] CheckConfig$' || fail "the custom action exports no CheckConfig"
echo "the 32-bit package installs the build's 32-bit program and help in ProgramFilesFolder\\Tolvane"
