#!/usr/bin/env bash
# A bounded fuzzing campaign over every target in the given build folder.
# Usage: run-fuzz.sh BUILD_FUZZ_DIR   (FUZZ_SECONDS per target, default 60)
set -euo pipefail
bin=$(cd "${1:?usage: run-fuzz.sh BUILD_FUZZ_DIR}" && pwd) # absolute: a target may change folder
seconds=${FUZZ_SECONDS:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$bin"/*_fuzz; do
    name=$(basename "$target" _fuzz)
    work="$bin/corpus-$name"
    mkdir -p "$work" "$bin/artifacts"
    seeds="$root/fuzz/corpus/$name"
    [ -d "$seeds" ] || seeds= # a target without committed seeds starts from nothing
    dict=()
    [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
    # A target's own libFuzzer flags (one a line), for example a larger -max_len.
    options=()
    [ -f "$root/fuzz/$name.options" ] && mapfile -t options <"$root/fuzz/$name.options"
    echo "== $name: ${seconds}s"
    # New inputs go to the scratch folder; the committed seeds are only read.
    # The whole log is kept; a failing target shows its finding, a passing one its final statistics.
    log="$bin/$name.log"
    if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" "${options[@]}" \
        -artifact_prefix="$bin/artifacts/$name-" "$work" ${seeds:+"$seeds"} >"$log" 2>&1; then
        tail -n 12 "$log"
    else
        status=1
        echo "!! $name failed; the finding (whole log: $log):"
        grep -n -m 1 -A 40 -E '^==[0-9]+==|runtime error|deadly signal|out-of-memory|timeout after' "$log" | head -n 60 || tail -n 30 "$log"
        ls -l "$bin/artifacts/$name-"* 2>/dev/null || true
    fi
done
exit $status
