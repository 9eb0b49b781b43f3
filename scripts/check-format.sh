#!/usr/bin/env bash
# Fails, naming each file, when a C++ file of the tree is not as clang-format (.clang-format) would write it.
# Usage: scripts/check-format.sh     (scripts/check-format.sh --fix rewrites them)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is missing (scripts/deps.sh installs it)"; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# One run over every file; its complaints start with the file's name.
mapfile -t bad < <(clang-format --dry-run -Werror "${files[@]}" 2>&1 | sed -nE 's/^([^:]+):[0-9]+:[0-9]+: error:.*/\1/p' |
  sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (scripts/check-format.sh --fix, or clang-format -i):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "formatting ok"
