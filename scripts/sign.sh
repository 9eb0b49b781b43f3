#!/usr/bin/env bash
# Signs Windows programs and installer packages in place (Authenticode, SHA-256, with osslsigncode) when a
# certificate is given; without one it does nothing.
#   TOLVANE_SIGN_CERT       the code-signing certificate with its private key, a PKCS#12 file (.pfx, .p12)
#   TOLVANE_SIGN_PASSWORD   the file's password
#   TOLVANE_SIGN_TIMESTAMP  a timestamp server's URL (optional): the signature then stays valid after the
#                           certificate expires
# Usage: scripts/sign.sh FILE...
set -euo pipefail
[ -n "${TOLVANE_SIGN_CERT:-}" ] || exit 0
[ -r "$TOLVANE_SIGN_CERT" ] || { echo "$0: cannot read TOLVANE_SIGN_CERT ($TOLVANE_SIGN_CERT)" >&2; exit 1; }
for file in "$@"; do
  # The password goes through a pipe, never the command line.
  osslsigncode sign -pkcs12 "$TOLVANE_SIGN_CERT" -readpass <(printf '%s' "${TOLVANE_SIGN_PASSWORD:-}") -h sha256 \
    -n Tolvane -i https://tolvane.example/ ${TOLVANE_SIGN_TIMESTAMP:+-ts "$TOLVANE_SIGN_TIMESTAMP"} \
    -in "$file" -out "$file.signed" >/dev/null || { rm -f "$file.signed"; echo "$0: could not sign $file" >&2; exit 1; }
  chmod --reference="$file" "$file.signed"
  mv "$file.signed" "$file"
  echo "Signed $file"
done
