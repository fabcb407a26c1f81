#!/usr/bin/env bash
# Benchmark (not a test): start-up time to the main window and the program's private memory.
exec "$(dirname "$0")/bench.sh" "$1" bench_startup "${RUNS:-9}"
