#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (qtbase: Core, Gui, Widgets, PrintSupport and Test, shared, with
# its own copies of zlib, libpng, FreeType, HarfBuzz and PCRE2) from Debian's qt6-base source
# with the patches in packaging/windows/qt, using Debian's Qt of the same version as the host
# tools (moc, rcc, uic). A finished build is kept outside the source tree, under a name made of
# the Qt version and a checksum of the patches and the configuration, and taken from there the
# next time. Prints the folder Qt is installed in.
#   scripts/windows-qt.sh QT_SOURCE_FOLDER
#   scripts/windows-qt.sh --cached     prints the folder of a finished build, or nothing and
#                                      fails: the source is needed only to build it
#   PX_CACHE_DIR=DIR   where builds are kept (default ~/.cache/px-system)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The Qt of the host tools is the Qt built: its version names the build.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null | sed 's/+.*//')
source_folder=""
if [[ $1 != --cached ]]; then
    source_folder=$(cd "$1" && pwd)
    source_version=$(sed -n 's/^set(QT_REPO_MODULE_VERSION "\(.*\)")/\1/p' "$source_folder/.cmake.conf")
    if [[ $source_version != "$version" ]]; then
        echo "windows-qt: the host tools are Qt $version, the source $source_version" >&2
        exit 1
    fi
fi
# Only what Qt needs to show the window, print and run the window's tests. Direct2D, OpenGL and
# tablets are off (Debian's source lacks the Wintab headers); so are the system libraries, which
# a Windows machine does not have.
options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_printsupport=ON -DFEATURE_testlib=ON
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_libb2=OFF -DFEATURE_system_md4c=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
    -DFEATURE_fontconfig=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF
)
shopt -s nullglob
patches=("$root"/packaging/windows/qt/*.patch)
key=$( (cat "${patches[@]}" /dev/null; printf '%s\n' "${options[@]}") | sha256sum | cut -c1-16)
cache=${PX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/px-system}
prefix=$cache/qt-$version-mingw64-$key
if [[ -f $prefix/.complete ]]; then
    echo "$prefix"
    exit 0
fi
[[ -n $source_folder ]] || exit 1

work=$cache/qt-$version-mingw64-$key.work
echo "building Qt $version for Windows into $prefix (about half an hour on two cores)" >&2
if [[ ! -f $work/.patched ]]; then
    rm -rf "$work"
    mkdir -p "$work"
    cp -a "$source_folder" "$work/src"
    for patch in "${patches[@]}"; do
        echo "applying $(basename "$patch")" >&2
        patch -d "$work/src" -p1 --quiet <"$patch"
    done
    touch "$work/.patched"
fi

cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${options[@]}" >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { grep -E -B2 -A6 'error|FAILED' "$work/build.log" | head -n 80 >&2; exit 1; }
cmake --install "$work/build" >/dev/null
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
