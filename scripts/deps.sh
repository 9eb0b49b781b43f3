#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those missing. Usage: deps.sh run|test
set -euo pipefail

base=(cmake ninja-build g++ make pkg-config libxkbcommon-dev libxkbcommon-x11-dev libx11-dev libx11-xcb-dev
      libxtst-dev xkb-data libx11-data)
case "${1:-test}" in
  run)  want=("${base[@]}" g++-mingw-w64-x86-64 wine wine64 fonts-wine fonts-liberation xvfb imagemagick socat fp-utils
              wixl msitools) ;;
  test) want=("${base[@]}" libgtest-dev libgmock-dev libbenchmark-dev
              g++-mingw-w64-i686 g++-mingw-w64-x86-64 clang libclang-rt-14-dev
              wine wine64 fonts-wine fonts-liberation xvfb imagemagick socat fp-utils e2fsprogs procps
              x11-utils x11-xkb-utils locales lintian dpkg-dev clang-format cloc python3 strace util-linux ser2net
              wixl msitools osslsigncode openssl) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
