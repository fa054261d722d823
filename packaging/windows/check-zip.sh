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
source "$(dirname "$0")/wine-checks.sh"

work=$(mktemp -d)
trap 'wine_cleanup; rm -rf "$work"' EXIT
fail() { echo "zip check failed: $*" >&2; exit 1; }

unzip -q "$zip" -d "$work"
folder=$(compgen -G "$work/px-system-*" | head -n 1)
[[ -f $folder/portable.txt ]] || fail "the zip has no portable marker"
wine_prefix "$work/wine"

# The command line, and the site sheet through px-sheet.exe and the zip's Qt.
data=$work/数据
host=$work/主机
"$wine" "$folder/pxctl.exe" --data-dir "$data" --host "sim:$host" file new 一号店 >/dev/null 2>&1 \
    || fail "pxctl.exe file new"
"$wine" "$folder/pxctl.exe" --data-dir "$data" --host "sim:$host" sheet --file 一号店 \
    "$work/站点资料.pdf" >"$work/sheet.log" 2>&1 || { cat "$work/sheet.log" >&2; fail "pxctl.exe sheet"; }
pdftotext "$work/站点资料.pdf" - | grep -q 一号店 || fail "the sheet's PDF lacks its Chinese text"

# A portable copy keeps its data beside its programs.
"$wine" "$folder/pxctl.exe" file new 二号店 >/dev/null 2>&1 || fail "pxctl.exe file new without --data-dir"
[[ -f $folder/Database/DADE.db ]] || fail "the portable copy did not keep its data beside its programs"

check_window "$picture" "$folder/px-system.exe" --data-dir "$data" --host "sim:$host"
echo "zip $(basename "$zip"): pxctl.exe, px-sheet.exe and px-system.exe ($window_size) run under Wine"
