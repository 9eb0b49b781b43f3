#!/usr/bin/env bash
# What a scan types, end to end under Wine: the options that shape a record, framing, bytes back to the scanner, both
# typing paths, the user's own keys held or locked, keyboard layouts, real applications.
# Usage: typing.sh <build-dir> <scenario>
source "$(dirname "$0")/lib.sh"

# The translation table types literal characters (one outside ASCII too), F9 for $ and F10 for %; trailing CR LF removed
# (of LF CR only the CR; a line feed types nothing); a repeated record ignored, but typed again after another. F10 last:
# the target takes it as the menu key, which would swallow what follows.
scenario_record_options() {
  start_scanning 'RemoveReturns=1\r\nIgnoreDups=1\r\nPostamble={TAB}\r\n'
  step 'a$b+~{}()[] ^z\351\r\n' 'a b + ~ { } ( ) [ ] ^ z 351 \t'
  grep -q '^down 120 ' "$keys" || fail "no F9 for the dollar sign"
  step 'X1\n\r' 'X 1 \t'
  step 'X1\n\r' ''
  step B 'B \t'
  step 'X1\n\r' 'X 1 \t'
  scan '%%'
  sleep 0.8
  grep -Eq '^(sys)?down 121 ' "$keys" || fail "no F10 for the percent sign"
}

# Only digits, point and minus; date and time fields of the postamble from the clock.
scenario_numeric_filter_and_fields() {
  start_scanning 'NumericFilter=1\r\nPostamble={HOUR}:{MINUTE} {YEAR}{ENTER}\r\n'
  local before; before=$(date +%H:%M)
  scan 'A-12.5X+,7'
  wait_typed 15 || true
  sleep 0.3
  local got; got=$(awk '$1=="char" { printf "%c", $2 + 0 }' "$keys" | tr -d '\r')
  [[ "$got" == -12.57@($before|$(date +%H:%M))" $(date +%y)" ]] || fail "typed [$got]"
}

# Bytes 60 ms apart join into one record, 400 ms apart they make two. The application is busy, so the second record
# comes while it is still turning the first into characters: reading the keyboard state must not change what it reads.
scenario_framing() {
  export TARGET_KEY_DELAY=150
  start_scanning 'Postamble={TAB}\r\n'
  scan AB; sleep 0.06; step CD 'A B C D \t' 0
  scan EF; sleep 0.4; step GH 'E F \t G H \t' 5
}

# RecordEnd over the COM port: two codes in one write are two records, each with its postamble
# and its acknowledgement; CR LF ends one whole; a terminator cut short is data, ended by silence.
scenario_record_end() {
  start_scanning 'RecordEnd=13,10\r\nScannerBeepString=6\r\nPostamble={TAB}\r\n'
  e2e_listen
  step 'A1\r\nB2\r\n' 'A 1 \t B 2 \t' 0
  step 'C3\r' 'C 3 \r \t'
  [ "$(codes < "$work/back.bin")" = '006 006 006' ] || fail "acknowledgements [$(codes < "$work/back.bin")], one a record"
}

# The scanner beep string after each record; with Opto-RS, a query, and every second record dropped.
scenario_scanner_beep_and_opto_rs() {
  start_scanning 'ScannerBeepString=27,7\r\nHandshake=3\r\nPostamble={TAB}\r\n'
  e2e_listen
  step A 'A \t'; step B ''; step C 'C \t'; step D ''
  [ "$(codes < "$work/back.bin")" = '? \r 033 \a ? \r 033 \a' ] || fail "bytes back [$(codes < "$work/back.bin")]"
}

# Key by key: Shift around the capital, scan codes from the layout, no Unicode events. With Caps Lock on, it is switched
# off for the keys of each text (every character and the postamble) and on again after them: the user's own key then
# types a capital. The application is busy, behind on the keys while the next character's go in.
scenario_console_path() {
  export TARGET_KEY_DELAY=40
  start_scanning 'DOSTarget=1\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n'
  local from; from=$(lines)
  step 'Ab1+\r\n' 'A b 1 + \r'
  grep -q '^down 16 42 ' "$keys" || fail "no Shift press"
  ! grep -q '^down 231 ' "$keys" || fail "a Unicode event on the console path"
  [ "$(trace "$from" 20)" = "65/0 98/0 49/0 43/0 13/0" ] || fail "Caps Lock off: [$(trace "$from" 20)]"
  from=$(lines)
  driver key tap 20
  step aB1 'a B 1 \r'
  step cD 'c D \r'
  user_key_after
  local each="" c
  for c in 97 66 49 13 99 68 13; do each+=" +20 -20 $c/0 +20 -20"; done
  [ "$(trace "$from" 20)" = "+20 -20$each 65/1" ] || fail "Caps Lock on: [$(trace "$from" 20)]"
}
# The user's own A after a scan, typed.
user_key_after() {
  local n; n=$(chars)
  driver key tap 65
  wait_typed $((n + 1)) || fail "the user's key did not arrive"
}

# The user holds Shift, then Ctrl, when a scan arrives: it is released before the first character and pressed again
# after the postamble, so the scan arrives as sent and fires none of the window's shortcuts. With Caps Lock on, letters
# come as sent with Caps Lock left on throughout: no Caps Lock key is sent, and the user's own key then types a capital.
scenario_held_keys_and_caps_lock() {
  start_scanning 'Postamble={TAB}\r\n'
  local from vk
  for vk in 16 17; do
    from=$(lines)
    driver key down $vk
    step ab1 'a b 1 \t'
    driver key up $vk
    sleep 0.5
    [ "$(trace "$from" "$vk")" = "+$vk -$vk 97/0 98/0 49/0 9/0 +$vk -$vk" ] || fail "held $vk: [$(trace "$from" "$vk")]"
  done
  from=$(lines)
  driver key tap 20
  step aB1 'a B 1 \t'
  user_key_after
  [ "$(trace "$from" 20)" = "+20 -20 97/1 66/1 49/1 9/1 65/1" ] || fail "Caps Lock on: [$(trace "$from" 20)]"
}

# The X server's keymap is German (or French) before Wine starts, so the target's layout is: Wine is first shown to have
# taken it (the keys of characters the US layout has elsewhere). Those characters come from their own keys, and only
# what Wine's layout cannot type from a key goes as Unicode input (VK_PACKET): no key, a dead key (it would combine with
# what follows), or a key whose modifiers do not give the character back. Wine 8 in a UTF-8 locale finds no key for
# characters outside ASCII (VkKeyScanW), nor gives AltGr characters back for Ctrl+Alt (ToUnicode), so ä, é, @ and the
# like go as Unicode here; the rule makes them come from their keys where Wine types them.
on_layout() {  # layout, Caps Lock on (1) or not, bytes to scan, "code=vk/scan" of characters the layout moves...
  setxkbmap "$1" || fail "setxkbmap $1"
  start_scanning 'Postamble={TAB}\r\n'
  # "code vk scan dead types" or "code -1" for each character scanned, as Wine's layout has it.
  driver keyscan $(printf "$3" | od -An -tu1 -v | xargs -n1 | sort -un) > "$work/layout"
  local own
  for own in "${@:4}"; do
    grep -qx "${own%%=*} $(tr / ' ' <<< "${own#*=}") 0 1" "$work/layout" ||
      fail "premise: Wine's $1 layout does not have ${own%%=*} at ${own#*=}: $(grep "^${own%%=*} " "$work/layout")"
  done
  local from; from=$(lines)
  if [ "$2" = 1 ]; then driver key tap 20; fi
  step "$3" "$(printf "$3" | codes) \\t"
  # Each character with the key pressed last before it: "code=vk/scan".
  local keyed; keyed=$(awk -v n="$from" 'NR > n && $1 ~ /down$/ { k = $2 "/" $3 }
    NR > n && $1 == "char" { printf "%s%d=%s", (c++ ? " " : ""), $2, k }' "$keys")
  for own in "${@:4}"; do [[ " $keyed " == *" $own "* ]] || fail "${own%%=*} not from its own key: $keyed"; done
  local packets wanted
  packets=$(awk -v n="$from" 'NR > n && $1 ~ /down$/ { p = $2 == 231 } NR > n && $1 == "char" && p { print $2 }' "$keys" |
    sort -un | xargs)
  wanted=$(awk '$2 == -1 || $5 == 0 { print $1 }' "$work/layout" | sort -un | xargs)
  [ "$packets" = "$wanted" ] || fail "as Unicode input: [$packets], expected [$wanted] (layout: $(xargs < "$work/layout"))"
}
# de: z and y swapped (the US y and z keys); fr: a, z, q, w moved.
scenario_german_layout() { on_layout de 0 'zyZY@{[]}\\~|^`a\344\366\374\337' 122=90/21 121=89/44; }
scenario_french_layout() { on_layout fr 1 '1234567890azqwAZQWm@\351\350\347\340' 97=65/16 122=90/17 113=81/30 119=87/44; }

# Windows set to use UTF-8 for worldwide language support: its ANSI code page is 65001, in which a byte of 0x80 or more
# is no character alone. Received bytes are read in the user locale's own code page, 1252 for German, when typed and in
# Display. Wine's ANSI code page is 65001 for a system locale that has none of its own (hi_IN). (Wine's keyboard has no
# key for a character outside ASCII, so the console path, which types only by keys, cannot be shown here.)
scenario_utf8_code_page() {
  mkdir -p "$work/locales"
  for l in hi_IN de_DE; do localedef -i $l -f UTF-8 "$work/locales/$l.UTF-8" 2>/dev/null || fail "no $l locale"; done
  export LOCPATH="$work/locales" LC_ALL="" LANG=de_DE.UTF-8 LC_CTYPE=hi_IN.UTF-8
  setxkbmap de || fail "setxkbmap de"
  [ "$(driver code-pages)" = "65001 1252" ] || fail "premise: code pages [$(driver code-pages)], not 65001 and 1252"
  start_scanning 'Postamble={TAB}\r\n'
  step 'a\344\351' 'a 344 351 \t'
  local display; display=$(driver texts "$active" | awk -F'|' '$3=="id=117" { print $2; exit }')
  [ "$display" = "$(printf 'a\303\244\303\251{TAB}')" ] || fail "Display shows [$display]"
}

# Wine's own Notepad, with characters outside ASCII and a German keyboard word; the Enter makes a new line.
scenario_real_notepad() {
  start_scanning 'Postamble={ENTER}\r\n' "Untitled - Notepad" wine notepad
  scan 'Gr\374\337e 4006381333931 (x+y)~{z}'
  sleep 1.5
  local got; got=$(driver texts "Untitled - Notepad" | awk -F'|' '$1=="Edit" { print $2; exit }')
  [ "$got" = "$(printf 'Gr\374\337e 4006381333931 (x+y)~{z}')\\r\\n" ] || fail "Notepad holds [$got]"
}

# The console path into a real console: cmd runs the scanned command line.
scenario_real_console() {
  start_scanning 'DOSTarget=1\r\nPostamble={ENTER}\r\n' 'C:\windows\system32\cmd.exe' wineconsole cmd
  scan 'echo Scan-42 AbC>out.txt'
  poll 50 test -s "$work/out.txt" || true
  local got; got=$(tr -d '\r\n' < "$work/out.txt")
  [ "$got" = "Scan-42 AbC" ] || fail "cmd wrote [$got]"
}

e2e_main "$@"
