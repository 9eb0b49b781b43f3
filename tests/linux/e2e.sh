#!/usr/bin/env bash
# The Linux program end to end: Xvfb, a pseudo-terminal pair for the scanner, tolvane typing
# with XTest into an X client that logs what it receives.
# Usage: e2e.sh <build-dir> <scenario>
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/tolvane-linux.XXXXXX)"
cfg="$work/cfg.tlv"
keylog="$build/tests/linux/tolvane-keylog"
# Everything started ends before its files go; the test's status stays.
# Processes that are not jobs of this shell (a traced one) are in $strays.
strays=""
trap 'rc=$?; kill $(jobs -p) $strays 2>/dev/null || true; wait; rm -rf "$work"; exit $rc' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }
# A case that goes wrong is told and the scenario goes on to its other cases; it fails at the end.
failed=""
wrong() { echo "WRONG: $*" >&2; failed+="$*"$'\n'; }
# Runs the command until it succeeds, for at most n tenths of a second.
poll() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
# Whether the command prints this line.
is() { [ "$("${@:2}")" = "$1" ]; }
# A test bed's premise: the command prints what the case needs, or the bed is broken.
premise() { is "$1" "${@:3}" || fail "premise: $2 (got [$("${@:3}" 2>&1)], expected [$1])"; }

# A display of our own: the X server takes a free number and says which once it accepts clients.
xserver() {
  rm -f "$work/display"
  Xvfb ${1:-} -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3> "$work/display" >/dev/null 2>&1 &
  xvfb=$!
  poll 100 test -s "$work/display" || fail "no X server"
  export DISPLAY=":$(cat "$work/display")"
}
xserver

plug() {
  socat pty,link="$work/dev",raw,echo=0 pty,link="$work/scanner",raw,echo=0 >/dev/null 2>&1 &
  socat_pid=$!
  poll 50 test -e "$work/scanner" || fail "no pseudo-terminal"
}

# The key log in front, with its options; sets $logger.
logger() {
  "$keylog" "$work/keys" "$@" &
  logger=$!
  poll 50 xprop -name "Tolvane Key Log" WM_NAME >/dev/null 2>&1 || fail "no key log window"
  mark
}
# tolvane with the configuration lines given, the key log (with options after the lines) in
# front, the device plugged; sets $tolvane.
# The device is $device when set (a network address), else the pair's end.
start() {
  begin "$@"
  status "Active on ${device:-$work/dev}"
}
# The same without waiting for the device.
begin() {
  [ -n "${device:-}" ] || [ -e "$work/dev" ] || plug
  printf "[Tolvane]\r\nDevice=%s\r\n$1" "${device:-$work/dev}" > "$cfg"
  logger "${@:2}"
  "$build/tolvane" --config "$cfg" --typing xtest ${args:-} > "$work/out" 2> "$work/err" &
  tolvane=$!
}
# Runs the command as the user nobody, with no groups.
nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
# The program ends by SIGTERM, with its status; the key log goes too.
stop() {
  local rc=0
  kill -TERM "$tolvane"
  wait "$tolvane" || rc=$?
  kill "$logger" 2>/dev/null && wait "$logger" 2>/dev/null
  return $rc
}
# Until the last line the program says, other than its messages, is this one.
status() { poll 100 is "$1" eval 'grep -v "^tolvane:" "$work/err" | tail -1' || fail "no status \"$1\""; }
# What the client received since the last mark: characters, and the names of keys that type none.
since=0
mark() { since=$(wc -l < "$work/keys" 2>/dev/null || echo 0); }
typed() {
  awk -v n="$since" 'NR > n && $4 !~ /^(Shift_L|ISO_Level3_Shift)$/ {
    text = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ ?/, "", text); printf "%s", (text == "" ? "<" $4 ">" : text) }' "$work/keys"
}
# The keysyms of every key pressed since the mark, modifiers too, with the key names.
pressed() { awk -v n="$since" 'NR > n { printf "%s%s%s", (NR > n + 1 ? " " : ""), $4, $3 }' "$work/keys"; }
# The scanner sends bytes (printf format); given them, what is then typed at last and what for.
scan() {
  printf "$1" > "$work/scanner"
  [ $# -eq 1 ] || poll 60 is "$2" typed || wrong "$3: typed [$(typed)], expected [$2]"
}
# The key log's word on the keyboard: locked group and modifiers, a key's keycode and keysyms.
state() { "$keylog" state; }
key() { "$keylog" key "$@"; }

# A scan with its postamble, the translation table, a character outside ASCII; framing by
# silence; the record on standard output when asked (--echo).
scenario_scan() {
  args=--echo start 'Postamble={TAB}\r\nRemoveReturns=1\r\n'
  scan 'Ab1+~{}\351$\r\n' 'Ab1+~{}é<F9><Tab>' "the scan"
  scan 'AB'; sleep 0.06; scan 'CD'; sleep 0.5
  scan 'EF' 'Ab1+~{}é<F9><Tab>ABCD<Tab>EF<Tab>' "60 ms apart joins, 500 ms apart separates"
  grep -qxF -e 'Ab1+~{}\xE9$\r{TAB}' -e 'Ab1+~{}\xE9${TAB}' "$work/out" || fail "records printed: $(cat "$work/out")"
}

# Acknowledgement bytes after each record; a device that goes away is reopened.
scenario_device() {
  start 'Postamble={TAB}\r\nScannerBeepString=27,7\r\n'
  cat "$work/scanner" > "$work/back" &
  scan 'A' 'A<Tab>' "before"
  [ "$(od -An -c "$work/back" | tr -d ' \n')" = '033\a' ] || fail "acknowledgement [$(od -An -c "$work/back")]"
  kill "$socat_pid"
  poll 50 grep -q '^Error: ' "$work/err" || fail "no error when the device went away"
  poll 50 test ! -e "$work/dev" || fail "the pair stayed"
  plug
  status "Active on $work/dev"
  scan 'B' 'A<Tab>B<Tab>' "after the device came back"
}

# A record ends at its terminator: two codes in one write are two records, each with its
# postamble; with CR LF as the terminator, both bytes end it; a terminator that does not come
# in full is data, and silence ends that record. Without RecordEnd, the write is one record.
scenario_recordend() {
  start 'Postamble={TAB}\r\n'
  scan 'A1\rB2\r' 'A1<Return>B2<Return><Tab>' "premise: without RecordEnd, one record"
  stop || true
  start 'Postamble={TAB}\r\nRecordEnd=13\r\nScannerBeepString=7\r\nKeyTrans10=lf\r\n'
  cat "$work/scanner" > "$work/back" &
  scan 'A1\rB2\r' 'A1<Tab>B2<Tab>' "RecordEnd=13"
  poll 20 is 2 eval 'wc -c < "$work/back"' || wrong "acknowledgements [$(od -An -c "$work/back")], one for each"
  scan 'C3\r\nD4\r' 'A1<Tab>B2<Tab>C3<Tab>lfD4<Tab>' "CR LF with RecordEnd=13: the LF begins the next"
  stop || true
  start 'Postamble={TAB}\r\nRecordEnd=13,10\r\n'
  scan 'A1\r\nB2\r\n' 'A1<Tab>B2<Tab>' "RecordEnd=13,10"
  scan 'C3\r' 'A1<Tab>B2<Tab>C3<Return><Tab>' "a terminator not in full, ended by silence"
}

# The device servers: the test's own, raw, on a free port ($port); and ser2net with RFC 2217.
freeport() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
serve() {
  port=$(freeport)
  : > "$work/netdev.done"
  : > "$work/accepts"
  python3 "$(dirname "$0")/netdev.py" "$port" "$work" &
  poll 50 test -e "$work/netdev.ready" || fail "no device server"
}
# A command to the test's server, done when it returns.
net() {
  local n
  n=$(wc -l < "$work/netdev.done")
  echo "$*" > "$work/netdev"
  poll 50 is $((n + 1)) eval 'wc -l < "$work/netdev.done"' || fail "the device server did not take: $*"
}
hex() { printf "$1" | od -An -tx1 | tr -d ' \n'; }
heard() { od -An -c "$work/heard" 2>/dev/null | tr -d ' \n'; }

# Records over a raw TCP connection, acknowledgements back over it.
scenario_tcp() {
  serve
  device="tcp://127.0.0.1:$port" start 'Postamble={TAB}\r\nRecordEnd=13\r\nScannerBeepString=27,7\r\n'
  net send "$(hex 'A1\rB2\r')"
  poll 60 is 'A1<Tab>B2<Tab>' typed || wrong "typed [$(typed)], expected [A1<Tab>B2<Tab>]"
  poll 20 is '033\a033\a' heard || wrong "acknowledgements [$(heard)]"
  net send "$(hex 'C3')"
  poll 60 is 'A1<Tab>B2<Tab>C3<Tab>' typed || wrong "silence ends a record: typed [$(typed)]"
}

# CPU time the program has used, in clock ticks.
cpu() { awk '{ print $14 + $15 }' "/proc/$tolvane/stat"; }
# A connection dropped: what came before it is not lost; a server that refuses is named with the
# reason; a retry every second, quiet in between; typing again once it is back. Addresses
# malformed or unknown are told by name.
scenario_drop() {
  serve
  local address="tcp://127.0.0.1:$port" before
  device="$address" start 'Postamble={TAB}\r\n'
  net send "$(hex 'A1')"
  poll 60 is 'A1<Tab>' typed || wrong "before the drop: typed [$(typed)]"
  net send "$(hex 'B2')"
  net down
  net drop
  status "Error: cannot connect to $address: Connection refused"
  before=$(cpu)
  sleep 3
  [ $(($(cpu) - before)) -lt 30 ] || wrong "$(($(cpu) - before)) ticks of CPU in 3 s of retrying"
  net slam on
  net up
  sleep 3.5
  local accepts
  accepts=$(wc -l < "$work/accepts")
  [ "$accepts" -ge 3 ] && [ "$accepts" -le 6 ] || wrong "$accepts connections in 3.5 s, one a second expected"
  net slam off
  status "Active on $address"
  # A half record carries over a closed port, and is completed once it is open again.
  poll 60 is 'A1<Tab>B2<Tab>' typed || wrong "the bytes just before the drop: typed [$(typed)]"
  net send "$(hex 'C3')"
  poll 60 is 'A1<Tab>B2<Tab>C3<Tab>' typed || wrong "after the connection came back: typed [$(typed)]"
  stop || true
  device="tcp://127.0.0.1" begin ''
  poll 50 grep -q "^Error: .*tcp://127.0.0.1: no port" "$work/err" || wrong "a malformed address not told: $(cat "$work/err")"
  stop || true
  device="tcp://no-such-host.invalid:4001" begin ''
  poll 100 grep -q "^Error: cannot connect to tcp://no-such-host.invalid:4001: " "$work/err" ||
    wrong "an unknown host not told: $(cat "$work/err")"
}

# ser2net, a real device server, with RFC 2217 in front of the pair: the rate from Settings read
# back from the device behind it, the parity in the line ser2net set on it (a pseudo-terminal
# keeps no parity to read back), records one way and acknowledgements the other.
scenario_rfc2217() {
  plug
  port=$(freeport)
  printf 'connection: &scanner\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%s\n  connector: serialdev,%s,9600n81,local\n' \
    "$port" "$work/dev" > "$work/ser2net.yaml"
  strace -f -qq -v -e trace=ioctl -o "$work/ioctl" ser2net -n -d -c "$work/ser2net.yaml" > "$work/ser2net.log" 2>&1 &
  local tracer=$! ser2net
  poll 50 eval ': < /dev/tcp/127.0.0.1/$port' 2>/dev/null || fail "ser2net does not listen: $(cat "$work/ser2net.log")"
  ser2net=$(pgrep -P "$tracer")
  strays+=" $ser2net"  # the tracer's end leaves it running
  [ "$(stty -F "$work/dev" speed)" != 19200 ] || fail "premise: the device is at 19200 before"
  device="rfc2217://127.0.0.1:$port" start 'Postamble={TAB}\r\nRecordEnd=13\r\nSettings=19200,O,8,2\r\nScannerBeepString=27,7\r\n'
  poll 50 is 19200 stty -F "$work/dev" speed || wrong "the rate at the device: $(stty -F "$work/dev" speed)"
  stty -F "$work/dev" -a | grep -qw cstopb || wrong "two stop bits at the device: $(stty -F "$work/dev")"
  grep -q 'c_cflag=B19200|.*CSTOPB|.*PARENB|PARODD' "$work/ioctl" ||
    wrong "no odd parity set on the device: $(grep -o 'c_cflag=[^,]*' "$work/ioctl" | sort -u)"
  cat "$work/scanner" > "$work/back" &
  scan 'A1\rB2\r' 'A1<Tab>B2<Tab>' "records through ser2net"
  poll 20 is '033\a033\a' eval 'od -An -c "$work/back" | tr -d " \n"' || wrong "acknowledgements [$(od -An -c "$work/back")]"
  stop || true
}

# The first run, without a file, writes every key (the Linux keys too, XkbVariant empty) and the
# autostart entry, the file named by its absolute path however it was given; a second copy on
# the same file says so and ends with a status of its own; bad arguments are refused; records
# stay off a standard output that is no terminal.
scenario_life() {
  export XDG_CONFIG_HOME="$work/xdg"
  [ -e "$work/dev" ] || plug
  logger
  rm -f "$work/my scanner.tlv"
  (cd "$work" && exec "$build/tolvane" --config 'my scanner.tlv' --typing xtest > "$work/out" 2> "$work/err") &
  tolvane=$!
  poll 50 grep -q '^tolvane: typing with' "$work/err" || fail "no start"
  [ "$(cd "$work" && "$build/tolvane" --config 'my scanner.tlv' --typing xtest 2> "$work/second"; echo $?)" = 3 ] &&
    grep -qi 'already running' "$work/second" || wrong "second copy: $(cat "$work/second")"
  [ "$("$build/tolvane" --bogus 2>/dev/null; echo $?)" = 2 ] || wrong "bad arguments not refused"
  stop || wrong "exit status $?"
  [ "$(grep -c '=' "$work/my scanner.tlv")" -eq 274 ] || fail "$(grep -c '=' "$work/my scanner.tlv") keys written"
  grep -q '^Device=' "$work/my scanner.tlv" && grep -q '^XkbVariant=' "$work/my scanner.tlv" || fail "Linux keys lost"
  # The user's own file, AutoLoad on: the autostart entry is written though the file is not.
  sed -i 's/^AutoLoad=0/AutoLoad=1/; s#^Device=#Device='"$work"'/dev#' "$work/my scanner.tlv"
  cp "$work/my scanner.tlv" "$work/before"
  (cd "$work" && exec "$build/tolvane" --config 'my scanner.tlv' --typing xtest > "$work/out" 2> "$work/err") &
  tolvane=$!
  logger
  status "Active on $work/dev"
  scan 'A' 'A' "the scan"
  stop || wrong "exit status $?"
  cmp -s "$work/before" "$work/my scanner.tlv" || wrong "the file was rewritten: $(diff "$work/before" "$work/my scanner.tlv")"
  [ ! -s "$work/out" ] || wrong "records on a standard output that is no terminal: $(cat "$work/out")"
  grep -qxF "Exec=$build/tolvane --config \"$work/my scanner.tlv\"" "$work/xdg/autostart/tolvane.desktop" ||
    wrong "autostart entry: $(cat "$work/xdg/autostart/tolvane.desktop" 2>&1)"
}

# The file is the user's: an edit made while the program runs stays; a link stays a link and the
# real file is the one written; mode and owner stay; a file it cannot read is never replaced.
scenario_file() {
  start 'Postamble=\r\n'
  sed -i 's/^Postamble=\r$/Postamble={TAB}\r/' "$cfg"
  premise "Postamble={TAB}" "the file edited" eval 'grep "^Postamble=" "$cfg" | tr -d "\r"'
  stop || wrong "exit status $?"
  grep -q '^Postamble={TAB}' "$cfg" || wrong "an edit made while running lost: $(grep Postamble "$cfg")"

  mkdir -p "$work/dotfiles"
  rm -f "$work/dotfiles/real.tlv"
  ln -sfn dotfiles/real.tlv "$work/link.tlv"
  premise "link" "link.tlv is a symbolic link to a file not there yet" \
    eval '[ -L "$work/link.tlv" ] && [ ! -e "$work/dotfiles/real.tlv" ] && echo link'
  "$build/tolvane" --config "$work/link.tlv" --typing xtest > /dev/null 2> "$work/err" &
  tolvane=$!
  poll 50 grep -q '^tolvane: typing with' "$work/err" || fail "no start: $(cat "$work/err")"
  stop || wrong "exit status $?"
  [ -L "$work/link.tlv" ] || wrong "the link became a regular file"
  [ "$(grep -c '=' "$work/dotfiles/real.tlv" 2>/dev/null)" = 274 ] || wrong "the real file not written through the link"

  chmod 0666 "$cfg"
  chown 65534:65534 "$cfg"
  premise "666 65534" "the file is 0666, owned by nobody" stat -c '%a %u' "$cfg"
  start 'Postamble=\r\n'  # printf keeps the file, its mode and owner
  premise "666 65534" "the file is still 0666, owned by nobody" stat -c '%a %u' "$cfg"
  stop || wrong "exit status $?"
  is "666 65534" stat -c '%a %u' "$cfg" || wrong "mode or owner changed: $(stat -c '%a %u' "$cfg")"

  # Root's private file, the program run by nobody.
  chmod 0755 "$work"
  printf '[Tolvane]\r\nDevice=/dev/ttyUSB0\r\nPostamble={TAB}\r\n' > "$work/private.tlv"
  chown 0:0 "$work/private.tlv"
  chmod 0600 "$work/private.tlv"
  cp "$work/private.tlv" "$work/before"
  premise "unreadable" "nobody cannot read the file" eval 'nobody cat "$work/private.tlv" >/dev/null 2>&1 || echo unreadable'
  local rc=0
  HOME="$work" nobody timeout 10 "$build/tolvane" --config "$work/private.tlv" --typing xtest > /dev/null 2> "$work/err" || rc=$?
  [ "$rc" = 1 ] || wrong "status $rc for a file that cannot be read"
  grep -qF "$work/private.tlv: Permission denied" "$work/err" || wrong "no reason told: $(cat "$work/err")"
  cmp -s "$work/before" "$work/private.tlv" && is "600 0" stat -c '%a %u' "$work/private.tlv" ||
    wrong "the unreadable file was replaced: $(stat -c '%a %u' "$work/private.tlv"), $(cat "$work/private.tlv")"
}

# SIGHUP reads the file again: new values from the next record, the port reopened only when its
# keys change, the typing output only when the layout does; a file that cannot be read keeps the
# running settings. SIGPIPE does not end the program.
scenario_reload() {
  args=--echo start 'Postamble=-\r\n'
  scan 'A' 'A-' "before"
  sed -i 's/^Postamble=-/Postamble=_/' "$cfg"
  kill -HUP "$tolvane"
  poll 50 grep -q "read again" "$work/err" || wrong "SIGHUP not taken: $(cat "$work/err")"
  scan 'B' 'A-B_' "the new postamble"
  [ "$(grep -c '^Active on' "$work/err")" = 1 ] || wrong "the port reopened though its keys stayed"
  ! grep -q "typing with xtest again" "$work/err" || wrong "the typing reopened though the layout stayed"
  printf 'Settings=19200,N,8,1\r\nXkbLayout=us\r\n' >> "$cfg"
  kill -HUP "$tolvane"
  poll 50 is 2 eval 'grep -c "^Active on" "$work/err"' || wrong "the port not reopened for new Settings"
  poll 50 grep -q "typing with xtest again" "$work/err" || wrong "the typing not reopened for a new layout"
  is "19200" eval 'stty -F "$work/dev" speed' || wrong "the line not at 19200: $(stty -F "$work/dev" speed)"
  scan 'C' 'A-B_C_' "after the port reopened"
  mv "$cfg" "$work/kept"
  mkdir "$cfg"
  kill -HUP "$tolvane"
  poll 50 grep -q "cannot read the configuration file $cfg: Is a directory; the running settings stay" "$work/err" ||
    wrong "a file that cannot be read not told: $(cat "$work/err")"
  scan 'D' 'A-B_C_D_' "the running settings kept"
  rmdir "$cfg"
  mv "$work/kept" "$cfg"
  stop || wrong "exit status $?"

  # Standard output read by a program that has gone.
  [ -e "$work/dev" ] || plug
  logger
  "$build/tolvane" --config "$cfg" --typing xtest --echo > >(exec true) 2> "$work/err" &
  tolvane=$!
  status "Active on $work/dev"
  scan 'E' 'E_' "a record with no reader of standard output"
  scan 'F' 'E_F_' "the next one"
  kill -0 "$tolvane" 2>/dev/null || wrong "the program ended with the reader of its output"
  stop || wrong "exit status $?"
}

# What a user without access is told: the serial device by name with the fix; in a Wayland
# session, that XTest reaches only X11 applications; without the uinput module, that it is missing.
scenario_messages() {
  plug
  local pty
  pty=$(readlink -f "$work/dev")
  chgrp dialout "$pty"
  chmod 0660 "$pty"
  chmod 0755 "$work"
  printf '[Tolvane]\r\nDevice=%s\r\n' "$work/dev" > "$cfg"
  chmod 0644 "$cfg"
  premise "denied" "nobody cannot open the device" eval 'nobody sh -c ": < $pty" 2>/dev/null || echo denied'
  logger
  # setpriv itself in the background, not the function: $! is then the program, which the kill below must reach.
  HOME="$work" setpriv --reuid=65534 --regid=65534 --clear-groups "$build/tolvane" --config "$cfg" --typing xtest \
    > /dev/null 2> "$work/err" &
  tolvane=$!
  status "Error: cannot open $work/dev: Permission denied (add yourself to the dialout group: sudo usermod -aG dialout \$USER, then log in again)"
  kill -TERM "$tolvane"; wait "$tolvane" || true
  ! pgrep -u nobody -f "tolvane --config $cfg" >/dev/null || wrong "the program run as nobody outlived its SIGTERM"
  if [ -w /dev/uinput ]; then
    echo "(uinput can be written here: the Wayland and missing-module messages are not shown)"
  else
    WAYLAND_DISPLAY=wayland-9 "$build/tolvane" --config "$cfg" > /dev/null 2> "$work/err" &
    tolvane=$!
    poll 50 grep -q "^tolvane: typing with" "$work/err" || wrong "no start: $(cat "$work/err")"
    grep -q "XTest, which reaches only X11 applications in this Wayland session" "$work/err" ||
      wrong "XTest in a Wayland session not told: $(cat "$work/err")"
    kill -TERM "$tolvane"; wait "$tolvane" || true
    if [ ! -e /dev/uinput ]; then
      timeout 10 "$build/tolvane" --config "$cfg" --typing uinput > /dev/null 2> "$work/err" || true
      grep -q "/dev/uinput does not exist: the kernel's uinput module is not loaded" "$work/err" ||
        wrong "a missing uinput not told: $(cat "$work/err")"
    fi
  fi
}

# --list-ports on devices of its own (a private /dev and /sys), run by nobody: every device, its
# by-id name, whether it can be opened, none of them opened.
scenario_listports() {
  command -v strace >/dev/null || fail "strace is needed"
  cat > "$work/ports.sh" <<'INNER'
set -e
mount -t tmpfs none /dev
mount -t tmpfs none /sys
mknod -m 0660 /dev/ttyUSB0 c 188 0 && chgrp dialout /dev/ttyUSB0
mknod -m 0666 /dev/ttyACM0 c 166 0
mknod -m 0666 /dev/ttyS0 c 4 64
mknod -m 0666 /dev/ttyS1 c 4 65
mknod -m 0666 /dev/null c 1 3
mkdir -p /dev/serial/by-id /sys/class/tty/ttyS0 /sys/class/tty/ttyS1
ln -s ../../ttyUSB0 /dev/serial/by-id/usb-Tolvane_Test_Scanner-if00-port0
echo 4 > /sys/class/tty/ttyS0/type
echo 0 > /sys/class/tty/ttyS1/type
setpriv --reuid=65534 --regid=65534 --clear-groups sh -c 'test -r /dev/ttyUSB0 && echo "premise: nobody can read ttyUSB0" >&2; true'
strace -f -qq -e trace=open,openat -o "$1/trace" setpriv --reuid=65534 --regid=65534 --clear-groups "$2" --list-ports
INNER
  unshare -m bash "$work/ports.sh" "$work" "$build/tolvane" > "$work/ports" 2> "$work/err" || fail "listing failed: $(cat "$work/err")"
  grep -q premise "$work/err" && fail "$(cat "$work/err")"
  cat "$work/ports"
  grep -qxF "/dev/ttyUSB0  /dev/serial/by-id/usb-Tolvane_Test_Scanner-if00-port0  (no access: join the dialout group)" \
    "$work/ports" || wrong "ttyUSB0 not listed with its by-id name and no access"
  grep -qxF "/dev/ttyACM0  (can be opened)" "$work/ports" || wrong "ttyACM0 not listed as one to open"
  grep -q '^/dev/ttyS0 ' "$work/ports" || wrong "ttyS0, a UART, not listed"
  ! grep -q '^/dev/ttyS1 ' "$work/ports" || wrong "ttyS1, no UART, listed"
  ! grep -q '"/dev/tty' "$work/trace" || wrong "devices opened: $(grep '"/dev/tty' "$work/trace")"
}

# The same text under German and French keymaps of the X server, each read back from the server
# first; letters come from their own keys (z at <AD06> under de, a at <AD01> under fr), and
# capitals the keymap lacks keep their case.
scenario_keymaps() {
  setxkbmap de
  premise "29 z Z" "<AD06> is z under de" key AD06
  start 'Postamble={TAB}\r\n'
  scan 'zy@{[]}\\~|\344\366\374\337\351\311\304\326' 'zy@{[]}\~|äöüßéÉÄÖ<Tab>' "German"
  pressed | grep -qw 'z<AD06>' || wrong "German: z not from <AD06>: $(pressed)"
  stop || true
  setxkbmap fr
  premise "24 a A" "<AD01> is a under fr" key AD01
  start 'Postamble={TAB}\r\n'
  scan 'azqw1234@\351\350\347\340\311\304\326' 'azqw1234@éèçàÉÄÖ<Tab>' "French"
  pressed | grep -qw 'a<AD01>' || wrong "French: a not from <AD01>: $(pressed)"
}

# The group that is active, followed as it changes, and a character the active group lacks
# typed from the group that has it; the keymap changed while the program runs.
scenario_groups() {
  setxkbmap -layout us,de
  premise "0 0" "us,de starts in the US group" state
  start 'Postamble={TAB}\r\n'
  scan 'zy@' 'zy@<Tab>' "US group of us,de"
  mark
  premise "1" "the German group locked" "$keylog" lock-group 1
  premise "29 z Z" "<AD06> is z in the German group" key AD06 1
  scan 'zy@' 'zy@<Tab>' "German group of us,de, locked while running"
  setxkbmap -layout us,ru
  premise "1" "the Russian group locked" "$keylog" lock-group 1
  premise "38 Cyrillic_ef Cyrillic_EF" "<AC01> is ef in the Russian group" key AC01 1
  mark
  scan 'ABC-123xyz' 'ABC-123xyz<Tab>' "Latin letters from the US group with Russian locked"
  [[ "$(pressed)" == *"A<AC01>"*"x<AB02>"* ]] || wrong "Latin letters not from their keys: $(pressed)"
  is "1 0" state || wrong "the Russian group not locked again after the scan: $(state)"
  setxkbmap us
  premise "29 y Y" "<AD06> is y under us" key AD06
  mark
  scan 'zy' 'zy<Tab>' "us"
  setxkbmap de
  premise "29 z Z" "<AD06> is z after setxkbmap de" key AD06
  mark
  scan 'zy@;' 'zy@;<Tab>' "de set while running"
}

# Keys found by their XKB names in any keycode set; the third level from the key that gives it;
# the notation's own Ctrl+Alt kept as Ctrl+Alt.
scenario_keycodes() {
  setxkbmap -keycodes xfree86 -layout de
  premise "113 ISO_Level3_Shift NoSymbol" "xfree86 keycodes: the third level at 113" key RALT
  premise "108 KP_Enter NoSymbol" "xfree86 keycodes: 108, the evdev AltGr, is KP_Enter" key KPEN
  start 'Postamble={TAB}\r\n'
  scan 'ab@{}' 'ab@{}<Tab>' "xfree86 keycodes, German"
  grep -q '^[0-9]* 113 <RALT> ISO_Level3_Shift $' "$work/keys" || wrong "no third level from 113: $(pressed)"
  stop || true
  setxkbmap us
  premise "108 Alt_R Meta_R" "us: the right Alt is Alt_R" key RALT
  start 'Postamble={TAB}\r\n'
  scan '\246' '¦<Tab>' "a character the layout lacks, on a us keymap"
  stop || true
  setxkbmap de
  premise "108 ISO_Level3_Shift NoSymbol" "de: the right Alt gives the third level" key RALT
  start 'Postamble=^%%{DEL}\r\n'
  scan 'q' 'q<Control_L><Alt_L><Delete>' "the notation's Ctrl+Alt"
  [ "$(pressed)" = "q<AD01> Control_L<LCTL> Alt_L<LALT> Delete<DELE>" ] || wrong "Ctrl+Alt+Del pressed as [$(pressed)]"
}

# Characters the keymap lacks, on spare key codes: their case kept, with Caps Lock too; more of
# them than there are spare codes; a client that reads late, and one that cannot say it has read.
latin='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
others='\340\341\342\343\344\345\346\347\353\354\355\356\357\360\361\362\363\364\365'  # as many as there are spare codes
scenario_spare() {
  setxkbmap us
  start 'Postamble={TAB}\r\n'
  scan '\311\304\330\351' 'ÉÄØé<Tab>' "capitals and a small letter"
  mark
  premise "2" "Caps Lock on" "$keylog" lock-caps 1
  scan '\351\311\304\330\350' 'éÉÄØè<Tab>' "Caps Lock on"
  is "0 2" state || wrong "Caps Lock not on after the scan: $(state)"
  premise "0" "Caps Lock off" "$keylog" lock-caps 0
  stop || true
  setxkbmap ru
  premise "24 Cyrillic_shorti Cyrillic_SHORTI" "ru: <AD01> is short i" key AD01
  start 'Postamble={TAB}\r\n'
  scan "$latin" "$latin<Tab>" "62 Latin characters under ru"
  scan "$latin" "$latin<Tab>$latin<Tab>" "62 Latin characters again"
  stop || true
  start 'Postamble={TAB}\r\n' --no-ping
  xprop -name "Tolvane Key Log" WM_PROTOCOLS | grep -q _NET_WM_PING && fail "premise: the key log offers _NET_WM_PING"
  scan "$latin"
  sleep 1
  [ -z "$(typed)" ] || wrong "a record too long for the spare codes, to a window that cannot confirm: typed [$(typed)]"
  grep -q "^tolvane: not typed" "$work/err" || wrong "no reason on standard error"
  scan 'Hello' 'Hello<Tab>' "a shorter record to that window"
  stop || true
  setxkbmap us
  start 'Postamble={TAB}\r\n' --late 5000
  local second
  scan '\351'
  sleep 1.2
  second=$(date +%s%3N)
  scan '\350'
  sleep 0.5
  scan "$others"
  scan '' 'é<Tab>è<Tab>' "two records 1.2 s apart to a client busy for 5 s"
  [ "$(awk 'NR == 1 { print $1 }' "$work/keys")" -ge "$second" ] ||
    fail "premise: the client read the first key before the second record was sent"
  sleep 0.5
  [ "$(typed)" = 'é<Tab>è<Tab>' ] && grep -q "^tolvane: not typed" "$work/err" ||
    wrong "a record needing codes the busy client has not read: typed [$(typed)]"
  scan "$others" "é<Tab>è<Tab>$(printf "$others" | iconv -f cp1252 -t utf-8)<Tab>" "the same once the client has read"
}

# The X server killed and started again: the loss is told, a record meanwhile printed and not
# typed, the port kept; typing again once it is back; SIGTERM still ends it cleanly.
scenario_xserver() {
  args=--echo start 'Postamble={TAB}\r\n'
  scan 'A' 'A<Tab>' "before"
  local number
  number=$(cat "$work/display")
  kill -TERM "$xvfb"
  wait "$xvfb" || true
  premise "gone" "the X server is gone" eval '"$keylog" state >/dev/null 2>&1 && echo there || echo gone'
  poll 50 grep -q "X server" "$work/err" || wrong "the loss not told"
  scan 'B'
  poll 50 grep -qxF "B{TAB}" "$work/out" || wrong "the record during the loss not printed: $(cat "$work/out")"
  sleep 0.3
  kill -0 "$tolvane" || fail "the program ended with the X server: $(cat "$work/err")"
  xserver ":$number"
  logger
  is "Active on $work/dev" eval 'grep -E "^(Active|Inactive|Error)" "$work/err" | tail -1' ||
    wrong "the port not kept: $(cat "$work/err")"
  sleep 1.5  # a reconnection every second
  scan 'C' 'C<Tab>' "after the X server came back"
  stop || wrong "exit status $?"
}

# Figures: last byte to first and last key event, and the rate of a 2,000-character record, as the Windows program's
# are measured. The timings are printed, never judged; a record typed wrong or lost fails the scenario.
logged() { [ "$(wc -l < "$work/keys")" -ge "$1" ]; }
scenario_figures() {
  start 'Postamble={TAB}\r\n'
  local first=0 last=0 sent lines record
  for i in $(seq 10); do
    mark
    lines=$since
    scan "$(printf '%013d' "$i")"
    sent=${EPOCHREALTIME/./} sent=$((sent / 1000))  # no process started between
    poll 100 logged $((lines + 14))
    first=$((first + $(awk -v n="$lines" 'NR == n + 1 { print $1 }' "$work/keys") - sent))
    last=$((last + $(tail -1 "$work/keys" | awk '{ print $1 }') - sent))
    is "$(printf '%013d' "$i")<Tab>" typed || wrong "scan $i typed [$(typed)]"
  done
  echo "last byte to first key event: $((first / 10)) ms, to the last: $((last / 10)) ms (mean of 10)"
  mark
  lines=$since
  record=$(head -c 2000 < <(yes 'abcdefghijklmnopqrstuvwxyz0123456789' | tr -d '\n'))
  printf %s "$record" > "$work/scanner"
  poll 300 logged $((lines + 2001))
  awk -v n="$lines" 'NR > n { if (!s) s = $1; e = $1; c++ }
    END { printf "2,000-character record: %.0f characters/s (%d keys)\n", 2000 / ((e - s) / 1000), c }' "$work/keys"
  poll 30 is "$record<Tab>" typed || wrong "the 2,000-character record typed [$(typed | head -c 100)...], $(typed | wc -c) bytes"
  # A record that ends with its terminator is typed at once, not after the silence.
  stop || true
  start 'Postamble={TAB}\r\nRecordEnd=13\r\n'
  first=0 last=0
  for i in $(seq 10); do
    lines=$(wc -l < "$work/keys")
    scan "$(printf '%013d\\r' "$i")"
    sent=${EPOCHREALTIME/./} sent=$((sent / 1000))  # no process started between
    poll 100 logged $((lines + 14))
    first=$((first + $(awk -v n="$lines" 'NR == n + 1 { print $1 }' "$work/keys") - sent))
    last=$((last + $(tail -1 "$work/keys" | awk '{ print $1 }') - sent))
  done
  echo "with RecordEnd=13, last byte to first key event: $((first / 10)) ms, to the last: $((last / 10)) ms (mean of 10)"
  # Scans 20 ms apart, closer than the silence that would end them: each its own record.
  mark
  python3 -c 'import sys, time
f = open(sys.argv[1], "wb", 0)
for i in range(1, 101):
    f.write(b"S%03d\r" % i)
    time.sleep(0.02)' "$work/scanner"
  local want=""
  for i in $(seq -f '%03g' 100); do want+="S$i<Tab>"; done
  poll 100 is "$want" typed || true
  local got records
  got=$(typed)
  records=$(grep -o '<Tab>' <<< "$got" | wc -l)
  if [ "$got" = "$want" ]; then
    echo "100 scans sent 20 ms apart with RecordEnd=13: 100 records, none merged or lost"
  else
    wrong "100 scans sent 20 ms apart: $records records, some merged or lost: [$got]"
  fi
  # 52 of them on 19 spare key codes, bound again as the window answers its pings.
  setxkbmap ru
  mark
  lines=$since
  scan "$latin"
  sent=$(date +%s%3N)
  poll 100 logged $((lines + 63))
  awk -v n="$lines" -v t="$sent" 'NR > n { if (!s) s = $1; e = $1 }
    END { printf "62 Latin characters under ru: last byte to first key %d ms, to the last %d ms\n", s - t, e - t }' \
    "$work/keys"
  poll 30 is "$latin<Tab>" typed || wrong "62 Latin characters under ru typed [$(typed)]"
}

# The soak: 10,000 scans through the program, the device away and back every 500, two bursts of
# 64 KiB, every byte value (each byte typed as its two hex digits), SIGHUP every 1,000; the
# counts and the resident memory printed. A scan lost, out of order or wrong fails it.
scenario_soak() {
  local table=""
  for i in $(seq 0 255); do table+=$(printf 'KeyTrans%d=%02X' "$i" "$i")'\r\n'; done
  start "$table"
  python3 "$(dirname "$0")/soak.py" "$work" "$tolvane" "$socat_pid" "$cfg" || wrong "scans lost, out of order or wrong"
  stop || wrong "exit status $?"
}

"scenario_$2"
[ -z "$failed" ] || fail "scenario $2:"$'\n'"$failed"
echo "scenario $2 passed"
