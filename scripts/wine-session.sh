#!/usr/bin/env bash
# Runs a command inside a Wine session made for Glimmora, with a wineserver kept alive for the
# whole command so that each program starts quickly.
#
#   scripts/wine-session.sh <command> [args...]
#
# The kind of desktop, from the environment:
#
#   (nothing)               a private X display (Xvfb) of GLIMMORA_SCREEN (default 1024x768) and
#                           a Wine virtual desktop of that size, so that every process shares one
#                           desktop with a task bar and tray; prefix GLIMMORA_WINEPREFIX (default
#                           build/wineprefix). The one-monitor tests run here.
#   GLIMMORA_USE_DISPLAY=1  the same virtual desktop as a window on $DISPLAY: the program's
#                           always-on-top overlays stay inside it, the user's screen is left alone.
#   GLIMMORA_OWN_DESKTOP=1  no virtual desktop: the program's windows are windows of $DISPLAY's
#                           own desktop, and its icon docks in that desktop's tray where there is
#                           one. Prefix build/wineprefix-desktop, so that the test prefix keeps
#                           its virtual desktop.
#   GLIMMORA_MONITORS=...   a desktop of several monitors on a private display; see below.
#
# GLIMMORA_LOGPIXELS (default 96) sets the DPI in every kind.
#
# Several monitors. GLIMMORA_MONITORS lists them in Windows screen coordinates, the primary
# first and at +0+0, e.g. "1024x768+0+0,800x600-800+84": a secondary left of the primary, lower
# by 84 pixels. Wine 8 with a virtual desktop always shows one monitor; without one, on an X
# display without RANDR, it takes the monitors from Xinerama. So the session starts an Xvfb
# without RANDR whose one screen holds the bounding box of the layout, and puts our own
# libXinerama.so.1 (tests/support/xinerama) first on LD_LIBRARY_PATH; it reports the monitors as
# heads of that screen, the primary as the first head, which Wine makes its primary and puts at
# (0, 0), every other monitor relative to it. icewm, on the same heads, gives it a task bar (on
# the primary) with a tray that the program's icon docks in; its full-screen windows may span
# all monitors, so that a window over the whole virtual screen stays where Windows would leave
# it instead of being fitted to one monitor. Prefix build/wineprefix-monitors.
#
# Measured in this session (Wine 8.0, the layout above: virtual screen -800,0 to 1024,768):
# - GetDC(NULL) and GetWindowDC(GetDesktopWindow()) read every window correctly with GetPixel
#   and BitBlt, from the virtual screen's left edge to its right edge, in the painting process
#   and in others, DPI-aware or not. We looked for a limit reported for such sessions (correct
#   reads only from the left edge to the left edge plus the primary's width) and did not see it
#   with this layout, with the secondary right of the primary, or with a secondary larger than
#   the primary.
# - The screen DC's clipping region is the bounding box of the monitors (GetClipBox answers
#   SIMPLEREGION): a point in a gap between monitors passes PtVisible and reads whatever lies
#   there (black, or a window placed there), never CLR_INVALID. Only MonitorFromPoint tells
#   that it lies on no monitor.
# - CreateDCW(L"DISPLAY") and the DCs of single monitors have their origin at the virtual
#   screen's top left corner, not at the primary's, and BitBlt from them copies black.
# - GetDesktopWindow()'s rectangle is the primary's, not the virtual screen.
# - Wine makes a window that covers the whole virtual screen a full-screen window of the window
#   manager; by icewm's default that is fitted to the primary (and every read beside it misses
#   the window), hence FullscreenUseAllMonitors below.
# - SendInput's absolute coordinates reach every monitor whether or not MOUSEEVENTF_VIRTUALDESK
#   is set: normalised over the primary, a negative value lands left of or above it. Windows
#   documents that only with MOUSEEVENTF_VIRTUALDESK, normalised over the virtual screen.
# - Each monitor's work area is its part of the one work area icewm announces for the X screen.
#   With the monitors' tops level, the primary's ends above the task bar; with the layout above,
#   icewm announces more than the screen, and every work area is its whole monitor.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: they would ask the network and open dialogs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
screen=${GLIMMORA_SCREEN:-1024x768}
logpixels=${GLIMMORA_LOGPIXELS:-96}

if [[ -n "${GLIMMORA_MONITORS:-}" ]]; then
    mode=monitors
    export WINEPREFIX=$root/build/wineprefix-monitors
elif [[ "${GLIMMORA_OWN_DESKTOP:-0}" == 1 ]]; then
    mode=own
    export WINEPREFIX=$root/build/wineprefix-desktop
    if [[ -z "${DISPLAY:-}" ]]; then
        echo "The display's own desktop needs an X display: \$DISPLAY is not set." >&2
        exit 1
    fi
else
    mode=virtual
    export WINEPREFIX=${GLIMMORA_WINEPREFIX:-$root/build/wineprefix}
fi

# The monitors as heads of one X screen: the bounding box's top left corner becomes (0, 0).
if [[ $mode == monitors ]]; then
    IFS=, read -ra monitors <<<"$GLIMMORA_MONITORS"
    left=0 top=0 right=0 bottom=0 heads=
    for m in "${monitors[@]}"; do
        if [[ ! $m =~ ^([0-9]+)x([0-9]+)([+-])([0-9]+)([+-])([0-9]+)$ ]]; then
            echo "GLIMMORA_MONITORS: '$m' is not WIDTHxHEIGHT+X+Y" >&2
            exit 1
        fi
        r=("${BASH_REMATCH[@]}") # 10#: a leading zero is not octal
        w=$((10#${r[1]})) h=$((10#${r[2]})) x=$((${r[3]}10#${r[4]})) y=$((${r[5]}10#${r[6]}))
        if [[ -z $heads && ($x != 0 || $y != 0) ]]; then
            echo "GLIMMORA_MONITORS: the first monitor is the primary and lies at +0+0" >&2
            exit 1
        fi
        ((x < left)) && left=$x
        ((y < top)) && top=$y
        ((x + w > right)) && right=$((x + w))
        ((y + h > bottom)) && bottom=$((y + h))
        heads+=${heads:+,}$w:$h:$x:$y
    done
    xinerama_heads=
    IFS=, read -ra list <<<"$heads"
    for head in "${list[@]}"; do
        IFS=: read -r w h x y <<<"$head"
        xinerama_heads+=${xinerama_heads:+,}${w}x${h}+$((x - left))+$((y - top))
    done
    screen=$((right - left))x$((bottom - top))
    export GLIMMORA_XINERAMA_HEADS=$xinerama_heads

    # The stand-in library, built with the host compiler when its source is newer.
    lib_dir=$root/build/xinerama
    lib=$lib_dir/libXinerama.so.1
    src=$root/tests/support/xinerama/FakeXinerama.c
    if [[ ! -f $lib || $src -nt $lib ]]; then
        mkdir -p "$lib_dir"
        gcc -shared -fPIC -O2 -Wall -Wextra -Wl,-soname,libXinerama.so.1 -o "$lib.$$" "$src"
        mv -f "$lib.$$" "$lib" # another session may be loading the old one
    fi
    export LD_LIBRARY_PATH=$lib_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
fi

# A wineserver left over from an interrupted run would keep this prefix busy for ever.
wineserver -k >/dev/null 2>&1 || true

xvfb_pid= wm_pid= wm_config=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    for pid in $wm_pid $xvfb_pid; do
        kill "$pid" >/dev/null 2>&1 || true
        wait "$pid" 2>/dev/null || true
    done
    [[ -z "$wm_config" ]] || rm -rf "$wm_config"
}
trap cleanup EXIT
# Ctrl-C reaches the command too; let it finish its own way (make run closes the program),
# then clean up. A trap that does nothing, unlike an ignored signal, is not inherited.
trap ':' INT
trap 'exit 143' TERM

if [[ $mode == monitors || ($mode == virtual && ("${GLIMMORA_USE_DISPLAY:-0}" != 1 || -z "${DISPLAY:-}")) ]]; then
    # A free display number: the lock file of an X server holds it.
    n=90
    while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || xdpyinfo -display ":$n" >/dev/null 2>&1; do
        n=$((n + 1))
    done
    xvfb_options=()
    [[ $mode == monitors ]] && xvfb_options=(-extension RANDR)
    Xvfb ":$n" -screen 0 "${screen}x24" "${xvfb_options[@]}" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
fi

if [[ $mode == monitors ]]; then
    wm_config=$(mktemp -d)
    cat >"$wm_config/preferences" <<'PREFERENCES'
FullscreenUseAllMonitors=1
TaskBarShowClock=0
TaskBarShowCPUStatus=0
TaskBarShowMEMStatus=0
TaskBarShowNetStatus=0
TaskBarShowMailboxStatus=0
TaskBarShowAPMStatus=0
PREFERENCES
    ICEWM_PRIVCFG=$wm_config icewm >/dev/null 2>&1 </dev/null &
    wm_pid=$!
    # Wine docks a tray icon only in a tray that is there when the icon is added.
    for _ in $(seq 1 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"SystemTray"' && break
        kill -0 "$wm_pid" 2>/dev/null || { echo "icewm did not start" >&2; exit 1; }
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
if [[ $mode == virtual ]]; then
    desktop=$(
        cat <<REG
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$screen"

; A task bar with its notification area, where the program's icon sits.
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\Default]
"EnableShell"=dword:00000001
REG
    )
else
    desktop=$(
        cat <<REG
[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"=-
REG
    )
fi
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<REG
REGEDIT4

$desktop

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf '%08x' "$logpixels")
REG
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
rm -f "$reg"
wineserver -w

# Keep one wineserver for the whole session: every Wine start then costs much less.
wineserver -p >/dev/null 2>&1 </dev/null
status=0
"$@" || status=$?
exit $status
