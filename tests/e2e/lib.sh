# Shared by the end-to-end scripts: a virtual display, the Wine prefix, a simulated scanner,
# the driver and the target, and clean-up of everything started. Source it, then call
# e2e_setup <build-dir>, or e2e_main "$@" to run the scenario_<name> the command line names.
set -euo pipefail
active="Tolvane (Active On COM5)" inactive="Tolvane (Inactive)"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Runs a command every 0.1 s until it succeeds, for at most n tenths of a second.
poll() { for _ in $(seq "$1"); do "${@:2}" && return; sleep 0.1; done; return 1; }

# A registry value for the test prefix; a wineserver still ending from the previous test can refuse the first attempts.
reg_add() {
  for _ in 1 2 3 4 5; do wine reg add "$@" /f >/dev/null 2>&1 && return; sleep 1; done
  fail "could not set registry value: $*"
}

wine_stop() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }
# Stopped, then started again with its output in the run's log. Started by whichever client came first, it wrote to
# that client's terminal, and when a test takes COM5's pseudo-terminal away (the wineserver holds it as its
# controlling terminal) this Wine dumps its object table there: tens of thousands of lines in the test command's output.
wine_restart() { wine_stop; wineserver -p >> "$work/wineserver.log" 2>&1; }

e2e_setup() {
  build="$(cd "$1" && pwd)" top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
  shots="$top/build/screenshots" work="$(mktemp -d /tmp/tolvane-e2e.XXXXXX)" pids=() keys="$work/keys.log"
  # The build's prefix, shared by its tests; a test that installs into Windows asks for one of the run's own
  # (E2E_OWN_PREFIX=1), made here and removed with the rest of the run.
  [ "${E2E_OWN_PREFIX:-0}" != 1 ] || WINEPREFIX="$work/prefix"
  export WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix}" WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" LANG=en_US.UTF-8 LC_ALL=C.UTF-8
  mkdir -p "$shots"
  trap e2e_cleanup EXIT
  # A display of our own for this run, unless asked to use the one we are on.
  if [ "${E2E_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    # It takes a free number and says which once it accepts clients. -noreset: a keymap a test loads stays when
    # the last client goes.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$work/display" >/dev/null 2>&1 & pids+=($!)
    poll 100 test -s "$work/display" || fail "no virtual display"
    export DISPLAY=":$(cat "$work/display")"
  fi
  wineboot -i >/dev/null 2>&1 || true
  # Wine's own fonts (MS Sans Serif, and Marlett for the title-bar buttons) where this Wine
  # looks for them; without them dialogs are measured in a substitute font.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -e "$fonts/marlett.ttf" ] || { mkdir -p "$fonts" && cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true; }
  # One virtual desktop for every program of the run: Wine draws the window frames and keeps the keyboard
  # focus itself, as Windows would, without an X window manager. Arial is not Wine's own; Liberation Sans has
  # its metrics, so the STEP labels wrap as on Windows.
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans'
  reg_add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
  # COM5 is one end of a pseudo-terminal pair; the scanner writes to the other, $scanner.
  port=5 scanner="$work/scanner5"
  e2e_replug
  reg_add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$work/tty$port"
  wine_restart
}

e2e_cleanup() {
  local rc=$?
  wine_stop
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  chattr -i "${folder:-$work}" 2>/dev/null || true  # a folder a test made read-only
  rm -rf "$work"
  exit $rc
}

e2e_main() { e2e_setup "$1"; "scenario_$2"; echo "$2 passed"; }

# Console output comes through Wine with CR LF line endings.
driver() { wine "$build/tests/e2e/tolvane-driver.exe" "$@" | tr -d '\r'; }

# Runs a command from a folder in the background, quietly.
bg() { (cd "$1" && shift && exec "$@" >/dev/null 2>&1) & pids+=($!); }

# A fresh program folder $work/<name>, with a default.tlv holding the text if given; prints it.
e2e_install() {
  mkdir -p "$work/$1" && cp "$build/Tolvane.exe" "$work/$1/"
  cp "$build/Tolvane.chm" "$work/$1/" 2>/dev/null || true
  [ -z "${2:-}" ] || printf '%b' "$2" > "$work/$1/default.tlv"
  echo "$work/$1"
}
# Starts Tolvane from a folder, with arguments.
e2e_start() { bg "$1" wine Tolvane.exe "${@:2}"; }
# Tolvane from a fresh folder, $folder, waited for by its caption if one is given.
launch() {  # folder name, configuration lines, caption, arguments...
  folder=$(e2e_install "$1" "[Tolvane]\r\n$2")
  e2e_start "$folder" "${@:4}"
  [ -z "$3" ] || wait_caption "$3" 60
}

screenshot() { import -window root "$shots/$1.png"; }

# The scanner's cable is pulled: the pair goes away; and plugged in again, on the same paths.
e2e_unplug() { kill "$socat"; poll 50 test ! -e "$work/tty$port" || fail "the pair stayed"; }
e2e_replug() {
  socat pty,link="$work/tty$port",raw,echo=0 pty,link="$scanner",raw,echo=0 >/dev/null 2>&1 & socat=$! pids+=($!)
  poll 50 test -e "$scanner" || fail "no pseudo-terminal"
}

# Sends bytes (printf format) as the scanner would.
scan() { printf "$1" > "$scanner"; }

# Everything the program writes to the line, collected from the scanner's end into $work/back.bin.
e2e_listen() { cat "$scanner" > "$work/back.bin" & pids+=($!); }

# A program in front, waited for by its caption: by default the target program, which logs
# the keys it receives to $keys.
e2e_target() {
  [ $# -gt 0 ] || set -- "Tolvane Target" wine "$build/tests/e2e/tolvane-target.exe" "$keys"
  bg "$work" "${@:2}"
  wait_caption "$1" 60
  sleep 1
}

# Tolvane minimised, active on COM5 with these configuration lines, and a program in front (arguments as e2e_target's).
start_scanning() { launch app "ComPort=5\r\n$1" "$active" /M && e2e_target "${@:2}"; }

# Waits for a window by its caption; failing, tells what Tolvane's caption is.
wait_caption() { driver wait "$1" "${2:-20}" || fail "no \"$1\" (Tolvane: $(driver caption 'Tolvane (' 1))"; }
# A menu command, and the window it opens.
menu() { driver command "$1" "$2"; wait_caption "$3" "${4:-20}"; }
# Waits for an error caption, into $caption.
error_caption() { caption=$(driver caption "Tolvane (Error: " "${1:-20}") || fail "no error caption"; }

# Closes a window and waits for it to go.
e2e_close() { driver close "$1"; driver gone "$1" "${2:-30}" || fail "\"$1\" did not close"; }

# Bytes in od -c form: one field per character, C escapes or octal for the unprintable.
codes() { od -An -c -w100000 | tr -s ' ' | sed 's/^ //; s/ $//'; }

# The characters the target received after the first n, in od -c form.
typed() { awk -v n="${1:-0}" '$1=="char" && ++i > n { printf "%c", $2 + 0 }' "$keys" | codes; }
chars() { grep -c '^char' "$keys" 2>/dev/null || true; }
lines() { wc -l < "$keys"; }
# The target's log after its n-th line, each character and the keys given: "+vk" pressed, "-vk" released, "code/caps"
# a character with Caps Lock's state as the application read it.
trace() {
  awk -v n="$1" -v keys=" ${*:2} " 'NR > n {
    if ($1 == "char") printf "%s%d/%d", sep, $2, $3
    else if (index(keys, " " $2 " ")) printf "%s%s%d", sep, ($1 ~ /down$/ ? "+" : "-"), $2
    else next
    sep = " " }' "$keys"
}
has_chars() { [ "$(chars)" -ge "$1" ]; }
wait_typed() { poll $((${2:-10} * 10)) has_chars "$1"; }

# Scans bytes and checks what the target receives for them (od -c form, as typed gives it),
# counting from its n-th character (by default, from what it had before).
step() {
  local from=${3:-$(chars)}
  scan "$1"
  wait_typed $((from + $(wc -w <<< "$2"))) || true
  sleep 0.5  # nothing more may follow
  [ "$(typed "$from")" = "$2" ] || fail "[$1] typed [$(typed "$from")], expected [$2]"
}

# default.tlv was written whole: every one of its 271 keys.
complete() { [ "$(grep -c = "$folder/default.tlv")" -eq 271 ] || fail "default.tlv is not complete"; }

# CPU seconds used so far by the Wine process running Tolvane.exe in this run's prefix (other runs may have theirs).
ours() { tr '\0' '\n' < "/proc/$1/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; }
cpu_seconds() {
  local p pid=""
  for p in $(pgrep -f Tolvane.exe); do ours "$p" && pid=$p && break; done
  [ -n "$pid" ] || fail "no Tolvane.exe of this run"
  awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$pid/stat"
}
