# Sourced by the benchmarks that watch the running program (inside scripts/wine-session.sh):
# starts Glimmora.exe in a temporary folder beside a file of 25 defects, waits until it is up,
# and sets `pid` to its process and `server` to the wineserver of the session. `end_program`
# ends it through its own close path; `ticks <pid>` is a process's CPU time so far, in units of
# `hz` a second.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$root/build/windows/Glimmora.exe" "$folder/"
wine "$root/build/windows/bench/windows/tick_bench.exe" --write-defects "$(winepath -w "$folder/Glimmora.pix")"
(cd "$folder" && setsid wine Glimmora.exe >/dev/null 2>&1 </dev/null &)
wine "$root/build/windows/tests/e2e/GlimmoraRemote.exe" wait 60
sleep 2 # past the start-up
# Other people may run Wine sessions of their own on this machine: only processes of this
# session's prefix count.
session_pid() {
    local p
    for p in $(pgrep -f "$1"); do
        if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return 0
        fi
    done
    echo "no $1 of this session" >&2
    return 1
}
pid=$(session_pid 'Glimmora.exe')
server=$(session_pid 'wineserver')

# GlimmoraRemote: wait, close, lock, unlock.
remote() {
    wine "$root/build/windows/tests/e2e/GlimmoraRemote.exe" "$@"
}
end_program() {
    remote close
}

# Read from /proc: Wine does not report another process's times.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
