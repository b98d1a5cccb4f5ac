#!/usr/bin/env bash
# A long run of the program with 25 defects: its resident memory, threads and open files at the
# start and every few minutes, which must stay flat. Runs inside scripts/wine-session.sh:
#   scripts/wine-session.sh bench/soak.sh [minutes]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-20}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$root/build/windows/Glimmora.exe" "$folder/"
wine "$root/build/windows/bench/windows/tick_bench.exe" --write-defects "$(winepath -w "$folder/Glimmora.pix")"
(cd "$folder" && setsid wine Glimmora.exe >/dev/null 2>&1 </dev/null &)
wine "$root/build/windows/tests/e2e/GlimmoraRemote.exe" wait 60
sleep 5 # past the start-up

pid=$(pgrep -f 'Glimmora.exe' | head -1)
report() {
    local rss threads files
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")
    threads=$(awk '/^Threads/ { print $2 }' "/proc/$pid/status")
    files=$(ls "/proc/$pid/fd" | wc -l)
    printf "soak %3d min (%5d ticks): resident %d KiB, threads %d, open files %d\n" \
        "$1" "$(($1 * 60 * 8))" "$rss" "$threads" "$files"
}
report 0
for ((m = 5; m <= minutes; m += 5)); do
    sleep 300
    report "$m"
done
wine "$root/build/windows/tests/e2e/GlimmoraRemote.exe" close
