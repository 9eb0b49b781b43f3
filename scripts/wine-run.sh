#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first use).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
command -v wine >/dev/null || { echo "wine is not installed" >&2; exit 1; }
exec wine "$@"
