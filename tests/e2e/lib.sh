# Shared by the end-to-end scripts: a virtual display, the Wine prefix, the driver, and
# clean-up of everything started. Source it; call e2e_setup <build-dir> first.

# A registry value for the test prefix; a wineserver still ending from the previous test can
# refuse the first attempt.
reg_add() {
  local i
  for i in 1 2 3 4 5; do
    wine reg add "$@" /f >/dev/null 2>&1 && return 0
    sleep 1
  done
  echo "could not set registry value: $*" >&2
  return 1
}

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
  # A display of our own for this run, unless asked to use the one we are on.
  if [ "${E2E_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 140); do
      if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
    done
    # -noreset: a keymap a test loads stays when the last client goes.
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  fi
  wineboot -i >/dev/null 2>&1 || true
  # Wine's own fonts (MS Sans Serif, and Marlett for the title-bar buttons) where this Wine
  # looks for them; without them dialogs are measured in a substitute font.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d /usr/share/wine/fonts ] && [ ! -e "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts" && cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
  fi
  # One virtual desktop for every program of the run: Wine draws the window frames and keeps
  # the keyboard focus itself, as Windows would, without an X window manager.
  # Arial is not Wine's own; Liberation Sans has its metrics, so the STEP labels wrap as on
  # Windows.
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans'
  reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
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

# Console output comes through Wine with CR LF line endings.
driver() { wine "$build/tests/e2e/tolvane-driver.exe" "$@" | tr -d '\r'; }

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

# A pseudo-terminal pair; one end becomes Wine's COMn, the scanner writes to the other.
# Sets $scanner to the scanner's end. Call before starting any Windows program.
e2e_serial() {
  local port="$1"
  e2e_replug "$port"
  reg_add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$work/tty$port"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  scanner="$work/scanner$port"
}

# Sends bytes (printf format) as the scanner would.
scan() { printf "$1" > "$scanner"; }

# Starts the target application with the focus; its key log is $keys.
e2e_target() {
  keys="$work/keys.log"
  (cd "$work" && exec wine "$build/tests/e2e/tolvane-target.exe" "$keys" >/dev/null 2>&1) &
  pids+=($!)
  driver wait "Tolvane Target" 60 || fail "the target window did not appear"
  sleep 0.5
}

# The characters the target received, as text (C escapes for control characters).
typed() {
  awk '$1=="char" { printf "%c", $2 + 0 }' "$keys" 2>/dev/null | od -An -c | tr -s ' ' | sed 's/^ //; s/ $//' | tr -d '\n'
}

# Waits until the target has received at least n characters.
wait_typed() {
  local n="$1" seconds="${2:-10}"
  for _ in $(seq $((seconds * 20))); do
    [ "$(grep -c '^char' "$keys" 2>/dev/null || true)" -ge "$n" ] && return 0
    sleep 0.05
  done
  return 1
}

# Everything the program writes to the line, collected from the scanner's end into $back.
e2e_listen() {
  back="$work/back.bin"
  : > "$back"
  cat "$scanner" >> "$back" &
  pids+=($!)
}

# The bytes collected so far, as od -c shows them.
heard() { od -An -c "$back" | tr -s ' ' | sed 's/^ //; s/ $//' | tr -d '\n'; }

# Waits until the main window's caption is exactly $1.
wait_caption() { driver wait "$1" "${2:-20}" || fail "caption \"$1\" did not appear (now: $(driver caption 'Tolvane (' 1 || true))"; }

# The text of the main window's Display box: controls are numbered from 100 in tab order,
# and Display is at 17.
display_text() {
  driver texts "$1" | awk -F'|' '$5=="id=117" { print $2; exit }'
}

# The scanner's cable is pulled: the pseudo-terminal pair goes away.
e2e_unplug() {
  local port="$1"
  local pid
  eval "pid=\${socat_$port:-}"
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do [ ! -e "$work/tty$port" ] && break; sleep 0.1; done
}

# The pair for COMn (again, after e2e_unplug), on the same paths.
e2e_replug() {
  local port="$1"
  socat pty,link="$work/tty$port",raw,echo=0 pty,link="$work/scanner$port",raw,echo=0 >/dev/null 2>&1 &
  pids+=($!)
  eval "socat_$port=$!"
  for _ in $(seq 50); do [ -e "$work/scanner$port" ] && break; sleep 0.1; done
}

# CPU seconds used so far by the Wine process running Tolvane.exe.
cpu_seconds() {
  local pid
  pid=$(pgrep -f 'Tolvane.exe' | head -1)
  [ -n "$pid" ] || { echo 0; return; }
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$pid/stat"
}

# Tolvane minimised on COM5 with the given configuration lines, the target in front; sets
# $folder and $active.
start_scanning() {
  active="Tolvane (Active On COM5)"
  e2e_serial 5
  folder=$(e2e_install app "[Tolvane]\r\nComPort=5\r\n$1")
  e2e_start "$folder" /M
  wait_caption "$active" 60
  e2e_target
}

# Scans bytes and waits until n characters in all have arrived, then a little more: nothing
# more may follow.
scan_and_wait() {
  scan "$1"
  wait_typed "$2" || fail "only $(grep -c '^char' "$keys" || true) characters arrived for $1"
  sleep 0.3
}

expect_typed() { [ "$(typed)" = "$1" ] || fail "$2: typed [$(typed)], expected [$1]"; }

# Closes a window and waits for it to go.
e2e_close() { driver close "$1"; driver gone "$1" 30 || fail "\"$1\" did not close"; }

# The start-at-logon command as UTF-8. reg query prints through the OEM code page, which
# turns most characters outside ASCII into '?'; an exported key is UTF-16.
runonce() {
  local reg="$work/runonce.reg"
  rm -f "$reg"
  wine reg export 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' "$(winepath -w "$reg")" /y >/dev/null 2>&1 || true
  [ -f "$reg" ] || return 0
  iconv -f UTF-16 -t UTF-8 "$reg" | tr -d '\r' | sed -n 's/^"Tolvane"="\(.*\)"$/\1/p' | sed 's/\\\(.\)/\1/g'
}
runonce_clear() { wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v Tolvane /f >/dev/null 2>&1 || true; }
