#!/usr/bin/env bash
# Runs one Windows program under Wine and passes its exit code through.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
#
# This is the cross build's CMAKE_CROSSCOMPILING_EMULATOR, so ctest starts every test program through
# it. Inside wine-session.sh it reuses the session's display and wineserver; on its own it uses
# $DISPLAY, or a private Xvfb for the length of the one program.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

if [ $# -lt 1 ]; then
    echo "usage: wine-run.sh PROGRAM.exe [ARGS...]" >&2
    exit 2
fi

workdir=$(mktemp -d)
wine_pid=
cleanup() {
    if [ -n "$wine_pid" ]; then kill "$wine_pid" 2>/dev/null || true; fi
    quorvel_stop_xvfb
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

if [ -z "${DISPLAY:-}" ]; then
    quorvel_start_xvfb
fi
quorvel_prepare_prefix
# A session's persistent server is reused; without one this starts a server that ends with the program.
quorvel_start_wineserver

# The program writes to a file, not to our pipe: helpers that Wine starts on the program's behalf
# (the desktop process, for one) inherit its descriptors and may outlive it. tail relays the file as
# it grows and stops once the program has ended.
log=$workdir/output
: >"$log"
wine "$@" </dev/null >"$log" 2>&1 &
wine_pid=$!
tail -n +1 -s 0.1 -f --pid="$wine_pid" "$log"
status=0
wait "$wine_pid" || status=$?
wine_pid=
exit "$status"
