#!/usr/bin/env bash
# Runs one benchmark program of the test folder (not a test) in a Wine prefix of its own and prints
# its figures:  bench.sh BUILD PROGRAM [ARGS...]   (PROGRAM: bench_startup, bench_watcher)
set -euo pipefail
build=$(realpath "$1")
program=$2
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$build/bench-wine
log=$wine_dir/$program.log
"$here/tools/winenv.sh" up "$wine_dir" >/dev/null
trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
status=0
ORVANE_STAGE=$build/Orvane "$here/tools/winenv.sh" run "$wine_dir" "$build/testbin/$program.exe" \
    "$@" >"$log" 2>&1 || status=$?
# The figures whatever the outcome (Wine ends its lines with CR LF); the driver's progress lines
# only when the program failed.
if [ "$status" -eq 0 ]; then grep -v '^\[e2e' "$log" | tr -d '\r'; else tr -d '\r' <"$log"; fi
exit "$status"
