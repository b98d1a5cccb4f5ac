#!/usr/bin/env bash
# The running program with 25 defects over a moving picture: a full-screen window behind the
# overlays takes a new colour every 40 ms, so every overlay is recoloured at every tick. Prints
# the program's CPU share of one core and the wineserver's, and the wineserver's for the picture
# alone (the part of its share that is not the program's). Runs inside scripts/wine-session.sh.
set -euo pipefail
seconds=${GLIMMORA_MOVING_SECONDS:-20}
alone=10
root=$(cd "$(dirname "$0")/.." && pwd)
# The picture comes first: under Wine a window shown after the overlays would cover them on the
# screen although the stacking order says otherwise.
wine "$root/build/windows/bench/windows/moving_picture.exe" $((seconds + alone + 90)) &
picture=$!
sleep 1
source "$root/bench/program.sh"

p0=$(ticks "$pid"); s0=$(ticks "$server"); t0=$(date +%s.%N)
sleep "$seconds"
p1=$(ticks "$pid"); s1=$(ticks "$server"); t1=$(date +%s.%N)
end_program || true
sleep 1
a0=$(ticks "$server"); u0=$(date +%s.%N)
sleep "$alone"
a1=$(ticks "$server"); u1=$(date +%s.%N)
kill "$picture" 2>/dev/null || true
wait "$picture" 2>/dev/null || true

awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v a="$((a1 - a0))" -v hz="$hz" \
    -v t0="$t0" -v t1="$t1" -v u0="$u0" -v u1="$u1" -v n="$seconds" 'BEGIN {
    printf "moving 25 defects, %d s: program %.2f %% of one core, wineserver %.2f %% (the picture alone: %.2f %%)\n",
           n, 100 * p / hz / (t1 - t0), 100 * s / hz / (t1 - t0), 100 * a / hz / (u1 - u0)
}'
