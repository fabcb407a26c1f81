#!/usr/bin/env bash
# Benchmark (not a test): the resident watcher's private memory and processor time while idle.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$build/bench-wine
"$here/tools/winenv.sh" up "$wine_dir" >/dev/null
trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
ORVANE_STAGE=$build/Orvane "$here/tools/winenv.sh" run "$wine_dir" "$build/testbin/bench_watcher.exe" \
    "$seconds" >"$wine_dir/bench-watcher.log" 2>&1 || { cat "$wine_dir/bench-watcher.log"; exit 1; }
grep -v '^\[e2e' "$wine_dir/bench-watcher.log"
