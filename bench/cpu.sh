#!/usr/bin/env bash
# The CPU time of the running program with 25 defects, over 30 s of eight ticks a second, then
# over 20 s while the session is locked (the system's lock message, sent as the system would), as
# a share of one core. Runs inside scripts/wine-session.sh; reads the process's times from /proc,
# because Wine does not report another process's times.
set -euo pipefail
seconds=${GLIMMORA_CPU_SECONDS:-30}
locked=${GLIMMORA_LOCKED_SECONDS:-20}
source "$(dirname "$0")/program.sh"

p0=$(ticks "$pid"); s0=$(ticks "$server"); t0=$(date +%s.%N)
sleep "$seconds"
p1=$(ticks "$pid"); s1=$(ticks "$server"); t1=$(date +%s.%N)
remote lock
l0=$(ticks "$pid"); u0=$(date +%s.%N)
sleep "$locked"
l1=$(ticks "$pid"); u1=$(date +%s.%N)
remote unlock
end_program || true

awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v l="$((l1 - l0))" -v hz="$hz" -v t0="$t0" \
    -v t1="$t1" -v u0="$u0" -v u1="$u1" -v n="$seconds" -v m="$locked" 'BEGIN {
    printf "cpu 25 defects, %d s at 8 ticks/s: program %.2f %% of one core (wineserver on its behalf %.2f %%)\n",
           n, 100 * p / hz / (t1 - t0), 100 * s / hz / (t1 - t0)
    printf "cpu 25 defects, %d s locked: program %.2f %% of one core (%d clock ticks of %d a second)\n",
           m, 100 * l / hz / (u1 - u0), l, hz
}'
