#!/usr/bin/env bash
# The portable core includes no OS header; only platform/ and the entry points may.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnE '#\s*include\s*<(windows|winsock2?|unistd|fcntl|termios|pthread|time|sys/[a-z_]+|w[a-z0-9_]*)\.h>' \
  --include='*.h' --include='*.cpp' common capture keysynth serialsettings config ui app/Tolvane.* || true)
if [ -n "$hits" ]; then
  echo "OS headers outside platform/:"
  echo "$hits"
  exit 1
fi
echo "layering ok"
