#!/usr/bin/env bash
# Builds the libraries the WebAssembly programs need -- Qt's qtbase (Core,
# Gui, Widgets, PrintSupport, Test), GSL, QCustomPlot, libxlsxwriter and zlib
# -- with Debian's emscripten, from Debian's own source packages, with
# Debian's Qt host tools. Everything is static, as WebAssembly programs are
# linked whole.
#
# Everything lands in ${XDG_CACHE_HOME:-~/.cache}/quellmark/:
#   web-toolchain-HASH/   the libraries, HASH taken from the recipe files,
#                         so an unchanged recipe is built once and a changed
#                         one afresh; emsdk/ in it is what EMSDK names
#   web-qt-6.4.2-QTHASH/  qtbase alone, the long part, kept as long as its
#                         options and the compiler stay the same
#   web-sources/          the source packages and the private apt lists
#   web-build/            build folders (removed after a build) and the log
# The prefix is printed on the last line of standard output.
#
#   build-toolchain.sh            build what is missing, print the prefix
#   build-toolchain.sh --prefix   only print where the prefix is (or would be)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
qt_options_file=$here/qtbase-options.txt
emscripten_toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
hash=$(cat "$here/build-toolchain.sh" "$here/../toolchain-common.sh" "$qt_options_file" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quellmark
prefix=$cache/web-toolchain-$hash
if [ "${1:-}" = --prefix ] || [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

qthash=$( (cat "$qt_options_file" && emcc --version | head -n 1) | sha256sum | cut -c1-12)
qtprefix=$cache/web-qt-6.4.2-$qthash
toolchain=web
# shellcheck source=../toolchain-common.sh
. "$here/../toolchain-common.sh"

# Qt's build and its CMake files look for the upstream SDK's layout below
# EMSDK; Debian's emscripten lives elsewhere, so a small stand-in points there.
make_emsdk() { # folder
    local root=$1/upstream/emscripten
    mkdir -p "$root"
    echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$1/.emscripten"
    ln -sfn /usr/bin/emcc "$root/emcc"
    ln -sfn /usr/share/emscripten/cmake "$root/cmake"
    ln -sfn /usr/share/emscripten/emranlib.py "$root/emranlib.py"
}
# Emscripten's JavaScript tools need Debian's node modules, which the
# machine's node may not look for by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# --- Sources --------------------------------------------------------------
for p in qt6-base gsl qcustomplot libxlsxwriter zlib; do
    fetch "$p" || fail "fetching $p"
done

# --- Qt -----------------------------------------------------------------------
qtsrc=$(dir_of qt6-base)
host_qt=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
if [ ! -f "$qtprefix/.complete" ]; then
    rm -rf "$qtprefix"
    make_emsdk "$qtprefix/emsdk"
    mapfile -t qt_options < <(grep -v '^[[:space:]]*\(#\|$\)' "$qt_options_file")
    rm -rf "$work/qtbase"
    run "configuring qtbase" env EMSDK="$qtprefix/emsdk" cmake -S "$qtsrc" -B "$work/qtbase" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$emscripten_toolchain" -DCMAKE_INSTALL_PREFIX="$qtprefix" \
        "${host_qt[@]}" "${qt_options[@]}"
    run "building qtbase (the long part)" env EMSDK="$qtprefix/emsdk" \
        nice -n 10 cmake --build "$work/qtbase" -j"$jobs"
    run "installing qtbase" cmake --install "$work/qtbase"
    rm -rf "$work/qtbase"
    touch "$qtprefix/.complete"
fi
rm -rf "$prefix"
run "copying qtbase" cp -a "$qtprefix" "$prefix"
rm -f "$prefix/.complete"
make_emsdk "$prefix/emsdk"
export EMSDK=$prefix/emsdk

# Plain C libraries: Emscripten's own toolchain file, the prefix searched.
cmake_c=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$emscripten_toolchain"
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF)

# --- zlib ---------------------------------------------------------------------
# Its own configure script, in a copy: its CMake file renames a header in the
# source folder and wants Windows files that Debian's source drops.
zsrc=$(dir_of zlib)
rm -rf "$work/zlib"
cp -a "$zsrc" "$work/zlib"
run "configuring zlib" sh -c "cd '$work/zlib' && emconfigure ./configure --static --prefix='$prefix'"
run "building zlib" nice -n 10 emmake make -C "$work/zlib" -j"$jobs" libz.a
run "installing zlib" make -C "$work/zlib" install
zlib_args=(-DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include")

# --- GSL ----------------------------------------------------------------------
gslsrc=$(dir_of gsl)
rm -rf "$work/gsl"
mkdir -p "$work/gsl"
# GSL's config.sub is older than Emscripten's name: any other host of the
# same processor makes configure cross-compile, which is all it needs.
run "configuring GSL" sh -c "cd '$work/gsl' && emconfigure '$gslsrc/configure' \
    --host=wasm32-unknown-none --prefix='$prefix' --disable-shared --enable-static CFLAGS=-O2"
# Debian's source leaves part of the manual out, so its folder builds nothing.
printf '%%:\n\t@:\n' >"$work/gsl/doc/Makefile"
run "building GSL" nice -n 10 emmake make -C "$work/gsl" -j"$jobs"
run "installing GSL" make -C "$work/gsl" install

# --- libxlsxwriter ------------------------------------------------------------
# With its own copy of minizip (Debian's package takes the system's).
xlsxsrc=$(dir_of libxlsxwriter)
rm -rf "$work/libxlsxwriter"
run "configuring libxlsxwriter" cmake -S "$xlsxsrc" -B "$work/libxlsxwriter" "${cmake_c[@]}" \
    "${zlib_args[@]}" -DUSE_SYSTEM_MINIZIP=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
run "building libxlsxwriter" nice -n 10 cmake --build "$work/libxlsxwriter" -j"$jobs"
run "installing libxlsxwriter" cmake --install "$work/libxlsxwriter"

# --- QCustomPlot ------------------------------------------------------------
qcpsrc=$(dir_of qcustomplot)
rm -rf "$work/qcustomplot" "$work/qcustomplot-src"
# Qt has no time zones on WebAssembly; QCustomPlot's date axis uses them
# wherever Qt is new enough. In a copy, those places also ask for the feature.
cp -a "$qcpsrc" "$work/qcustomplot-src"
zone_guard='# if QT_VERSION >= QT_VERSION_CHECK(5, 2, 0)'
sed -i "s/^$zone_guard\$/$zone_guard \&\& QT_CONFIG(timezone)/" \
    "$work/qcustomplot-src/qcustomplot.h" "$work/qcustomplot-src/qcustomplot.cpp"
[ "$(cat "$work"/qcustomplot-src/qcustomplot.{h,cpp} | grep -c 'QT_CONFIG(timezone)')" = 6 ] ||
    fail "QCustomPlot's time zone code is not where it was"
# Built through Qt's own CMake entry, which loads Emscripten's toolchain;
# CMake makes its shared library a static one, as the platform has no other.
run "configuring QCustomPlot" "$prefix/bin/qt-cmake" -S "$work/qcustomplot-src" -B "$work/qcustomplot" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DUSE_QT_VERSION=6 -DBUILD_SHARED_LIBS=OFF
run "building QCustomPlot" nice -n 10 cmake --build "$work/qcustomplot" -j"$jobs"
run "installing QCustomPlot" cmake --install "$work/qcustomplot"

# The licences of what the packages bundle.
copy_licences "$qtsrc" "$gslsrc" "$qcpsrc" "$zsrc" "$xlsxsrc" "$prefix"

rm -rf "$work/zlib" "$work/gsl" "$work/libxlsxwriter" "$work/qcustomplot" "$work/qcustomplot-src"
say "done in $(( ($(date +%s) - started) / 60 )) min: $prefix"
cp "$log" "$prefix/build.log"
touch "$prefix/.complete"
echo "$prefix"
