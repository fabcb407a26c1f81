#!/usr/bin/env bash
# Benchmark (not a test): Orvane beside the minimal program, start-up time to the main window,
# private memory, and processor time while connected and hidden, with the budgets they are held to.
#   bench-startup.sh BUILD [IDLE_SECONDS (300)]    RUNS=n sets the number of starts (9)
exec "$(dirname "$0")/bench.sh" "$1" bench_startup "${RUNS:-9}" "${2:-300}"
