#!/usr/bin/env bash
# The CPU time of the running program with 25 defects, over 30 s of eight ticks a second, as a
# share of one core. Runs inside scripts/wine-session.sh; reads the process's times from /proc,
# because Wine does not report another process's times.
set -euo pipefail
seconds=${GLIMMORA_CPU_SECONDS:-30}
source "$(dirname "$0")/program.sh"

p0=$(ticks "$pid"); s0=$(ticks "$server"); t0=$(date +%s.%N)
sleep "$seconds"
p1=$(ticks "$pid"); s1=$(ticks "$server"); t1=$(date +%s.%N)
end_program || true

awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v n="$seconds" 'BEGIN {
    wall = t1 - t0
    printf "cpu 25 defects, %d s at 8 ticks/s: program %.2f %% of one core (wineserver on its behalf %.2f %%)\n",
           n, 100 * p / hz / wall, 100 * s / hz / wall
}'
