#!/usr/bin/env bash
# Unpacks the window's zip into a folder of its own and runs it under Wine as an installer
# would: a new Wine prefix, nothing on the path but Windows' own folders. pxctl.exe must answer,
# `pxctl sheet` must write a PDF with its Chinese text through the zip's px-sheet.exe, and
# px-system.exe must open its main window on a 1024 by 768 screen (connected to a simulated
# host) and keep running. The screen is saved as a picture.
#   packaging/windows/check-zip.sh ZIP [SCREEN.png]
set -euo pipefail
zip=$(realpath "$1")
picture=${2:+$(realpath -m "$2")}
scripts/deps.sh x11-utils x11-apps netpbm >/dev/null

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    WINEPREFIX=$work/wine /usr/lib/wine/wineserver -k 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "zip check failed: $*" >&2; exit 1; }

unzip -q "$zip" -d "$work"
folder=$(compgen -G "$work/px-system-*" | head -n 1)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
export DISPLAY=
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
"$wine" wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w
[[ -f $WINEPREFIX/system.reg ]] || fail "Wine could not make its prefix"

# The command line, and the site sheet through px-sheet.exe and the zip's Qt.
data=$work/数据
host=$work/主机
"$wine" "$folder/pxctl.exe" --data-dir "$data" --host "sim:$host" file new 一号店 >/dev/null 2>&1 \
    || fail "pxctl.exe file new"
"$wine" "$folder/pxctl.exe" --data-dir "$data" --host "sim:$host" sheet --file 一号店 \
    "$work/站点资料.pdf" >"$work/sheet.log" 2>&1 || { cat "$work/sheet.log" >&2; fail "pxctl.exe sheet"; }
pdftotext "$work/站点资料.pdf" - | grep -q 一号店 || fail "the sheet's PDF lacks its Chinese text"

# The window, on a laptop's screen. Wine's desktop takes the display its server starts with:
# the server of the commands above, which had none, must end first.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
"$wine" "$folder/px-system.exe" --data-dir "$data" --host "sim:$host" >"$work/window.log" 2>&1 &
window_pid=$!
found=""
for _ in $(seq 120); do
    if xwininfo -root -tree 2>/dev/null | grep -q "ZR4870PX设置系统----------\[已连接设备\]"; then
        found=yes
        break
    fi
    kill -0 "$window_pid" 2>/dev/null || { cat "$work/window.log" >&2; fail "px-system.exe ended"; }
    sleep 0.5
done
[[ -n $found ]] || { cat "$work/window.log" >&2; fail "no main window connected to the host"; }
geometry=$(xwininfo -root -tree | grep "ZR4870PX设置系统----------" | grep -oE '[0-9]+x[0-9]+\+' | head -n 1)
width=${geometry%%x*}
height=${geometry#*x}; height=${height%+}
((width <= 1024 && height <= 768)) || fail "the window (${width}x${height}) is larger than the screen"
sleep 2
kill -0 "$window_pid" 2>/dev/null || fail "px-system.exe ended after opening"
if [[ -n $picture ]]; then
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$picture"
fi
echo "zip $(basename "$zip"): pxctl.exe, px-sheet.exe and px-system.exe (${width}x${height}) run under Wine"
