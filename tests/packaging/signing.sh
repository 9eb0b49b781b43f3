#!/usr/bin/env bash
# scripts/sign.sh with a throw-away self-signed certificate: the program and the package come out signed by it and
# verify against it; without a certificate they are left as they were.
# Usage: signing.sh <Tolvane.exe> <package.msi>
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
sign="$(cd "$(dirname "$0")/../.." && pwd)/scripts/sign.sh"
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
cp "$1" "$work/Tolvane.exe" && cp "$2" "$work/Tolvane.msi"
files=("$work/Tolvane.exe" "$work/Tolvane.msi")

"$sign" "${files[@]}" >/dev/null
cmp -s "$1" "$work/Tolvane.exe" && cmp -s "$2" "$work/Tolvane.msi" || fail "changed without a certificate"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tolvane Test Signing" -keyout "$work/key.pem" \
  -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:s3cret -out "$work/cert.p12"
TOLVANE_SIGN_CERT="$work/cert.p12" TOLVANE_SIGN_PASSWORD=s3cret "$sign" "${files[@]}"
for f in "${files[@]}"; do
  out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$f" 2>&1) || fail "$(basename "$f") does not verify: $out"
  grep -q 'CN=Tolvane Test Signing' <<< "$out" || fail "$(basename "$f") is not signed by the test certificate"
done
[ -x "$work/Tolvane.exe" ] || fail "the signed program lost its execute permission"
echo "signed and verified: Tolvane.exe and the package"
