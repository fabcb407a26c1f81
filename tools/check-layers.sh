#!/usr/bin/env bash
# Checks that includes point down the layers: each folder may include only the folders listed
# for it (besides itself and system headers). The layers, lowest first: framework; skin (the
# skinned toolkit); modem, settings and the portable cores; host (the main window's interface to
# the pages); the pages of net, phonebook, sms, voice, settings; ui (the main window); app.
# watcher (a program of its own) uses the first three only; its portable core is a layer-3 core
# that the settings pages use for the watcher's command line.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
    [framework]="resources"
    [skin]="framework resources"
    [modem]="framework resources"
    [host]=""
    [settings]="framework skin modem host watcher resources"
    [phonebook]="framework skin modem host settings resources"
    [net]="framework skin modem host settings resources"
    [sms]="framework skin modem host settings phonebook resources"
    [voice]="framework skin modem host settings phonebook resources"
    [ui]="framework skin modem host settings phonebook net sms voice resources"
    [app]="framework skin modem host settings phonebook net sms voice ui resources"
    [watcher]="framework skin modem resources"
    [simcard]="framework modem resources"
    [pin]="framework modem resources"
)
fail=0
for folder in "${!allowed[@]}"; do
    [ -d "$folder" ] || continue
    while IFS=: read -r file line include; do
        target=$(sed -E 's/.*#include +"([^/"]+)\/.*/\1/' <<<"$include")
        [ "$target" = "$include" ] && continue  # a header of the same folder, no folder named
        [ "$target" = "$folder" ] && continue
        if ! grep -qw -- "$target" <<<"${allowed[$folder]}"; then
            echo "$file:$line: $folder/ may not include $target/ ($include)"
            fail=1
        fi
    done < <(grep -rnE '^#include +"[^"]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.rc' || true)
done
[ $fail = 0 ] && echo "includes point down the layers"
exit $fail
