#!/usr/bin/env bash
# Runs one Windows program under Wine with the desktop at DPI pixels per inch; passes its exit code
# through.
# Usage: wine-dpi.sh DPI PROGRAM.exe [ARGS...]
#
# The resolution is the desktop's LogPixels setting (HKCU\Control Panel\Desktop), which Wine 8 reads
# when a program starts: GetDeviceCaps(LOGPIXELSX), GetDpiForSystem and GetDpiForWindow report it. It
# is set in a Wine prefix of its own beside the test prefix (wineprefix-dpi), before every run, so the
# 96-dpi prefix of the other test programs is never touched, not even by a run killed halfway. The run
# is a Wine session of that prefix (scripts/wine-session.sh) on the caller's display, or a private one.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")

if [ "${1:-}" = --inside ]; then
    # Inside the session: the prefix is ready and its wineserver runs.
    dpi=$2
    shift 2
    # Seldom, the first Wine program of a session fails for a reason of Wine's own (seen once in CI, not
    # reproduced since): the setting is tried again before the run gives up, and then Wine's words show.
    log=$(mktemp)
    trap 'rm -f "$log"' EXIT
    for try in 1 2 3; do
        if wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            </dev/null >"$log" 2>&1; then
            break
        fi
        if [ $try -eq 3 ]; then
            cat "$log" >&2
            echo "wine-dpi: cannot set LogPixels to $dpi" >&2
            exit 1
        fi
        sleep 1
    done
    rm -f "$log"
    trap - EXIT
    exec "$here/wine-run.sh" "$@"
fi

if [ $# -lt 2 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: wine-dpi.sh DPI PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
source "$here/wine-common.sh"
export QUORVEL_WINEPREFIX=$WINEPREFIX-dpi
exec "$here/wine-session.sh" --keep-display "$0" --inside "$@"
