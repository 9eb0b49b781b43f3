# Shared by the end-to-end scripts: a virtual display, the Wine prefix, the driver, and
# clean-up of everything started. Source it; call e2e_setup <build-dir> first.

e2e_setup() {
  build="$(cd "$1" && pwd)"
  top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
  export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export LANG=en_US.UTF-8 LC_ALL=C.UTF-8
  shots="$top/build/screenshots"
  mkdir -p "$shots"
  work="$(mktemp -d /tmp/tolvane-e2e.XXXXXX)"
  pids=()
  trap e2e_cleanup EXIT
  # A display of our own for this run.
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  wineboot -i >/dev/null 2>&1 || true
  # One virtual desktop for every program of the run: Wine draws the window frames and keeps
  # the keyboard focus itself, as Windows would, without an X window manager.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

e2e_cleanup() {
  local rc=$?
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  for p in "${pids[@]:-}"; do [ -n "$p" ] && kill "$p" 2>/dev/null || true; done
  [ -n "${work:-}" ] && rm -rf "$work"
  exit $rc
}

driver() { wine "$build/tests/e2e/tolvane-driver.exe" "$@"; }

# A fresh program folder with Tolvane and, when given, a default.tlv.
e2e_install() {
  local folder="$work/$1"
  mkdir -p "$folder"
  cp "$build/Tolvane.exe" "$folder/"
  [ -f "$build/Tolvane.chm" ] && cp "$build/Tolvane.chm" "$folder/"
  if [ -n "${2:-}" ]; then printf '%b' "$2" > "$folder/default.tlv"; fi
  echo "$folder"
}

# Starts Tolvane from a folder, in the background, with arguments.
e2e_start() {
  local folder="$1"; shift
  (cd "$folder" && exec wine Tolvane.exe "$@" >/dev/null 2>"$folder/wine-stderr.log") &
  pids+=($!)
}

screenshot() { import -window root "$shots/$1.png"; }

fail() { echo "FAIL: $*" >&2; exit 1; }
