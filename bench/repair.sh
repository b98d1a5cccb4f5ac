#!/usr/bin/env bash
# The running program repairing all 25 defects at once: 25 flash windows of 5 x 5 pixels change
# colour about 30 times a second, while the concealment tick goes on. Prints how often a flash
# changes colour on the screen, then the program's CPU share of one core over 20 s, measured as
# bench/cpu.sh does. Runs inside scripts/wine-session.sh.
set -euo pipefail
seconds=${GLIMMORA_REPAIR_SECONDS:-20}
source "$(dirname "$0")/program.sh"

wine "$root/build/windows/bench/windows/repair_bench.exe"
p0=$(ticks "$pid"); s0=$(ticks "$server"); t0=$(date +%s.%N)
sleep "$seconds"
p1=$(ticks "$pid"); s1=$(ticks "$server"); t1=$(date +%s.%N)
end_program || true

awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v n="$seconds" 'BEGIN {
    wall = t1 - t0
    printf "repair 25 defects: program %.2f %% of one core (%d s; wineserver on its behalf %.2f %%)\n",
           100 * p / hz / wall, n, 100 * s / hz / wall
}'
