#!/usr/bin/env bash
# Runs the soak (testbin/soak.exe, not a test) in a Wine prefix of its own and shows its figures
# as they come. They are kept in BUILD/soak/soak-<date>-<time>.log, what the programs it starts
# print in soak-<date>-<time>.programs.log, with a screenshot of a frozen window.
#   soak.sh BUILD [MINUTES] [SEED]    (60 minutes and a fresh seed unless given)
set -euo pipefail
build=$(realpath "$1")
minutes=${2:-60}
seed=${3:-}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$build/soak
wine_dir=$out/wine
log=$out/soak-$(date +%Y%m%d-%H%M%S).log
mkdir -p "$out"
"$here/tools/winenv.sh" up "$wine_dir" >/dev/null
trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
# A program that crashes ends (and the soak counts it) instead of waiting in Wine's crash dialog.
"$here/tools/winenv.sh" run "$wine_dir" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
# Wine's output goes to a file, never a pipe (its services would hold the pipe open); the file is
# followed while the soak runs. Wine writes CR LF.
ORVANE_STAGE=$build/Orvane E2E_SHOTS=$out "$here/tools/winenv.sh" run "$wine_dir" \
    "$build/testbin/soak.exe" "$minutes" ${seed:+"$seed"} </dev/null \
    >"$log.raw" 2>"${log%.log}.programs.log" &
soak=$!
tail -n +1 -f --pid=$soak "$log.raw" | sed -u 's/\r$//' | grep --line-buffered -v '^\[e2e' || true
status=0
wait $soak || status=$?
tr -d '\r' <"$log.raw" >"$log" && rm -f "$log.raw"
echo "log: $log"
exit $status
