#!/usr/bin/env bash
# Packs the two downloads: pack-dist.sh <Glimmora.exe> <version> <output folder>
# writes into <output folder>
#   Glimmora-<version>.zip        the exe, the read-me and the licence (as Windows text files)
#                                 and SHA256SUMS over them: the portable program
#   Glimmora-<version>-setup.exe  the setup (installer/Glimmora.nsi) with the same exe and licence
#   SHA256SUMS                    the sums of both
#
# Both are the same byte for byte wherever and whenever they are packed from the same exe: every
# file gets the time of the last commit (or SOURCE_DATE_EPOCH), fixed permissions, no extra
# fields and a fixed place in the zip; the setup carries the same file times and nothing of the
# machine.
set -euo pipefail

exe=$1 version=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
name=Glimmora-$version

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)
fi

stage=$out/$name
rm -rf "$stage" "$out/$name.zip" "$out/$name.zip.tmp"
mkdir -p "$stage"

crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$@"; }
cp "$exe" "$stage/Glimmora.exe"
crlf "$root/LICENSE" >"$stage/LICENSE.txt"
# The read-me has umlauts: older Notepads take UTF-8 for it only with a byte order mark.
{
    printf '\xef\xbb\xbf'
    sed "s/@VERSION@/$version/" "$root/docs/release/README.txt" | crlf
} >"$stage/README.txt"

files=(Glimmora.exe LICENSE.txt README.txt)
(cd "$stage" && sha256sum "${files[@]}" >SHA256SUMS)
files+=(SHA256SUMS)

chmod 0644 "${files[@]/#/$stage/}"
touch -d "@$SOURCE_DATE_EPOCH" "${files[@]/#/$stage/}"
# zip stores local time: UTC makes it the same on every machine. -X leaves out the owner and the
# Unix times, -D the folder entries.
(cd "$stage" && TZ=UTC zip -q -X -D "../$name.zip.tmp" "${files[@]}")
mv "$out/$name.zip.tmp" "$out/$name.zip"

setup=$name-setup.exe
rm -f "$out/$setup" "$out/SHA256SUMS"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
    -DRESOURCES="$root/resources" -DOUTFILE="$out/$setup" "$root/installer/Glimmora.nsi" >/dev/null
(cd "$out" && sha256sum "$name.zip" "$setup" >SHA256SUMS)
echo "$out/$name.zip"
echo "$out/$setup"
cat "$out/SHA256SUMS"
