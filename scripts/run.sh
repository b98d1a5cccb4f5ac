#!/usr/bin/env bash
# `make run`: starts build/windows/Glimmora.exe under Wine. With $DISPLAY set it runs on that
# display; without one on a private Xvfb. Either way it waits until the program is up, saves a
# screenshot, and keeps it running until Ctrl-C, which ends it through its own close path.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export GLIMMORA_EXE=$root/build/windows/Glimmora.exe
export GLIMMORA_REMOTE=$root/build/windows/tests/e2e/GlimmoraRemote.exe
export GLIMMORA_SHOT=$root/build/run-screenshot.png
[[ -n "${DISPLAY:-}" ]] && export GLIMMORA_USE_DISPLAY=1

exec "$root/scripts/wine-session.sh" bash -c '
    set -u
    # Its own process group: Ctrl-C reaches this script, which closes the program properly,
    # instead of killing Wine under it.
    setsid wine "$GLIMMORA_EXE" >/dev/null 2>&1 </dev/null &
    program=$!
    if ! wine "$GLIMMORA_REMOTE" wait 60 2>/dev/null; then
        echo "Glimmora did not start." >&2
        exit 1
    fi
    sleep 1
    import -window root "$GLIMMORA_SHOT"
    echo "Glimmora runs on display $DISPLAY (data folder: $(dirname "$GLIMMORA_EXE"))."
    echo "Screenshot: $GLIMMORA_SHOT"
    echo "Press Ctrl-C to end it."
    trap "echo; echo Ending Glimmora ...; wine \"\$GLIMMORA_REMOTE\" close 2>/dev/null; wait $program; echo Glimmora has ended.; exit 0" INT TERM
    wait $program
'
