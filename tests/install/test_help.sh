#!/usr/bin/env bash
# Every staged help file opens in the Windows help viewer with its own title and all its topics
# in the contents, each on a system of its language (the viewer reads a help file's title, contents and index in the system code page,
# which is why the program only opens the help file of the system language). Screenshots of the
# viewers go to $SHOTS/help-<code>.png.
# Environment (set by tests/install/CMakeLists.txt): WINENV WINE_DIR STAGE WINPROBE SHOTS LANGUAGES
#   TOPICS
set -u
topics=$(grep -c -E '^ *[^ #]' "$TOPICS")
declare -A locale_of=([gb]=zh_CN.UTF-8 [big5]=zh_TW.UTF-8 [en]=C.UTF-8 [jap]=ja_JP.UTF-8
                      [spa]=es_ES.UTF-8)
failures=0
count=0
log=$WINE_DIR/help-viewer.out
: >"$log"
while IFS='|' read -r code file _ _ _ _ _ title _; do
    code=$(echo $code) file=$(echo $file) title=$(echo $title)
    [[ $code =~ ^[a-z0-9]+$ ]] || continue
    count=$((count + 1))
    loc=${locale_of[$code]:-}
    if [ -z "$loc" ]; then
        echo "FAILED: $file: no system locale known for language $code"
        failures=$((failures + 1))
        continue
    fi
    if ! locale -a | grep -qix "${loc/UTF-8/utf8}"; then
        echo "FAILED: $file: locale $loc is not generated (tools/setup.sh generates it)"
        failures=$((failures + 1))
        continue
    fi
    if [ ! -f "$STAGE/$file" ]; then
        echo "FAILED: $file is not staged"
        failures=$((failures + 1))
        continue
    fi
    chm="Z:${STAGE//\//\\}\\$file" shot="Z:${SHOTS//\//\\}\\help-$code.png"
    if ORVANE_LANG=$loc "$WINENV" run "$WINE_DIR" "$WINPROBE" help "$chm" "$title" "$topics" "$shot" \
        >>"$log" 2>&1; then
        echo "ok: $file opens as \"$title\" with $topics topics on a $loc system"
    else
        echo "FAILED: $file does not open as \"$title\" on a $loc system:"
        tail -n 3 "$log" | tr -d '\r' | sed 's/^/  /'
        failures=$((failures + 1))
    fi
done <"$LANGUAGES"
[ "$count" -gt 0 ] || { echo "no language in $LANGUAGES"; exit 1; }
echo "$((count - failures)) passed, $failures failed"
[ "$failures" = 0 ]
