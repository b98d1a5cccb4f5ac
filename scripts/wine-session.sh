#!/usr/bin/env bash
# Runs a command inside a Wine session made for Glimmora: a private X display (Xvfb) unless
# GLIMMORA_USE_DISPLAY=1 and $DISPLAY is set, a Wine prefix under build/ whose default desktop is
# a 1024x768 virtual desktop (so every process shares one desktop with a task bar and tray), and a
# wineserver kept alive for the whole command so that each program starts quickly.
#
#   scripts/wine-session.sh <command> [args...]
#
# Environment: GLIMMORA_WINEPREFIX (default build/wineprefix), GLIMMORA_LOGPIXELS (default 96),
# GLIMMORA_SCREEN (default 1024x768).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${GLIMMORA_WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: they would ask the network and open dialogs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
screen=${GLIMMORA_SCREEN:-1024x768}
logpixels=${GLIMMORA_LOGPIXELS:-96}

# A wineserver left over from an interrupted run would keep this prefix busy for ever.
wineserver -k >/dev/null 2>&1 || true

xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" >/dev/null 2>&1 || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
# Ctrl-C reaches the command too; let it finish its own way (make run closes the program),
# then clean up. A trap that does nothing, unlike an ignored signal, is not inherited.
trap ':' INT
trap 'exit 143' TERM

if [[ "${GLIMMORA_USE_DISPLAY:-0}" != 1 || -z "${DISPLAY:-}" ]]; then
    # A free display number: the lock file of an X server holds it.
    n=90
    while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || xdpyinfo -display ":$n" >/dev/null 2>&1; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
fi

# A new prefix takes tens of seconds to create; it is kept under build/ for later runs.
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "Creating the Wine prefix $WINEPREFIX (once) ..."
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi

# Settings are written each time: LogPixels may differ between runs.
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$screen"

; A task bar with its notification area, where the program's icon sits.
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\Default]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf '%08x' "$logpixels")
REG
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
rm -f "$reg"
wineserver -w

# Keep one wineserver for the whole session: every Wine start then costs much less.
wineserver -p
status=0
"$@" || status=$?
exit $status
