#!/usr/bin/env bash
# Runs a command inside one Wine session and returns the command's exit code.
# Usage: wine-session.sh [--keep-display] CMD [ARGS...]
#
# The session has a headless Xvfb of its own (or, with --keep-display and $DISPLAY set, the user's
# display), a prepared prefix and one persistent wineserver, so the programs that CMD starts through
# wine-run.sh skip Wine's start-up. At the end the wineserver and everything it runs are killed and the
# Xvfb is stopped: no Wine process is left holding a descriptor of the caller.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

keep_display=
if [ "${1:-}" = --keep-display ]; then
    keep_display=1
    shift
fi
if [ $# -lt 1 ]; then
    echo "usage: wine-session.sh [--keep-display] CMD [ARGS...]" >&2
    exit 2
fi

server_started=
cleanup() {
    if [ -n "$server_started" ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    quorvel_stop_xvfb
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

if [ -z "$keep_display" ] || [ -z "${DISPLAY:-}" ]; then
    quorvel_start_xvfb
fi
quorvel_prepare_prefix
quorvel_start_wineserver -p
server_started=1

status=0
"$@" || status=$?
exit "$status"
