#!/usr/bin/env bash
# Makes the Windows setup (setup.nsi, with Debian's NSIS) from the zip's folder: every file of
# it but the portable marker is installed, and the uninstaller removes exactly those files.
#   packaging/windows/make-setup.sh STAGE VERSION ICON OUT.exe
set -euo pipefail
stage=$(realpath "$1")
version=$2
icon=$(realpath "$3")
out=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# NSIS paths are Windows paths: $INSTDIR\sub\file from sub/file.
(
    cd "$stage"
    find . -type d | sort | while read -r dir; do
        rel=${dir#.}
        rel=${rel#/}
        files=$(find "$dir" -maxdepth 1 -type f ! -name portable.txt | sort)
        [[ -n $files ]] || continue
        echo "SetOutPath \"\$INSTDIR${rel:+\\${rel//\//\\}}\""
        while read -r file; do
            echo "File \"$stage/${file#./}\""
        done <<<"$files"
    done >"$work/install-files.nsh"
    find . -type f ! -name portable.txt | sort | while read -r file; do
        rel=${file#./}
        echo "Delete \"\$INSTDIR\\${rel//\//\\}\""
    done >"$work/remove-files.nsh"
    find . -mindepth 1 -type d | sort -r | while read -r dir; do
        rel=${dir#./}
        echo "RMDir \"\$INSTDIR\\${rel//\//\\}\""
    done >>"$work/remove-files.nsh"
)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DICON="$icon" \
    -DINSTALL="$work/install-files.nsh" -DREMOVE="$work/remove-files.nsh" -DOUTFILE="$out" \
    "$here/setup.nsi"
