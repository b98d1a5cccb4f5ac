#!/usr/bin/env bash
# `make run`: starts build/windows/Glimmora.exe under Wine, waits until the program is up, and
# keeps it running until Ctrl-C, which ends it through its own close path.
#
# Without $DISPLAY it runs on a private Xvfb in a Wine virtual desktop and saves a screenshot.
# With $DISPLAY set it opens that virtual desktop as a 1024x768 window on the display, so the
# program's always-on-top overlays cannot conceal anything on the user's own screen.
# `make run-desktop` (GLIMMORA_OWN_DESKTOP=1) runs it on the display's own desktop instead: its
# windows are windows of that desktop, its icon docks in the desktop's tray.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export GLIMMORA_EXE=$root/build/windows/Glimmora.exe
export GLIMMORA_REMOTE=$root/build/windows/tests/e2e/GlimmoraRemote.exe
if [[ -n "${DISPLAY:-}" ]]; then
    export GLIMMORA_USE_DISPLAY=1
    shot=
elif [[ "${GLIMMORA_OWN_DESKTOP:-0}" == 1 ]]; then
    echo "make run-desktop runs Glimmora on the desktop of an X display: set \$DISPLAY." >&2
    exit 1
else
    # Nobody sees a private display: a picture shows what the program drew.
    shot=$root/build/run-screenshot.png
fi
export GLIMMORA_SHOT=$shot

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
    echo "Glimmora runs on display $DISPLAY (data folder: $(dirname "$GLIMMORA_EXE"))."
    if [[ -n "$GLIMMORA_SHOT" ]]; then
        sleep 1
        import -window root "$GLIMMORA_SHOT"
        echo "Screenshot: $GLIMMORA_SHOT"
    fi
    echo "Press Ctrl-C to end it."
    trap "echo; echo Ending Glimmora ...; wine \"\$GLIMMORA_REMOTE\" close 2>/dev/null; wait $program; echo Glimmora has ended.; exit 0" INT TERM
    wait $program
'
