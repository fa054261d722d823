#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, the desktop entry, the AppStream file), installs
# it on this machine without the packages its dependencies only recommend, runs the installed
# programs, then purges it and checks that nothing is left behind.
#   scripts/package.sh            all of that
#   scripts/package.sh --build    only build build/release/px-system_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh lintian desktop-file-utils appstream
cmake --preset release >/dev/null
cmake --build --preset release
rm -f build/release/px-system_*.deb
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/px-system_*.deb)
echo "built $deb"
[[ "${1:-}" == "--build" ]] && exit 0

SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
version=$(dpkg-deb -f "$deb" Version)
fail() { echo "package check failed: $*" >&2; exit 1; }

lintian_status=0
lintian_out=$(lintian --fail-on error "$deb" 2>&1) || lintian_status=$?
grep -v "running with root privileges" <<<"$lintian_out" || true
((lintian_status == 0)) || fail "lintian found errors"
desktop-file-validate packaging/linux/*.desktop
appstreamcli validate --no-net build/release/packaging/*.metainfo.xml

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
installed=$(dpkg -L px-system)
trap '$SUDO apt-get purge -y -qq px-system >/dev/null 2>&1 || true' EXIT

[[ "$(/usr/bin/pxctl --version)" == "pxctl $version" ]] || fail "pxctl --version"
[[ "$(/usr/bin/px-system --version)" == "px-system $version" ]] || fail "px-system --version"
work=$(mktemp -d)
# pxctl links no Qt: a platform Qt cannot load is nothing to it.
answer=$(QT_QPA_PLATFORM=none-such /usr/bin/pxctl --host "sim:$work/sim" --data-dir "$work/data" \
    version 2>/dev/null)
[[ -n "$answer" ]] || fail "pxctl version against a simulated host printed nothing"
! ldd /usr/bin/pxctl | grep -q libQt6 || fail "pxctl links Qt"
# The site sheet through the installed px-sheet.
/usr/bin/pxctl --data-dir "$work/data" file new 一号店 >/dev/null 2>&1 || fail "pxctl file new"
/usr/bin/pxctl --data-dir "$work/data" sheet --file 一号店 "$work/sheet.pdf" >/dev/null 2>&1 \
    || fail "pxctl sheet through the installed px-sheet"
[[ -s $work/sheet.pdf ]] || fail "pxctl sheet wrote no PDF"
# The window starts and keeps running until it is ended (a missing platform plugin would abort
# it at once with status 134).
status=0
QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/px-system --data-dir "$work/data" \
    --host "sim:$work/sim" >/dev/null 2>&1 || status=$?
((status == 124)) || fail "px-system did not start (status $status)"
rm -rf "$work"
desktop-file-validate /usr/share/applications/cn.dadesystem.PxSystem.desktop
appstreamcli validate --no-net /usr/share/metainfo/cn.dadesystem.PxSystem.metainfo.xml
[[ -f /lib/udev/rules.d/70-px-host.rules ]] || fail "the udev rule is not installed"
[[ -x /usr/bin/px-sheet ]] || fail "px-sheet is not installed beside pxctl"
man -w pxctl >/dev/null 2>&1 || [[ -f /usr/share/man/man1/pxctl.1.gz ]] || fail "no manual page"

$SUDO apt-get purge -y -qq px-system >/dev/null
trap - EXIT
! dpkg-query -W px-system >/dev/null 2>&1 || dpkg-query -W -f='${Status}' px-system | grep -q "not-installed" \
    || fail "the package is still known to dpkg"
left=""
while read -r path; do
    [[ -e "$path" && ! -d "$path" ]] && left+="$path"$'\n'
done <<<"$installed"
[[ -z "$left" ]] || fail "left behind after purge:"$'\n'"$left"
[[ ! -d /usr/share/doc/px-system ]] || fail "/usr/share/doc/px-system is left behind"
echo "package $deb: built, checked, installed, ran, purged"
