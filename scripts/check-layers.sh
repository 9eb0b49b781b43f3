#!/usr/bin/env bash
# Which folder may include which. The portable core (common capture keysynth serialsettings config ui app)
# includes only the C++ standard library, itself and the interfaces of platform/; platform/ is headers
# that include only platform/, common/ and the form model the toolkit draws (ui/Form.h). A front end (windows/,
# linux/) includes the core and itself, never the other front end; the product never includes tests/.
# Usage: scripts/check-layers.sh [top]   (top: the tree to check, by default this one)
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"
core=(common capture keysynth serialsettings config ui app)
bad=""

# Lines "file:line:folder/header" of every project include in the given folders.
project_includes() { grep -rnoE '^\s*#\s*include\s*"[^"]+"' --include='*.h' --include='*.cpp' "$@" 2>/dev/null |
  sed -E 's/:\s*#\s*include\s*"/:/; s/"$//' || true; }
# Those whose folder is not one of the allowed ones (a bare file name is the folder's own).
refuse() {
  local allowed="$1"; shift
  project_includes "$@" | awk -F: -v ok="$allowed" '{ n = split($3, p, "/"); if (n > 1 && index(" " ok " ", " " p[1] " ") == 0) print }'
}
note() { [ -n "$2" ] && bad+="$1:"$'\n'"$2"$'\n' || true; }

# System headers: the core and the interfaces know only the C++ standard library (no ".h", no folders).
note "OS or library headers in the portable core" \
  "$(grep -rnE '^\s*#\s*include\s*<[^>]*(\.h|/)[^>]*>' --include='*.h' --include='*.cpp' "${core[@]}" platform || true)"
note "The core includes a front end or the tests" "$(refuse "${core[*]} platform" "${core[@]}")"
note "platform/ includes more than the interfaces" \
  "$(project_includes platform | grep -vE ':(platform/[^/]+|common/[^/]+|ui/Form)\.h$' || true)"
note "windows/ includes another front end or the tests" "$(refuse "${core[*]} platform windows" windows)"
note "linux/ includes another front end or the tests" "$(refuse "${core[*]} platform linux" linux)"

if [ -n "$bad" ]; then
  printf '%s' "$bad"
  exit 1
fi
echo "layering ok"
