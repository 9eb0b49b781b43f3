#!/usr/bin/env bash
# Makes the Windows Installer package of a Windows build from packaging/Tolvane.wxs: wixl writes the
# tables it knows, msibuild (both from msitools) adds what wixl cannot write.
# Usage: scripts/msi.sh x86|x64 <version> <build-dir> <output.msi>
#   (the build folder holds Tolvane.exe, Tolvane.chm and TolvaneSetup.dll of that architecture)
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 x86|x64 <version> <build-dir> <output.msi>" >&2; exit 2; }
arch="$1" version="$2" out="$(realpath -m "$4")"
case "$arch" in x86|x64) ;; *) echo "$0: no architecture $arch" >&2; exit 2 ;; esac
top="$(cd "$(dirname "$0")/.." && pwd)"
# wixl finds files by paths relative to where it runs.
build="$(realpath --relative-to="$top" "$3")"
cd "$top"

tmp="$out.part"
rm -f "$tmp"
trap 'rm -f "$tmp"' EXIT
wixl -a "$arch" -D Version="$version" -D Arch="$arch" -D Build="$build" -o "$tmp" packaging/Tolvane.wxs

# - The site's preset: CONFIG, a full path, copied into the program's folder as default.tlv by the
#   standard MoveFiles action; its component is installed only when CONFIG is given. Nothing records
#   the copy, so uninstalling leaves it, as it leaves every default.tlv.
# - CONFIG passes from the administrator's command line to the installer's service (a secure property).
# - An older copy, and one of the same version from another build or of the other architecture
#   (another product code), is replaced: the upper bound is inclusive (the columns are keys, so the row
#   is written again).
sql() { msibuild "$tmp" -q "$1" >/dev/null || { echo "$0: msibuild failed: $1" >&2; exit 1; }; }
sql "CREATE TABLE \`MoveFile\` (\`FileKey\` CHAR(72) NOT NULL, \`Component_\` CHAR(72) NOT NULL,
     \`SourceName\` CHAR(255) LOCALIZABLE, \`DestName\` CHAR(255) LOCALIZABLE, \`SourceFolder\` CHAR(72),
     \`DestFolder\` CHAR(72) NOT NULL, \`Options\` INT NOT NULL PRIMARY KEY \`FileKey\`)"
sql "INSERT INTO \`MoveFile\` (\`FileKey\`, \`Component_\`, \`DestName\`, \`SourceFolder\`, \`DestFolder\`, \`Options\`)
     VALUES ('SitePresetFile', 'SitePreset', 'default.tlv', 'CONFIG', 'INSTALLDIR', 0)"
sql "UPDATE \`Component\` SET \`Condition\` = 'CONFIG' WHERE \`Component\` = 'SitePreset'"
sql "UPDATE \`Property\` SET \`Value\` = 'OLDERTOLVANE;NEWERTOLVANE;CONFIG' WHERE \`Property\` = 'SecureCustomProperties'"
upgrade_code=$(msiinfo export "$tmp" Property | tr -d '\r' | awk -F'\t' '$1 == "UpgradeCode" { print $2 }')
sql "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'OLDERTOLVANE'"
sql "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`)
     VALUES ('$upgrade_code', '0.0.0', '$version', 768, 'OLDERTOLVANE')"
mv "$tmp" "$out"
