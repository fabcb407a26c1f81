#!/usr/bin/env bash
# Refreshes the pictures of the help files from the screenshots a test run wrote.
#   tools/help-shots.sh [SHOTS_DIR] [LANG]
# SHOTS_DIR defaults to build/target/screenshots. Without LANG the pictures go to help/images/ and
# serve every language; with LANG (gb, big5, en, jap, spa) they go to help/images/LANG/ and replace
# the shared ones in that language's help file only (take such shots with that language's skin).
# A picture whose screenshot is missing is kept; when there is none yet, a placeholder marked as
# such is written, and it is replaced by the first run that has the screenshot.
# Ends with the list of pictures that are still placeholders.
set -euo pipefail
cd "$(dirname "$0")/.."
shots=${1:-build/target/screenshots}
lang=${2:-}
out=help/images${lang:+/$lang}
[ -d "$shots" ] || { echo "help-shots: no screenshot folder $shots" >&2; exit 1; }
command -v convert >/dev/null || { echo "help-shots: ImageMagick's convert is missing" >&2; exit 1; }
mkdir -p "$out"

# help picture   screenshot             how: "window" = as taken, "screen" = trimmed to the content
table='
main             main-home              window
internet         internet-connected     window
graph            graph-bars             window
records          records-window         window
insert-card      insert-card            screen
pin              pin-entry              window
sms-list         sms-list               window
sms-send         sms-compose-send       window
sms-batch        sms-batch-done         window
phonebook        phonebook-page         window
phonebook-edit   phonebook-editor-edit  window
call             call-idle              window
call-records     call-records           window
account          account-presets        window
advanced         advanced-run           window
'
marker=orvane-help-placeholder
# No time stamps in the files, so an unchanged picture gives an unchanged file.
png_opts=(-strip -define png:exclude-chunks=date,time)

is_placeholder() { [ "$(identify -format '%c' "$1" 2>/dev/null)" = "$marker" ]; }

placeholder() {
    convert -size 457x373 xc:'#f4f7fb' -fill none -stroke '#9fb2cc' -strokewidth 2 \
        -draw 'rectangle 1,1 455,371' -stroke none -fill '#5b6f8c' -font DejaVu-Sans \
        -pointsize 22 -gravity center -annotate +0-14 "$1" -pointsize 13 -fill '#8a9ab0' \
        -annotate +0+18 'screenshot to follow' -define png:exclude-chunks=date,time \
        -set comment "$marker" "$2"
}

refreshed=() kept=() placeholders=()
while read -r name shot how; do
    [ -n "$name" ] || continue
    src=$shots/$shot.png dst=$out/$name.png
    if [ -f "$src" ]; then
        case $how in
        window) convert "$src" "${png_opts[@]}" "$dst" ;;
        screen) convert "$src" -trim +repage "${png_opts[@]}" "$dst" ;;
        esac
        refreshed+=("$name")
    elif [ -f "$dst" ] && ! is_placeholder "$dst"; then
        kept+=("$name")
    elif [ -z "$lang" ]; then
        # Language folders fall back to the shared picture; only the shared set needs placeholders.
        placeholder "$name" "$dst"
        placeholders+=("$name")
    fi
done <<<"$table"

echo "help-shots: refreshed ${#refreshed[@]} picture(s) in $out: ${refreshed[*]:-none}"
[ ${#kept[@]} -eq 0 ] || echo "help-shots: kept (no screenshot this time): ${kept[*]}"
[ ${#placeholders[@]} -eq 0 ] || echo "help-shots: placeholders: ${placeholders[*]}"
