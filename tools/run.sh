#!/usr/bin/env bash
# Runs Orvane from the staged program folder with the simulated card.
# With a usable display it runs there; without one it runs a short scripted demonstration on a
# virtual display and writes screenshots to BUILD/screenshots.
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$build/run-wine

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    ORVANE_USE_DISPLAY=1 "$here/tools/winenv.sh" up "$wine_dir" >/dev/null
    trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
    "$here/tools/winenv.sh" run "$wine_dir" "$build/Orvane/Orvane.exe" >"$wine_dir/orvane.log" 2>&1
else
    "$here/tools/winenv.sh" up "$wine_dir" >/dev/null
    trap '"$here/tools/winenv.sh" down "$wine_dir"' EXIT
    mkdir -p "$build/screenshots"
    ORVANE_STAGE=$build/Orvane E2E_SHOTS=$build/screenshots \
        "$here/tools/winenv.sh" run "$wine_dir" "$build/testbin/orvane_demo.exe" \
        >"$wine_dir/demo.log" 2>&1 || { cat "$wine_dir/demo.log"; exit 1; }
    cat "$wine_dir/demo.log"
    for f in "$build"/screenshots/*.png; do [ -e "$f" ] && echo "screenshot: $f"; done
fi
