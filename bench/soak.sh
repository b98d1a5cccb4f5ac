#!/usr/bin/env bash
# A long run of the program with 25 defects: its resident memory, threads and open files at the
# start and every few minutes, which must stay flat. Runs inside scripts/wine-session.sh:
#   scripts/wine-session.sh bench/soak.sh [minutes]
set -euo pipefail
minutes=${1:-20}
source "$(dirname "$0")/program.sh"

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
end_program
