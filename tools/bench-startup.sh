#!/usr/bin/env bash
# Benchmark (not a test): start-up time to the main window and the program's private memory.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$build/bench-wine
"$here/tools/winenv.sh" up "$wine_dir" >/dev/null
trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
ORVANE_STAGE=$build/Orvane "$here/tools/winenv.sh" run "$wine_dir" "$build/testbin/bench_startup.exe" \
    "${RUNS:-9}" >"$wine_dir/bench.log" 2>&1 || { cat "$wine_dir/bench.log"; exit 1; }
cat "$wine_dir/bench.log"
