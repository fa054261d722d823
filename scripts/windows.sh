#!/usr/bin/env bash
# Builds the core, pxctl and their tests for 64-bit Windows with Debian's mingw-w64, runs the
# tests under Wine without a display, and packs pxctl.exe with its README into a zip.
#   scripts/windows.sh            all of that
#   scripts/windows.sh --build    only build (build/windows)
#
# SQLite and hidapi come from Debian's source packages, fetched with `apt-get source` through a
# sources list of this script's own (the system's apt configuration is left alone) and kept in
# build/windows-deps for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine64 dpkg-dev tcl zip \
    nlohmann-json3-dev googletest ca-certificates

build=$root/build/windows
deps=$root/build/windows-deps
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

fetch_source sqlite3
fetch_source hidapi

# SQLite is built from its one-file form, which its sources make with tclsh.
sqlite_src=$(compgen -G "$deps/src/sqlite3-[0-9]*/" | head -n 1)
if [[ ! -f $deps/sqlite/sqlite3.c ]]; then
    echo "making the SQLite amalgamation"
    rm -rf "$deps/sqlite-build" && mkdir -p "$deps/sqlite-build" "$deps/sqlite"
    (cd "$deps/sqlite-build" && "$sqlite_src/configure" --quiet >/dev/null && make -s sqlite3.c >/dev/null)
    cp "$deps/sqlite-build/sqlite3.c" "$deps/sqlite-build/sqlite3.h" "$deps/sqlite/"
fi
hidapi_src=$(compgen -G "$deps/src/hidapi-[0-9]*/" | head -n 1)

# nlohmann-json is headers only; the cross compiler must not see the rest of /usr/include.
mkdir -p "$deps/include"
rm -rf "$deps/include/nlohmann" && cp -r /usr/include/nlohmann "$deps/include/"

# --- build ---------------------------------------------------------------------------------------

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DPX_WINDOWS_SQLITE="$deps/sqlite" \
    -DPX_WINDOWS_HIDAPI="${hidapi_src%/}" \
    -DPX_WINDOWS_INCLUDE="$deps/include" >/dev/null
cmake --build "$build"
[[ "${1:-}" == "--build" ]] && exit 0

# --- tests under Wine ----------------------------------------------------------------------------

export WINEPREFIX=$build/wine
export WINEDEBUG=-all
export WINEARCH=win64
# No display: Wine must not try to open windows or ask to install Mono or Gecko.
export DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [[ ! -d $WINEPREFIX ]]; then
    echo "making the Wine prefix"
    "$wine" wineboot --init >/dev/null 2>&1
fi
# Wine's server and its services (winedevice, plugplay) outlive the programs; started by a test,
# they would hold that test's output open and CTest would wait for them. Started here, with
# their output elsewhere, they serve every test and end with the run.
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j2

# --- the zip ---------------------------------------------------------------------------------------

"$root/packaging/windows/check-imports.sh" "$build/bin/pxctl.exe"
version=$(sed -n 's/^project(px_system VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$build/zip/pxctl-$version-windows-x64
rm -rf "$build/zip" && mkdir -p "$stage"
cp "$build/bin/pxctl.exe" "$stage/"
cp packaging/windows/README.txt "$stage/"
(cd "$build/zip" && zip -qr "pxctl-$version-windows-x64.zip" "pxctl-$version-windows-x64")
echo "built $build/zip/pxctl-$version-windows-x64.zip"
