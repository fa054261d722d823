#!/usr/bin/env bash
# Builds the program for 64-bit Windows with Debian's mingw-w64: Qt from Debian's source (or
# its cached build, see scripts/windows-qt.sh), the core, pxctl, the window and their tests.
# Runs the tests under Wine, renders two screenshots under Wine, and packs the zip an installer
# unpacks and runs (portable: px-system.exe, pxctl.exe, px-sheet.exe, the Qt and C++ runtime
# DLLs, Qt's plugins and Chinese texts, a README and the portable marker) and the setup that
# installs the same into Program Files (NSIS). Checks under Wine, each in a new prefix with
# nothing else on the path, that the unpacked zip starts, and that the setup installs, runs and
# uninstalls.
#   scripts/windows.sh            all of that
#   scripts/windows.sh --build    only build (build/windows/bin)
#   scripts/windows.sh --no-qt    the core and pxctl alone, without building Qt (a few minutes)
#
# SQLite, hidapi and Qt come from Debian's source packages, fetched with `apt-get source`
# through a sources list of this script's own (the system's apt configuration is left alone)
# and kept in ~/.cache/px-system/windows-deps (PX_CACHE_DIR) for the next run, in any clone.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-}

scripts/deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine64 dpkg-dev tcl zip unzip curl \
    nlohmann-json3-dev googletest ca-certificates qt6-base-dev-tools qt6-translations-l10n \
    icoutils fonts-wqy-microhei xvfb xauth poppler-utils nsis

build=$root/build/windows
deps=${PX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/px-system}/windows-deps
mkdir -p "$deps"

# --- sources -------------------------------------------------------------------------------------

apt_dir=$deps/apt
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o "APT::Sandbox::User=root")
fetch_source() { # PACKAGE: unpacked, Debian's patches applied, into $deps/src/PACKAGE-*
    local package=$1
    if compgen -G "$deps/src/$package-[0-9]*/" >/dev/null; then
        return
    fi
    if [[ ! -d $apt_dir/lists ]]; then
        mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
        # The machine's own Debian mirror and release, as a source line.
        local uri suite
        uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
        suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
        echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
             "${uri:-http://deb.debian.org/debian} $suite main" >"$apt_dir/sources.list"
        apt-get "${apt_options[@]}" update -qq
    fi
    mkdir -p "$deps/src"
    (cd "$deps/src" && apt-get "${apt_options[@]}" source -qq "$package" >/dev/null)
}
source_folder() { compgen -G "$deps/src/$1-[0-9]*/" | head -n 1 | sed 's:/$::'; }

fetch_source sqlite3
fetch_source hidapi

# libmdb, for px-classic-reader.exe: the original tarball of Debian's current mdbtools (1.0.1,
# which builds without GLib), from the same archive, checked against its known checksum, with
# our patches (packaging/windows/mdbtools: each says why).
mdbtools_version=1.0.1
mdbtools_sha256=750cbf793bf5b7e296fdc359124393a0aef89ee663b7741ba4b1ca2ce30b3b37
mdbtools=$deps/src/mdbtools-$mdbtools_version
mdbtools_patches=("$root"/packaging/windows/mdbtools/*.patch)
mdbtools_key=$(cat "${mdbtools_patches[@]}" | sha256sum | cut -c1-16)
if [[ ! -f $mdbtools/.patched-$mdbtools_key ]]; then
    tarball=$deps/mdbtools_$mdbtools_version.orig.tar.gz
    if ! echo "$mdbtools_sha256  $tarball" | sha256sum -c --status 2>/dev/null; then
        uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
        curl -fsSL -o "$tarball" "${uri:-http://deb.debian.org/debian}/pool/main/m/mdbtools/mdbtools_$mdbtools_version.orig.tar.gz"
        echo "$mdbtools_sha256  $tarball" | sha256sum -c --status \
            || { echo "windows: mdbtools_$mdbtools_version.orig.tar.gz is not the known tarball" >&2; exit 1; }
    fi
    rm -rf "$mdbtools" && mkdir -p "$deps/src"
    tar -xzf "$tarball" -C "$deps/src"
    for patch in "${mdbtools_patches[@]}"; do
        patch -d "$mdbtools" -p1 --quiet <"$patch"
    done
    touch "$mdbtools/.patched-$mdbtools_key"
fi

# SQLite is built from its one-file form, which its sources make with tclsh.
if [[ ! -f $deps/sqlite/sqlite3.c ]]; then
    echo "making the SQLite amalgamation"
    rm -rf "$deps/sqlite-build" && mkdir -p "$deps/sqlite-build" "$deps/sqlite"
    (cd "$deps/sqlite-build" && "$(source_folder sqlite3)/configure" --quiet >/dev/null &&
        make -s sqlite3.c >/dev/null)
    cp "$deps/sqlite-build/sqlite3.c" "$deps/sqlite-build/sqlite3.h" "$deps/sqlite/"
fi

# nlohmann-json is headers only; the cross compiler must not see the rest of /usr/include.
mkdir -p "$deps/include"
rm -rf "$deps/include/nlohmann" && cp -r /usr/include/nlohmann "$deps/include/"

# Qt's source is fetched only when Qt must be built.
qt=""
if [[ $mode != --no-qt ]] && ! qt=$(scripts/windows-qt.sh --cached); then
    fetch_source qt6-base
    qt=$(scripts/windows-qt.sh "$(source_folder qt6-base)")
fi

# --- build ---------------------------------------------------------------------------------------

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DPX_WINDOWS_SQLITE="$deps/sqlite" \
    -DPX_WINDOWS_HIDAPI="$(source_folder hidapi)" \
    -DPX_WINDOWS_MDBTOOLS="$mdbtools" \
    -DPX_WINDOWS_INCLUDE="$deps/include" \
    -DPX_WINDOWS_QT="$qt" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build "$build"

# What the window's programs load at run time, beside them as in the zip: Qt's DLLs and
# plugins, the C++ runtime Qt was built with, Qt's Chinese texts, and (for the tests' offscreen
# windows, which do not ask Windows for fonts) a Chinese font.
bin=$build/bin
runtime_dlls=(
    "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)"
    "$(x86_64-w64-mingw32-g++-posix -print-file-name=libgcc_s_seh-1.dll)"
    "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)"
)
if [[ -n $qt ]]; then
    cp "${runtime_dlls[@]}" "$bin/"
    for module in Core Gui Widgets PrintSupport Test; do
        cp "$qt/bin/Qt6$module.dll" "$bin/"
    done
    mkdir -p "$bin/platforms" "$bin/styles" "$bin/translations" "$bin/fonts"
    cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$bin/platforms/"
    cp "$qt"/plugins/styles/*.dll "$bin/styles/"
    cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$bin/translations/"
    cp "$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')" "$bin/fonts/"
fi
[[ $mode == --build ]] && exit 0

# --- tests under Wine ----------------------------------------------------------------------------

export WINEPREFIX=$build/wine
export WINEDEBUG=-all
export WINEARCH=win64
# No display: Wine must not try to open windows or ask to install Mono or Gecko.
export DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "making the Wine prefix"
    # wineboot's own status says little (it can end before its services do): the prefix's
    # registry is what tells that it was made.
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$wineserver" -w
    [[ -f $WINEPREFIX/system.reg ]] || { echo "windows: Wine could not make its prefix" >&2; exit 1; }
fi
# Wine's server and its services (winedevice, plugplay) outlive the programs; started by a test,
# they would hold that test's output open and CTest would wait for them. Started here, with
# their output elsewhere, they serve every test and end with the run.
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j2

# --- the zips --------------------------------------------------------------------------------------

"$root/packaging/windows/check-imports.sh" "$bin/pxctl.exe" "$bin/px-classic-reader.exe"
version=$(sed -n 's/^project(px_system VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zips=$build/zip
rm -rf "$zips" && mkdir -p "$zips"

# pxctl alone: one program, and the classic reader it starts for import-classic.
stage=$zips/pxctl-$version-windows-x64
mkdir -p "$stage"
cp "$bin/pxctl.exe" "$bin/px-classic-reader.exe" packaging/windows/README.txt packaging/portable.txt "$stage/"
(cd "$zips" && zip -qr "pxctl-$version-windows-x64.zip" "pxctl-$version-windows-x64")
echo "built $zips/pxctl-$version-windows-x64.zip"
[[ -n $qt ]] || exit 0

# The whole program.
stage=$zips/px-system-$version-windows-x64
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
cp "$bin/px-system.exe" "$bin/pxctl.exe" "$bin/px-sheet.exe" "$bin/px-classic-reader.exe" \
    "${runtime_dlls[@]}" "$stage/"
for module in Core Gui Widgets PrintSupport; do
    cp "$bin/Qt6$module.dll" "$stage/"
done
cp "$bin/platforms/qwindows.dll" "$stage/platforms/"
cp "$bin"/styles/*.dll "$stage/styles/"
cp "$bin/translations/qtbase_zh_CN.qm" "$stage/translations/"
cp packaging/windows/README-window.txt "$stage/README.txt"
cp packaging/portable.txt "$stage/"
(cd "$zips" && zip -qr "px-system-$version-windows-x64.zip" "px-system-$version-windows-x64")
echo "built $zips/px-system-$version-windows-x64.zip"

# The setup: the same files but the portable marker, installed into Program Files.
setup=$zips/px-system-$version-windows-x64-setup.exe
packaging/windows/make-setup.sh "$stage" "$version" "$build/src/app/px-system.ico" "$setup"
echo "built $setup"

# --- pictures under Wine ---------------------------------------------------------------------------

# The window and every dialog as Wine draws them with the windows platform (into
# build/windows/screenshots), and the unpacked zip on a 1024 by 768 screen.
shots=$build/screenshots
rm -rf "$shots" && mkdir -p "$shots"
# Wine's desktop takes the display its server started with: the tests' server had none.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
xvfb-run -a -s "-screen 0 1600x1200x24" "$wine" "$bin/px-screenshot.exe" "$shots" >/dev/null 2>&1 \
    || echo "px-screenshot.exe under Wine failed" >&2
packaging/windows/check-zip.sh "$zips/px-system-$version-windows-x64.zip" "$shots/zip-1024x768.png"
packaging/windows/check-setup.sh "$setup" "$shots/setup-first-page.png" "$shots/installed-1024x768.png"
echo "pictures in $shots"
