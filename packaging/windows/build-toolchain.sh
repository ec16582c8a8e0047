#!/usr/bin/env bash
# Builds the libraries the Windows programs need -- Qt's qtbase (Core, Gui,
# Widgets, PrintSupport, Test), GSL, QCustomPlot, zlib and libxlsxwriter
# (both static, for the workbook export) and, when its source can be
# fetched, QtSvg -- for x86_64-w64-mingw32 from Debian's own source
# packages, with Debian's Qt host tools.
#
# Everything lands in ${XDG_CACHE_HOME:-~/.cache}/quellmark/:
#   windows-toolchain-HASH/   the libraries, HASH taken from the recipe files,
#                             so an unchanged recipe is built once and a
#                             changed one afresh
#   windows-qt-6.4.2-QTHASH/  qtbase alone, the long part, kept as long as
#                             its options and the compiler stay the same
#   windows-sources/          the source packages and the private apt lists
#   windows-build/            build folders and the log, the folders removed
#                             once the toolchain is complete
# The prefix is printed on the last line of standard output.
#
#   build-toolchain.sh            build what is missing, print the prefix
#   build-toolchain.sh --prefix   only print where the prefix is (or would be)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
toolchain_file=$here/mingw-w64-x86_64.cmake
qt_options_file=$here/qtbase-options.txt
compiler=x86_64-w64-mingw32-g++-posix
hash=$(cat "$here/build-toolchain.sh" "$here/../toolchain-common.sh" "$qt_options_file" "$toolchain_file" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quellmark
prefix=$cache/windows-toolchain-$hash
if [ "${1:-}" = --prefix ] || [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

qthash=$( (cat "$qt_options_file" && $compiler --version | head -n 1) | sha256sum | cut -c1-12)
qtprefix=$cache/windows-qt-6.4.2-$qthash
toolchain=windows
# shellcheck source=../toolchain-common.sh
. "$here/../toolchain-common.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# --- Sources --------------------------------------------------------------
for p in qt6-base gsl qcustomplot zlib libxlsxwriter; do
    fetch "$p" || fail "fetching $p"
done
have_svg=yes
fetch qt6-svg || have_svg=no
[ $have_svg = yes ] || say "qt6-svg's source is not reachable: building without QtSvg"

host_qt=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)

# --- Qt -----------------------------------------------------------------------
qtsrc=$(dir_of qt6-base)
if [ ! -f "$qtprefix/.complete" ]; then
    mapfile -t qt_options < <(grep -v '^[[:space:]]*\(#\|$\)' "$qt_options_file")
    run "configuring qtbase" cmake -S "$qtsrc" -B "$work/qtbase-$qthash" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DCMAKE_INSTALL_PREFIX="$qtprefix" \
        "${launcher[@]}" "${host_qt[@]}" "${qt_options[@]}"
    run "building qtbase (the long part)" nice -n 10 cmake --build "$work/qtbase-$qthash" -j"$jobs"
    run "installing qtbase" cmake --install "$work/qtbase-$qthash"
    touch "$qtprefix/.complete"
    rm -rf "$work/qtbase-$qthash"
fi
rm -rf "$prefix"
run "copying qtbase" cp -a "$qtprefix" "$prefix"
rm -f "$prefix/.complete"

cmake_cross=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain_file"
    -DQUELLMARK_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" "${launcher[@]}")

# --- GSL ----------------------------------------------------------------------
gslsrc=$(dir_of gsl)
rm -rf "$work/gsl"
mkdir -p "$work/gsl"
run "configuring GSL" sh -c "cd '$work/gsl' && '$gslsrc/configure' --host=x86_64-w64-mingw32 \
    --prefix='$prefix' --enable-shared --disable-static CC=x86_64-w64-mingw32-gcc-posix"
# Debian's source leaves part of the manual out, so its folder builds nothing.
printf '%%:\n\t@:\n' >"$work/gsl/doc/Makefile"
run "building GSL" nice -n 10 make -C "$work/gsl" -j"$jobs"
run "installing GSL" make -C "$work/gsl" install

# --- QCustomPlot ------------------------------------------------------------
qcpsrc=$(dir_of qcustomplot)
rm -rf "$work/qcustomplot"
run "configuring QCustomPlot" cmake -S "$qcpsrc" -B "$work/qcustomplot" "${cmake_cross[@]}" \
    "${host_qt[@]}" -DUSE_QT_VERSION=6
run "building QCustomPlot" nice -n 10 cmake --build "$work/qcustomplot" -j"$jobs"
run "installing QCustomPlot" cmake --install "$work/qcustomplot"

# --- zlib and libxlsxwriter ------------------------------------------------
# Static, so that the workbook export adds no DLL to the packages. Debian's
# zlib source has no Windows resource file: only the static library is built.
zlibsrc=$(dir_of zlib)
rm -rf "$work/zlib"
run "configuring zlib" cmake -S "$zlibsrc" -B "$work/zlib" "${cmake_cross[@]}"
run "building zlib" nice -n 10 cmake --build "$work/zlib" --target zlibstatic -j"$jobs"
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/zlib/libzlibstatic.a" "$prefix/lib/libz.a"
cp "$zlibsrc/zlib.h" "$work/zlib/zconf.h" "$prefix/include/"
xlsxsrc=$(dir_of libxlsxwriter)
rm -rf "$work/libxlsxwriter"
run "configuring libxlsxwriter" cmake -S "$xlsxsrc" -B "$work/libxlsxwriter" "${cmake_cross[@]}" \
    -DBUILD_SHARED_LIBS=OFF -DZLIB_ROOT="$prefix"
run "building libxlsxwriter" nice -n 10 cmake --build "$work/libxlsxwriter" -j"$jobs"
run "installing libxlsxwriter" cmake --install "$work/libxlsxwriter"

# --- QtSvg --------------------------------------------------------------------
if [ $have_svg = yes ]; then
    rm -rf "$work/qtsvg"
    run "configuring QtSvg" cmake -S "$(dir_of qt6-svg)" -B "$work/qtsvg" "${cmake_cross[@]}" \
        "${host_qt[@]}" -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    run "building QtSvg" nice -n 10 cmake --build "$work/qtsvg" -j"$jobs"
    run "installing QtSvg" cmake --install "$work/qtsvg"
fi

# The licences of what the packages bundle.
copy_licences "$qtsrc" "$gslsrc" "$qcpsrc" "$zlibsrc" "$xlsxsrc" "$prefix"
[ $have_svg = no ] || cp "$(dir_of qt6-svg)/debian/copyright" "$prefix/licenses/QtSvg.copyright.txt"

echo "$have_svg" >"$prefix/have-svg"
say "done in $(( ($(date +%s) - started) / 60 )) min: $prefix"
cp "$log" "$prefix/build.log"
# Only the installed libraries are needed from here on.
rm -rf "$work/gsl" "$work/qcustomplot" "$work/qtsvg" "$work/zlib" "$work/libxlsxwriter"
touch "$prefix/.complete"
echo "$prefix"
