#!/usr/bin/env bash
# How the window answers on a big project: Quorvel.exe under Wine on a private Xvfb, a generated project
# of FORMS forms (four nodes each) pasted into the file-name edit, then keys typed while the edit names it.
# Usage: [BENCH_FRESH=1] bench-window.sh [BUILD_DIR [FORMS [PAIRS]]]
#        (default: build/windows, made with the windows preset; 2000 forms; 5 pairs of keystrokes;
#        BENCH_FRESH keeps the forms' time stamps of the moment they were written)
#
# Prints the time from the paste to the tree holding every node, and the longest time the window did not
# answer while keys were typed (see scripts/bench-driver.cpp for how each is taken). The figures are for
# reading: nothing here passes or fails on them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ "${1:-}" != --inside ]; then
    build=${1:-build/windows}
    forms=${2:-2000}
    pairs=${3:-5}
    scripts/install-deps.sh windows
    if [ "$build" = build/windows ]; then
        cmake --preset windows >/dev/null
    fi
    cmake --build "$build" --target Quorvel
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Werror -static \
        -o "$build/bench-driver.exe" scripts/bench-driver.cpp -luser32
    project=$(cd "$build" && pwd)/bench-project
    rm -rf "$project"
    python3 scripts/make-big-project.py "$project" "$forms"
    # A project as people have it on disk, not written a moment ago: a form's text is kept without
    # reading it again once its time stamp is older than the file system's resolution.
    [ "${BENCH_FRESH:-}" ] || touch -d "1 hour ago" "$project"/*
    exec scripts/wine-session.sh "$0" --inside "$build" "$project" "$forms" "$pairs"
fi

# Inside the Wine session: a private display and a running wineserver.
build=$2
project=$3
forms=$4
pairs=$5
quorvel_pid=
cleanup() {
    if [ -n "$quorvel_pid" ]; then kill "$quorvel_pid" 2>/dev/null || true; fi
    quorvel_forget_settings
}
trap cleanup EXIT
source scripts/wine-common.sh
quorvel_forget_settings # a first start, which opens no remembered project

# Wine shows the machine's root as drive Z:.
windows_name="Z:$(echo "$project/Big.mak" | tr / '\\')"
wine "$root/$build/Quorvel.exe" </dev/null >/dev/null 2>&1 &
quorvel_pid=$!
echo "bench-window: $forms forms, $((forms * 4)) nodes, $pairs pairs of keystrokes"
scripts/wine-run.sh "$build/bench-driver.exe" "$windows_name" "$((forms * 4))" "$pairs" | tr -d '\r'
wait "$quorvel_pid" || true
quorvel_pid=
