#!/usr/bin/env bash
# ctest's emulator for the Windows test programs: runs one program under Wine and passes on its
# output and exit code. The output goes through a file, not straight to ctest's pipe: Wine's own
# helper processes (services, the virtual desktop) outlive the program and would keep that pipe
# open, so ctest would wait for them until its time-out.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
# Wine's notices about a missing 32-bit part are noise for a 64-bit-only prefix.
grep -v -e 'wine32 is missing' -e 'multiarch needs to be enabled' -e 'dpkg --add-architecture' \
    -e 'apt-get install wine32' "$out"
exit $rc
