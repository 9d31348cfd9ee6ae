#!/usr/bin/env bash
# Makes docs/screenshot.png: Quorvel.exe under Wine on a private Xvfb, the demo project scanned, a
# component selected in the tree, the window captured from the X screen.
# Usage: screenshot.sh [BUILD_DIR [DPI]]   (default: build/windows, made with the windows preset; 96)
#
# At a DPI other than 96 the picture is docs/screenshot-DPI.png, taken in the Wine prefix that
# scripts/wine-dpi.sh uses, with its desktop set to DPI pixels per inch.
#
# The program starts as for the first time (nothing remembered), and scripts/screenshot-driver.cpp works
# it through its windows' messages: it pastes the project's name into the file-name edit, clicks into the tree, expands
# the first form and selects its first component. xwd (x11-apps) dumps the X screen and xwd2png.py
# turns the window's part of it into a PNG with Python's standard library; nothing else is needed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ "${1:-}" != --inside ]; then
    build=${1:-build/windows}
    dpi=${2:-96}
    scripts/install-deps.sh windows screenshot
    if [ "$build" = build/windows ]; then
        cmake --preset windows >/dev/null
    fi
    cmake --build "$build" --target Quorvel
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Werror -static \
        -o "$build/screenshot-driver.exe" scripts/screenshot-driver.cpp -luser32 -lcomctl32
    if [ "$dpi" != 96 ]; then
        source scripts/wine-common.sh
        export QUORVEL_WINEPREFIX=$WINEPREFIX-dpi # the prefix of scripts/wine-dpi.sh
    fi
    exec scripts/wine-session.sh "$0" --inside "$build" "$dpi"
fi

# Inside the Wine session: a private display and a running wineserver.
build=$2
dpi=$3
picture=docs/screenshot.png
if [ "$dpi" != 96 ]; then
    picture=docs/screenshot-$dpi.png
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
fi
work=$(mktemp -d)
quorvel_pid=
cleanup() {
    if [ -n "$quorvel_pid" ]; then kill "$quorvel_pid" 2>/dev/null || true; fi
    rm -rf "$work"
    quorvel_forget_settings
}
trap cleanup EXIT
source scripts/wine-common.sh
quorvel_forget_settings

# The form files of the demo are named relative to the project, so the program starts in its folder.
(cd examples/demo && exec wine "$root/$build/Quorvel.exe" </dev/null >/dev/null 2>&1) &
quorvel_pid=$!
rect=$(scripts/wine-run.sh "$build/screenshot-driver.exe" show Project1.mak | tr -d '\r')
read -r left top width height <<<"$rect"
xwd -root -silent >"$work/screen.xwd"
mkdir -p docs
python3 scripts/xwd2png.py "$work/screen.xwd" "$picture" "$left" "$top" "$width" "$height"
scripts/wine-run.sh "$build/screenshot-driver.exe" close
wait "$quorvel_pid" || true
quorvel_pid=
echo "screenshot: $picture (${width}x${height})"
