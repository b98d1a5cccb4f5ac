#!/usr/bin/env bash
# The setup as a user meets it, inside a Wine session of its own (scripts/wine-session.sh):
#   setup-test.sh <Glimmora.exe> <GlimmoraRemote.exe> <version>
# Builds the setup from the exe, installs silently, starts the installed program with a defect
# file, updates it silently while it runs, and uninstalls silently.
set -euo pipefail

exe=$1 remote=$2 version=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Glimmora'

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
windows() { wine cmd /c echo "$1" | tr -d '\r'; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/scripts/pack-dist.sh" "$exe" "$version" "$work" >/dev/null
setup=$work/Glimmora-$version-setup.exe

windir=$(windows '%LOCALAPPDATA%')'\Programs\Glimmora'
dir=$(winepath -u "$windir")
programs=$(winepath -u "$(windows '%APPDATA%')")/Microsoft/Windows/Start\ Menu/Programs
# What an earlier run that failed half-way left in this prefix.
rm -rf "$dir"
find "$programs" -iname Glimmora.lnk -delete
wine reg delete "$key" /f >/dev/null 2>&1 || true

wine "$setup" /S || fail "the setup ended with $?"
cmp "$exe" "$dir/Glimmora.exe" || fail "the installed exe is not the built one"
# Wine spells the folder StartUp. A shortcut holds its target's path as plain text.
startup=$(find "$programs" -maxdepth 2 -ipath '*/startup/Glimmora.lnk')
for link in "$programs/Glimmora.lnk" "$startup"; do
    grep -qaF "$windir\Glimmora.exe" "$link" || fail "no shortcut to the exe at '$link'"
done
# In kilobytes, each file's rounded up.
kb=$(( ($(stat -c %s "$exe") + 1023) / 1024 + ($(stat -c %s "$dir/LICENSE.txt") + 1023) / 1024 ))
diff <(wine reg query "$key" | tr -d '\r' | sed -n 's/^    //p' | sort) - <<EOF || fail "the uninstall entry"
DisplayIcon    REG_SZ    $windir\\Glimmora.exe
DisplayName    REG_SZ    Glimmora
DisplayVersion    REG_SZ    $version
EstimatedSize    REG_DWORD    $(printf 0x%x $kb)
InstallLocation    REG_SZ    $windir
NoModify    REG_DWORD    0x1
NoRepair    REG_DWORD    0x1
Publisher    REG_SZ    Glimmora-Team
QuietUninstallString    REG_SZ    "$windir\\Deinstallieren.exe" /S
UninstallString    REG_SZ    "$windir\\Deinstallieren.exe"
EOF

# One defect at (100, 50), red on: X and Y little-endian, then the flags.
printf '\x64\0\0\0\x32\0\0\0\x01' >"$dir/Glimmora.pix"
cp "$dir/Glimmora.pix" "$work/defects"
wine "$dir/Glimmora.exe" >/dev/null 2>&1 </dev/null &
first=$!
wine "$remote" wait 60 2>/dev/null || fail "the installed Glimmora did not start"

wine "$setup" /S || fail "the update ended with $?"
! kill -0 "$first" 2>/dev/null || fail "the update left the running Glimmora running"
wait "$first" || fail "the running Glimmora did not end through its close path"
wine "$remote" wait 60 2>/dev/null || fail "Glimmora was not started again after the update"
cmp "$work/defects" "$dir/Glimmora.pix" || fail "the update changed the defect file"

wine "$dir/Deinstallieren.exe" /S || fail "the uninstaller ended with $?"
# It goes on from a copy of itself in the temporary folder, so that it can remove itself.
for _ in $(seq 1 100); do
    [[ -e "$dir/Deinstallieren.exe" ]] || break
    sleep 0.2
done
for f in "$dir/Glimmora.exe" "$dir/LICENSE.txt" "$dir/Deinstallieren.exe" "$startup" \
    "$programs/Glimmora.lnk"; do
    [[ ! -e "$f" ]] || fail "the uninstaller left $f"
done
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left the uninstall entry"
! wine "$remote" wait 1 2>/dev/null || fail "the uninstaller left Glimmora running"
cmp "$work/defects" "$dir/Glimmora.pix" || fail "the uninstaller changed the defect file"
echo "The setup installs, updates a running Glimmora and uninstalls, keeping its defects."
