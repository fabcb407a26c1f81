#!/usr/bin/env bash
# The installer end to end in the test run's Wine prefix: install, look at what was installed,
# start the installed program, remove it as an upgrade does (start-up choices kept), reinstall
# (settings untouched), uninstall (settings kept), reinstall, uninstall with REMOVESETTINGS=1
# (nothing left).
# Environment (set by tests/install/CMakeLists.txt): WINENV WINE_DIR MSI STAGE WINPROBE SHOTS
#   OBJDUMP
set -u
"$WINENV" check "$WINE_DIR" || exit $?  # 77 with the reason: this kind of prefix cannot run here
prefix=$WINE_DIR/prefix
folder="$prefix/drive_c/Program Files/Orvane"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
logs=$WINE_DIR/installer
mkdir -p "$logs"
failures=0
checks=0

winpath() { printf 'Z:%s' "${1//\//\\}"; }
# Wine's output goes to files: a pipe would be held open by Wine's own services.
wine_run() { "$WINENV" run "$WINE_DIR" "$@" >>"$logs/wine.out" 2>&1; }
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}
msiexec() {  # msiexec ACTION LOG [PROPERTY=VALUE...]
    local action=$1 log=$2
    shift 2
    wine_run msiexec "$action" "$(winpath "$MSI")" /qn /l*v "$(winpath "$logs/$log")" "$@"
}
shortcuts() { find "$prefix/drive_c" -path '*Start Menu/Programs/*' -iname 'Orvane.lnk' | wc -l; }
reg_has() { wine_run reg query "$1" /v "$2"; }
reg_key_exists() { wine_run reg query "$1"; }
no() { ! "$@"; }

# Every staged file is installed, binaries stripped, everything else byte for byte; nothing else.
installed_as_staged() {
    local name ok=0
    local staged installed
    staged=$(cd "$STAGE" && find . -type f ! -name modem.log ! -name Sentrel.dat ! -name Sentrel.log ! -name debug.ini | sort)
    installed=$(cd "$folder" && find . -type f | sort)
    if [ "$staged" != "$installed" ]; then
        echo "  staged and installed files differ:"
        diff <(echo "$staged") <(echo "$installed") | sed 's/^/  /'
        return 1
    fi
    while read -r name; do
        case ${name,,} in
        *.exe | *.dll)
            if "$OBJDUMP" -h "$folder/$name" | grep -q '\.debug_'; then
                echo "  $name still has debug sections"
                ok=1
            fi
            [ "$(stat -c %s "$folder/$name")" -le "$(stat -c %s "$STAGE/$name")" ] || ok=1 ;;
        *) cmp -s "$STAGE/$name" "$folder/$name" || { echo "  $name differs"; ok=1; } ;;
        esac
    done <<<"$installed"
    return $ok
}
only_settings_left() {
    local left
    left=$(cd "$folder" 2>/dev/null && find . -mindepth 1 | sort)
    [ "$left" = "./modem.ini" ] || { echo "  left behind: ${left:-nothing}"; return 1; }
}
watcher_running() { pgrep -f 'Program Files.Orvane.Sentrel\.exe' >/dev/null; }
[ -f "$MSI" ] || { echo "no installer at $MSI (build the orvane_dist target)"; exit 1; }

# A previous run that stopped half way may have left an installation behind.
if [ -d "$folder" ]; then
    msiexec /x cleanup.log REMOVESETTINGS=1
    rm -rf "$folder"
fi

# ---- Install
check "msiexec /i succeeds" msiexec /i install.log
check "the program folder holds the staged files, binaries stripped" installed_as_staged
check "one Start-menu shortcut" test "$(shortcuts)" = 1
check "the installer's own key exists" reg_key_exists 'HKLM\Software\Orvane'

# ---- Run the installed program
check "the installed Orvane shows its main window and ends" \
    wine_run "$WINPROBE" orvane 'C:\Program Files\Orvane\Orvane.exe' "$(winpath "$SHOTS/installed-main.png")"

# What a user's session leaves: start-with-Windows and the card watcher's registration (the
# watcher itself when this build has one, else its traces), changed settings.
wine_run reg add "$run_key" /v Orvane /t REG_SZ /d 'C:\Program Files\Orvane\Orvane.exe' /f
if [ -f "$folder/Sentrel.exe" ]; then
    "$WINENV" run "$WINE_DIR" 'C:\Program Files\Orvane\Sentrel.exe' \
        "-setup 'C:\Program Files\Orvane\Orvane.exe' 3" >>"$logs/wine.out" 2>&1 &
    for _ in $(seq 50); do [ -f "$folder/Sentrel.dat" ] && break; sleep 0.2; done
    check "the card watcher registered itself" reg_has "$run_key" Sentrel
else
    wine_run reg add "$run_key" /v Sentrel /t REG_SZ /d 'C:\Program Files\Orvane\Sentrel.exe' /f
    printf 'C:\\Program Files\\Orvane\\Orvane.exe\r\n3\r\n' >"$folder/Sentrel.dat"
fi
printf '; changed by the installer test\r\n' >>"$folder/modem.ini"
check "the program wrote its log beside itself" test -f "$folder/modem.log"

# ---- Removed by an upgrade: the programs go, the user's settings and start-up choices stay
check "msiexec /x as an upgrade succeeds" msiexec /x upgrade-removal.log \
    UPGRADINGPRODUCTCODE='{11111111-2222-3333-4444-555555555555}'
check "the programs are gone" test ! -e "$folder/Orvane.exe"
check "the settings stay" grep -q 'changed by the installer test' "$folder/modem.ini"
check "the watcher's data file stays" test -f "$folder/Sentrel.dat"
check "the Run value Orvane stays" reg_has "$run_key" Orvane
check "the Run value Sentrel stays" reg_has "$run_key" Sentrel
check "msiexec /i of the new version succeeds" msiexec /i upgrade-install.log
check "the kept modem.ini is not overwritten" grep -q 'changed by the installer test' "$folder/modem.ini"

# ---- Uninstall, keeping the settings
check "msiexec /x succeeds" msiexec /x uninstall.log
check "only modem.ini is left" only_settings_left
check "modem.ini keeps the user's change" grep -q 'changed by the installer test' "$folder/modem.ini"
check "the shortcut is gone" test "$(shortcuts)" = 0
check "the Run value Orvane is gone" no reg_has "$run_key" Orvane
check "the Run value Sentrel is gone" no reg_has "$run_key" Sentrel
check "no card watcher runs" no watcher_running
check "the installer's own key is gone" no reg_key_exists 'HKLM\Software\Orvane'

# ---- Reinstall over the kept settings, then uninstall everything
check "msiexec /i over kept settings succeeds" msiexec /i reinstall.log
check "msiexec /x REMOVESETTINGS=1 succeeds" msiexec /x uninstall-all.log REMOVESETTINGS=1
check "nothing is left of the program folder" test ! -e "$folder"
check "the shortcut is gone again" test "$(shortcuts)" = 0

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" = 0 ]
