#!/usr/bin/env bash
# A private Wine prefix and virtual display for one test run (or one run of the program).
#   winenv.sh up DIR [win32]  fresh prefix in DIR/prefix, Xvfb, persistent wineserver, fonts
#   winenv.sh run DIR EXE ... run a Windows program in that environment (Chinese system locale)
#   winenv.sh down DIR        end the wineserver and the display
#   winenv.sh check DIR       exit 0 when such a prefix can run here (77 and why when it cannot)
# Wine's own services are started by "up" with their output sent away, so a test runner reading a
# program's output through a pipe is never held open by them.
# A prefix is 64-bit unless "up" is told win32 (the shipped i686 build): then 32-bit Wine runs it,
# which needs a kernel that runs 32-bit code. Where the kernel does not, every command on such a
# prefix prints why and exits 77, the code the test run counts as skipped.
set -u
cmd=$1 dir=$(realpath -m "$2")
shift 2
here=$(cd "$(dirname "$0")" && pwd)

# The prefix kind: "up"'s argument, else ORVANE_WINEARCH, else what "up" recorded, else win64.
arch=${ORVANE_WINEARCH:-}
if [ "$cmd" = up ] && [ $# -gt 0 ]; then
    arch=$1
    shift
fi
[ -n "$arch" ] || arch=$(cat "$dir/arch" 2>/dev/null || echo win64)
case $arch in
win64)
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
    ;;
win32)
    if ! why=$("$here/runs-32bit.sh"); then
        echo "skipped: $why"
        exit 77
    fi
    WINE=/usr/lib/wine/wine
    WINESERVER=/usr/lib/wine/wineserver64
    [ -x /usr/lib/wine/wineserver32 ] && WINESERVER=/usr/lib/wine/wineserver32
    if [ ! -x "$WINE" ]; then
        echo "32-bit Wine is missing on a machine that runs 32-bit code: tools/setup.sh installs wine32:i386" >&2
        exit 1
    fi
    ;;
*)
    echo "winenv.sh: unknown prefix kind $arch (win64 or win32)" >&2
    exit 2
    ;;
esac
export WINEPREFIX=$dir/prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${ORVANE_LANG:-zh_CN.UTF-8}

load_display() {
    if [ -f "$dir/display" ]; then export DISPLAY=":$(cat "$dir/display")"; fi
}

prepare_prefix() {
    setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINE" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
    # No window manager runs on the virtual display: unmanaged windows spare Wine's 2-second wait
    # for one whenever a window is hidden or closed, and get title bars Wine draws itself.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1
    # Chinese glyphs: map the usual dialog faces onto an installed CJK font.
    for face in SimSun "宋体" "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "Microsoft Sans Serif"; do
        "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
            /d "WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1
    done
}

case $cmd in
up)
    "$0" down "$dir" >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    mkdir -p "$dir"
    echo "$arch" >"$dir/arch"
    if [ -n "${ORVANE_USE_DISPLAY:-}" ]; then
        prepare_prefix  # the caller's display: nothing more to start
        exit 0
    fi
    exec 3<>"$dir/display.fd" 2>/dev/null || true
    setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        n=$(tr -dc 0-9 <"$dir/display.fd" 2>/dev/null)
        [ -n "$n" ] && break
        sleep 0.1
    done
    [ -n "${n:-}" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
    echo "$n" >"$dir/display"
    export DISPLAY=":$n"
    prepare_prefix
    echo "$arch wine prefix ready: $WINEPREFIX on display :$n"
    ;;
run)
    load_display
    exec "$WINE" "$@"
    ;;
down)
    "$WINESERVER" -k </dev/null >/dev/null 2>&1
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
        rm -f "$dir/xvfb.pid"
    fi
    rm -f "$dir/display" "$dir/display.fd"
    exit 0
    ;;
check)
    exit 0
    ;;
*)
    echo "usage: winenv.sh up DIR [win32] | run DIR EXE [ARGS...] | down DIR | check DIR" >&2
    exit 2
    ;;
esac
