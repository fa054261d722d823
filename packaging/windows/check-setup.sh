#!/usr/bin/env bash
# Installs the Windows setup under Wine as an administrator would, silently, in a new Wine
# prefix, and checks what an installer meets: the programs in Program Files, the Start-menu
# entry under the program's Chinese name, the uninstaller in the system's list of programs; the
# installed px-system.exe opens its main window on a 1024 by 768 screen (connected to a simulated
# host); the installed pxctl.exe keeps a new configuration file in the user's own data folder;
# a silent uninstall removes the programs, the entry and the list's line, and keeps that data.
# Pictures: the setup's first page (as a double-click shows it) and the installed window.
#   packaging/windows/check-setup.sh SETUP.exe [FIRST-PAGE.png [WINDOW.png]]
set -euo pipefail
setup=$(realpath "$1")
first_page=${2:+$(realpath -m "$2")}
window_picture=${3:+$(realpath -m "$3")}
source "$(dirname "$0")/wine-checks.sh"

work=$(mktemp -d)
trap 'wine_cleanup; rm -rf "$work"' EXIT
fail() { echo "setup check failed: $*" >&2; exit 1; }

wine_prefix "$work/wine"
drive=$WINEPREFIX/drive_c
program=$drive/Program\ Files/DADE_System/px-system
menu_entry=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs/ZR4870PX设置系统.lnk
user_data=$drive/users/$(id -un)/AppData/Roaming/DADE_System/px-system
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PX-System'

# The first page, as a double-click shows it, in the system's language.
if [[ -n $first_page ]]; then
    start_screen
    # A Chinese locale, for which Wine links a Chinese font, as a Chinese Windows has one.
    LANG=zh_CN.UTF-8 "$wine" "$setup" >/dev/null 2>&1 &
    wait_for_window "ZR4870PX设置系统" $! || fail "the setup showed no page"
    sleep 2
    save_screen "$first_page"
    stop_screen
    [[ ! -e $program ]] || fail "showing the first page installed something"
fi

# --- install -----------------------------------------------------------------------------------
"$wine" "$setup" /S || fail "the silent install ended with status $?"
"$wineserver" -w
[[ -f $program/px-system.exe && -f $program/pxctl.exe && -f $program/uninstall.exe ]] \
    || fail "the programs are not in Program Files"
[[ ! -e $program/portable.txt ]] || fail "the installed copy carries the portable marker"
[[ -f $menu_entry ]] || fail "no Start-menu entry ZR4870PX设置系统"
entry=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r') || fail "no uninstall entry $key"
grep -q 'DisplayVersion.*REG_SZ' <<<"$entry" || fail "the uninstall entry has no version"
grep -qi 'UninstallString.*uninstall.exe' <<<"$entry" || fail "the uninstall entry names no uninstaller"

# The installed pxctl.exe keeps its data in the user's folder, not in Program Files.
"$wine" "$program/pxctl.exe" file new 一号店 >/dev/null 2>&1 || fail "the installed pxctl.exe file new"
[[ -f $user_data/Database/DADE.db ]] || fail "the data is not in the user's folder ($user_data)"
[[ ! -e $program/Database ]] || fail "the installed copy wrote its data into Program Files"
listed=$("$wine" "$program/pxctl.exe" file list 2>/dev/null | tr -d '\r')
[[ $listed == *一号店* ]] || fail "the installed pxctl.exe does not list its file: $listed"

check_window "$window_picture" "$program/px-system.exe" --host "sim:$work/主机"

# --- uninstall ---------------------------------------------------------------------------------
# The uninstaller copies itself away and goes on from there, so the status of the program
# started says nothing: every Wine process is waited for, and what is left is checked.
"$wine" "$program/uninstall.exe" /S || true
"$wineserver" -w
[[ ! -e $program ]] || fail "left behind after uninstalling: $(find "$program" | head -n 5)"
[[ ! -e $menu_entry ]] || fail "the Start-menu entry is left behind"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left behind"
[[ -f $user_data/Database/DADE.db ]] || fail "uninstalling removed the user's data"
echo "setup $(basename "$setup"): installed, ran ($window_size), uninstalled under Wine; the user's data stays"
