#!/usr/bin/env bash
# Fails when a Windows program needs a DLL that Windows itself does not bring: the zip holds
# the program alone.
#   packaging/windows/check-imports.sh PROGRAM.exe...
set -euo pipefail
# What every Windows since 10 has in System32.
system=(advapi32.dll cfgmgr32.dll comdlg32.dll gdi32.dll hid.dll kernel32.dll msvcrt.dll ole32.dll
        setupapi.dll shell32.dll user32.dll winmm.dll ws2_32.dll)
status=0
for program in "$@"; do
    while read -r dll; do
        if [[ " ${system[*]} " != *" ${dll,,} "* ]]; then
            echo "$program needs $dll, which Windows does not bring" >&2
            status=1
        fi
    done < <(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p')
done
exit $status
