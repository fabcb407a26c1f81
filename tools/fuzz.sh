#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build tree for FUZZ_SECONDS each (default 600) on its seed
# corpus and prints libFuzzer's figures: executions, coverage, and any crash it found.
set -uo pipefail
tree=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-600}
status=0
for exe in "$tree"/tests/fuzz/fuzz_*; do
    [ -x "$exe" ] || continue
    name=$(basename "$exe"); name=${name#fuzz_}
    found=$tree/tests/fuzz/found/$name
    mkdir -p "$found"
    log=$tree/tests/fuzz/$name.log
    echo "== $name: ${seconds}s"
    "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$tree/tests/fuzz/$name-" "$found" "$here/tests/fuzz/corpus/$name" \
        >"$log" 2>&1 || { status=1; echo "   CRASH: see $log"; }
    grep -E '^#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" | sed 's/^/   /'
    grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 | sed 's/^/   /'
done
exit $status
