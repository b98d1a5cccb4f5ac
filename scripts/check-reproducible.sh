#!/usr/bin/env bash
# Builds the downloads twice and fails unless both zips, both setups and both exes are the same
# byte for byte: once as `make dist` does (build/release, build/dist), once from a copy of the
# sources in another folder, so that a build path or a time stamp that ends up in the exe, the
# zip or the setup shows.
# Only the program is built; the copy is removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Both builds must agree on the files' time in the zip; the copy has no git history of its own.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH

copy=$(mktemp -d "${TMPDIR:-/tmp}/glimmora-reproducible.XXXXXX")
trap 'rm -rf "$copy"' EXIT
# The sources as they are in the work tree, committed or not, without anything git ignores.
git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$copy"

# Ninja's --quiet leaves out the progress, not a compiler's message.
for tree in "$root" "$copy"; do
    (cd "$tree" && cmake --preset release >/dev/null && cmake --build --preset release -- --quiet)
done

zip=$(cd "$copy/build/dist" && ls Glimmora-*.zip) # fresh: only this version's
sums=$(cd build/dist && sha256sum "$zip" "${zip%.zip}-setup.exe" "${zip%.zip}/Glimmora.exe")
if ! (cd "$copy/build/dist" && sha256sum --quiet -c - <<<"$sums"); then
    echo "check-reproducible: two builds of the same sources differ" >&2
    cmp -l build/release/Glimmora.exe "$copy/build/release/Glimmora.exe" | head >&2 || true
    exit 1
fi
echo "Reproducible, built twice alike:"
echo "$sums"
