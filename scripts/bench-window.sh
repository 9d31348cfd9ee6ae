#!/usr/bin/env bash
# How the window answers on big projects: Quorvel.exe under Wine on a private Xvfb, a generated project
# of each size pasted into the file-name edit, keys typed while the edit names it, then F5.
# Usage: [BENCH_FRESH=1] bench-window.sh [BUILD_DIR [FORMS [PAIRS [RUNS]]]]
#        (default: build/windows, made with the windows preset; FORMS a comma-separated list of sizes,
#        2000,10000; 5 pairs of keystrokes; 3 runs of each size, each with a fresh start of the program;
#        BENCH_FRESH keeps the forms' time stamps of the moment they were written)
#
# Prints each run's figures (see scripts/bench-driver.cpp for how each is taken), then their medians.
# The figures are for reading: nothing here passes or fails on them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ "${1:-}" != --inside ]; then
    build=${1:-build/windows}
    sizes=${2:-2000,10000}
    pairs=${3:-5}
    runs=${4:-3}
    scripts/install-deps.sh windows
    if [ "$build" = build/windows ]; then
        cmake --preset windows >/dev/null
    fi
    cmake --build "$build" --target Quorvel
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Werror -static \
        -o "$build/bench-driver.exe" scripts/bench-driver.cpp -luser32
    build=$(cd "$build" && pwd)
    projects=()
    for forms in ${sizes//,/ }; do
        project=$build/bench-project-$forms
        rm -rf "$project"
        python3 scripts/make-big-project.py "$project" "$forms"
        # A project as people have it on disk, not written a moment ago: a form's text is kept without
        # reading it again once its time stamp is older than the file system's resolution.
        [ "${BENCH_FRESH:-}" ] || find "$project" -type f -exec touch -d "1 hour ago" {} +
        projects+=("$project:$forms")
    done
    exec scripts/wine-session.sh "$0" --inside "$build" "$pairs" "$runs" "${projects[@]}"
fi

# Inside the Wine session: a private display and a running wineserver.
build=$2
pairs=$3
runs=$4
shift 4
quorvel_pid=
figures=$(mktemp)
cleanup() {
    if [ -n "$quorvel_pid" ]; then kill "$quorvel_pid" 2>/dev/null || true; fi
    quorvel_forget_settings
    rm -f "$figures"
}
trap cleanup EXIT
source scripts/wine-common.sh

for entry in "$@"; do
    project=${entry%:*}
    forms=${entry##*:}
    # Wine shows the machine's root as drive Z:.
    windows_name="Z:$(echo "$project/Big.mak" | tr / '\\')"
    : >"$figures"
    for run in $(seq "$runs"); do
        quorvel_forget_settings # a first start, which opens no remembered project
        wine "$build/Quorvel.exe" </dev/null >/dev/null 2>&1 &
        quorvel_pid=$!
        echo "bench-window: $forms forms ($((forms * 4)) nodes, the forms' rows in the tree until opened), $pairs pairs of keystrokes, run $run of $runs"
        # The launcher becomes the program (exec keeps the process), whose processor time Linux counts.
        scripts/wine-run.sh "$build/bench-driver.exe" "$windows_name" "$forms" "$pairs" "$quorvel_pid" |
            tr -d '\r' |
            tee -a "$figures"
        wait "$quorvel_pid" || true
        quorvel_pid=
    done
    echo "bench-window: $forms forms, medians of $runs runs"
    # Each figure is the first number after the colon; the median of the runs takes its place.
    python3 - "$figures" <<'PY'
import re, statistics, sys
lines = {}
for line in open(sys.argv[1]):
    name, _, rest = line.rstrip("\n").partition(": ")
    number = re.search(r"-?\d+(\.\d+)?", rest)
    if number:
        lines.setdefault(name, []).append((float(number.group()), rest, number.span()))
for name, values in lines.items():
    median = statistics.median(value for value, _, _ in values)
    _, rest, (start, end) = values[0]
    print(f"  {name}: {rest[:start]}{median:.0f}{rest[end:]}")
PY
done
