#!/usr/bin/env bash
# Runs one Windows program under Wine with the desktop at DPI pixels per inch; passes its exit code
# through.
# Usage: wine-dpi.sh DPI PROGRAM.exe [ARGS...]
#
# The resolution is the desktop's LogPixels setting (HKCU\Control Panel\Desktop), which Wine 8 reads
# when a program starts: GetDeviceCaps(LOGPIXELSX), GetDpiForSystem and GetDpiForWindow report it. It
# is set in a Wine prefix of its own beside the test prefix (wineprefix-dpi), before every run, so the
# 96-dpi prefix of the other test programs is never touched, not even by a run killed halfway. The
# prefix's wineserver is ended with the run; the display is the session's, or a private Xvfb.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

if [ $# -lt 2 ] || ! [[ $1 =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: wine-dpi.sh DPI PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
dpi=$1
shift

export QUORVEL_WINEPREFIX=$WINEPREFIX-dpi
export WINEPREFIX=$QUORVEL_WINEPREFIX

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

if [ -z "${DISPLAY:-}" ]; then
    quorvel_start_xvfb
fi
quorvel_prepare_prefix
quorvel_start_wineserver -p
server_started=1
if ! wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    </dev/null >/dev/null 2>&1; then
    echo "wine-dpi: cannot set LogPixels to $dpi" >&2
    exit 1
fi

status=0
"$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$@" || status=$?
exit "$status"
