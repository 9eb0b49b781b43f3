#!/usr/bin/env bash
# The 64-bit build's Windows Installer package ($TOLVANE_MSI) under Wine's msiexec, in a Wine prefix of the run's
# own: silent install, upgrade and uninstall, and a site's configuration given by CONFIG=.
# Usage: msi.sh <build-dir> <scenario>
E2E_OWN_PREFIX=1
source "$(dirname "$0")/lib.sh"
msi="${TOLVANE_MSI:?the package to test}"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

winpath() { printf 'Z:%s' "${1//\//\\}"; }  # Wine's Z: is /
# Runs msiexec silently with a verbose log, $work/<log>.log; prints its exit code as Wine passes it on, the low
# byte of Windows' (1603, a failed install, is 67).
msiexec() {  # log, arguments
  local rc=0
  wine msiexec "${@:2}" /qn /l*v "$(winpath "$work/$1.log")" >/dev/null 2>&1 || rc=$?
  echo "$rc"
}
install() {  # package, log, properties
  local rc; rc=$(msiexec "$2" /i "$(winpath "$1")" "${@:3}")
  [ "$rc" = 0 ] || fail "msiexec /i $(basename "$1") exited with $rc (log: $(tail -3 "$work/$2.log" | tr '\r\n' '  '))"
}
property() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
# A registry key's values as name|type|data lines; nothing if there is no such key.
values() { wine reg query "$1" 2>/dev/null | tr -d '\r' | sed -nE 's/^ {4}([^ ].*)$/\1/p' | sed -E 's/ {4}/|/g' || true; }
# The Apps & features entries that name Tolvane.
entries() { wine reg query "$uninstall" /s 2>/dev/null | tr -d '\r' | grep -cE '^ +DisplayName +REG_SZ +Tolvane$' || true; }

# Installed silently: exactly the program and its help in Program Files\Tolvane, a Start-menu shortcut that starts
# it, and an Apps & features entry with its name, version, publisher, help link and icon. The installed program
# types a scan from COM5. A newer package replaces it in place; uninstalling removes what it installed and keeps the
# default.tlv the program wrote beside itself.
scenario_install_upgrade_uninstall() {
  local dir="$WINEPREFIX/drive_c/Program Files/Tolvane" version code
  version=$(property "$msi" ProductVersion) code=$(property "$msi" ProductCode)
  install "$msi" install
  [ "$(ls "$dir" | tr '\n' ' ')" = "Tolvane.chm Tolvane.exe " ] || fail "installed: $(ls "$dir" | tr '\n' ' ')"
  cmp -s "$build/Tolvane.exe" "$dir/Tolvane.exe" && cmp -s "$build/Tolvane.chm" "$dir/Tolvane.chm" ||
    fail "the installed files are not the build's"
  # Where the installer put the shortcut (per machine, the all-users Start menu; Wine resolves it per user).
  local menu lnk
  menu=$(sed -nE 's/^Property\(S\): ProgramMenuFolder = (.*)\r?$/\1/p' "$work/install.log" | head -1)
  lnk="$(winepath -u "$menu" 2>/dev/null)/Tolvane.lnk"
  grep -qxF 'C:\Program Files\Tolvane\Tolvane.exe' <<< "$(strings -a "$lnk" 2>/dev/null)" ||
    fail "no Start-menu shortcut to Tolvane.exe in $menu"
  local entry; entry=$(values "$uninstall\\$code")
  for value in "DisplayName|REG_SZ|Tolvane" "DisplayVersion|REG_SZ|$version" "Publisher|REG_SZ|Tolvane Software" \
    "HelpLink|REG_SZ|https://tolvane.example/support"; do
    grep -qxF "$value" <<< "$entry" || fail "the Apps & features entry lacks $value: $(tr '\n' ' ' <<< "$entry")"
  done
  # Apps & features shows the icon the product registered with Windows Installer.
  local icon; icon=$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
    grep -F "$code" | sed -nE 's/^ +ProductIcon +REG_SZ +//p')
  cmp -s "$top/windows/Tolvane.ico" "$(winepath -u "$icon" 2>/dev/null)" || fail "no product icon (\"$icon\")"

  # The user's own settings beside the program, written whole by the program when it exits.
  printf '[Tolvane]\r\nComPort=5\r\nPostamble={ENTER}\r\nRemoveReturns=1\r\n' > "$dir/default.tlv"
  e2e_start "$dir" /M
  wait_caption "$active" 60
  e2e_target
  step '4006381333931\r\n' '4 0 0 6 3 8 1 3 3 3 9 3 1 \r'
  e2e_close "$active"
  folder="$dir" complete
  cp "$dir/default.tlv" "$work/user.tlv"

  # The same program with a changed help file, as a later version.
  local newer newer_code
  newer=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<< "$version")
  mkdir "$work/newer" && cp "$build/Tolvane.exe" "$build/TolvaneSetup.dll" "$work/newer/"
  { cat "$build/Tolvane.chm" && echo "$newer"; } > "$work/newer/Tolvane.chm"
  "$top/scripts/msi.sh" x64 "$newer" "$work/newer" "$work/newer.msi" 2>/dev/null || fail "no package of $newer"
  newer_code=$(property "$work/newer.msi" ProductCode)
  install "$work/newer.msi" upgrade
  [ -z "$(values "$uninstall\\$code")" ] || fail "$version is still registered after the upgrade"
  grep -qxF "DisplayVersion|REG_SZ|$newer" <<< "$(values "$uninstall\\$newer_code")" || fail "$newer is not registered"
  [ "$(entries)" = 1 ] || fail "$(entries) Apps & features entries after the upgrade"
  cmp -s "$work/newer/Tolvane.chm" "$dir/Tolvane.chm" || fail "the upgrade did not replace Tolvane.chm"
  cmp -s "$work/user.tlv" "$dir/default.tlv" || fail "the upgrade changed the user's default.tlv"

  local rc; rc=$(msiexec uninstall /x "$newer_code")
  [ "$rc" = 0 ] || fail "msiexec /x exited with $rc"
  [ "$(ls "$dir" | tr '\n' ' ')" = "default.tlv " ] || fail "left after uninstall: $(ls "$dir" | tr '\n' ' ')"
  cmp -s "$work/user.tlv" "$dir/default.tlv" || fail "uninstalling changed the user's default.tlv"
  [ ! -e "$lnk" ] || fail "the Start-menu shortcut stayed"
  [ "$(entries)" = 0 ] || fail "the Apps & features entry stayed"
}

# CONFIG naming no file fails the install, saying why in the log, and leaves nothing behind; CONFIG naming a site's
# file installs it as default.tlv, which the program starts from.
scenario_site_configuration() {
  local dir="$WINEPREFIX/drive_c/Program Files/Tolvane" missing rc
  missing=$(winpath "$work/nowhere/site.tlv")
  rc=$(msiexec missing /i "$(winpath "$msi")" "CONFIG=$missing")
  [ "$rc" = 67 ] || fail "msiexec exited with $rc for a missing CONFIG file, not 1603"
  grep -qF "Tolvane: CONFIG=$missing cannot be installed as default.tlv:" "$work/missing.log" ||
    fail "the log does not say why: $(grep -a LaunchConditions "$work/missing.log" | tr '\r\n' '  ')"
  [ ! -e "$dir" ] || fail "the failed install left $dir"
  [ -z "$(find "$WINEPREFIX/drive_c" -iname 'Tolvane.lnk')" ] || fail "the failed install left a shortcut"
  [ "$(entries)" = 0 ] || fail "the failed install left an Apps & features entry"

  # The install that follows shows where the one above would have left its files, shortcut and entry.
  printf '[Tolvane]\r\n; the warehouse preset\r\nComPort=5\r\n' > "$work/site.tlv"
  install "$msi" preset "CONFIG=$(winpath "$work/site.tlv")"
  [ -e "$dir/Tolvane.exe" ] && [ -n "$(find "$WINEPREFIX/drive_c" -iname 'Tolvane.lnk')" ] && [ "$(entries)" = 1 ] ||
    fail "the checks above would not have seen an install"
  cmp -s "$work/site.tlv" "$dir/default.tlv" || fail "default.tlv is not the site's file"
  e2e_start "$dir" /M
  wait_caption "$active" 60
  e2e_close "$active"
}

e2e_main "$@"
