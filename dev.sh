#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds Quellmark into build/ and
# either starts it (run), runs every test (test) or builds the Debian package
# build/quellmark_VERSION_ARCH.deb (package); or builds the Windows programs,
# tests them under Wine and packs build-windows/quellmark-VERSION-x64.msi and
# .zip (windows); or builds the program for the browser, runs the core tests
# under node and assembles the page build-web/site/ (web).
set -euo pipefail
# The program keeps its data files below the folder it is started from.
caller=$PWD
cd "$(dirname "$0")"

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-noto-cjk            # Japanese text instead of boxes
    python3                   # reads data files back in the tests
    python3-html5lib          # checks the HTML export as a browser parses it
    libxlsxwriter-dev         # the graph companion's XLSX export
    python3-openpyxl libreoffice-calc-nogui  # open the XLSX export in the tests
    chromium                  # renders the HTML export's figure in the tests
    clang libclang-rt-14-dev  # libFuzzer
    libgsl-dev                # the graph companion's fits
    xvfb openbox x11-utils xdotool  # the guide window on a real X server with frames
    libqcustomplot-dev qt6-svg-dev          # the graph companion's plots and SVG export
    qt6-translations-l10n     # Qt's own dialogs and buttons in Japanese
    qt6-charts-dev libqt6opengl6-dev        # the plotting-library benchmark's other candidate
    librsvg2-bin scdoc        # icons and manual pages
    dpkg-dev fakeroot file    # the package (dpkg-shlibdeps, dpkg-buildflags)
    lintian desktop-file-utils appstream man-db  # the package's checks
)

# Only for the Windows build: its compilers, Wine to test it, the installer's
# tools, and what the Windows toolchain is built with from Debian's sources.
windows_packages=(
    g++-mingw-w64-x86-64-posix make  # the compilers; GSL's build
    dpkg-dev                  # apt-get source unpacks with dpkg-source
    wine64                    # runs the tests and the installer
    wixl msitools             # builds and reads the MSI
    zip unzip                 # the portable folder
    qt6-translations-l10n     # Qt's own texts in Japanese
    python3-openpyxl          # reads the installed companion's workbook
)

# Only for the WebAssembly build: the compiler, node to run its tests, what
# the toolchain is built with from Debian's sources, and the page's parts.
web_packages=(
    emscripten nodejs         # the compiler; runs the tests
    dpkg-dev make             # apt-get source unpacks with dpkg-source; GSL's build
    python3-fonttools fonts-noto-cjk  # the page's cut of a Japanese font
    librsvg2-bin zip          # the page's icons; the zip of the page
    chromium python3-websocket  # the page's check in a browser
)

install_missing() {
    local missing=()
    for p in "${packages[@]}" ${install_windows:+"${windows_packages[@]}"} \
        ${install_web:+"${web_packages[@]}"}; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure() { # dir, cmake options...
    local dir=$1
    shift
    # The tests' Python is the system's, which has the packages installed above.
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPython3_EXECUTABLE=/usr/bin/python3 "$@" >/dev/null
}

build() { # dir, cmake options...
    configure "$@"
    cmake --build "$1" -j"$(nproc)"
}

# A Release build with Debian's hardening flags, packed by CPack; the package
# lands in build/ beside the other outputs.
package() {
    local flag=()
    for f in CPPFLAGS CXXFLAGS LDFLAGS; do flag+=("$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $f)"); done
    cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DQUELLMARK_BENCHMARKS=OFF -DCMAKE_CXX_FLAGS="${flag[0]} ${flag[1]}" \
        -DCMAKE_EXE_LINKER_FLAGS="${flag[2]}" >/dev/null
    cmake --build build-package -j"$(nproc)"
    mkdir -p build
    rm -f build/quellmark_*.deb
    (cd build-package && cpack -G DEB -B "$PWD/../build" >/dev/null)
    rm -rf build/_CPack_Packages
    deb=$(ls build/quellmark_*.deb)
    echo "Built $deb"
}

# The Windows programs from the cross toolchain (built once into the user's
# cache), their tests under Wine, the packages, and the check of the installed
# programs against the Linux ones.
windows() {
    local started=$SECONDS
    local prefix
    prefix=$(packaging/windows/build-toolchain.sh | tail -n 1)
    echo "Windows toolchain: $prefix ($(( SECONDS - started )) s)"
    # The Linux programs the Windows ones are compared with.
    configure build
    cmake --build build -j"$(nproc)" --target quellmark quellmark-graph
    local wine_tests=$PWD/build-windows/wine-tests
    # The DLLs the tests load: the toolchain's, and MinGW's runtime.
    local dlls=$prefix/bin runtime
    for runtime in libstdc++-6.dll libwinpthread-1.dll; do
        dlls+=:$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=$runtime)")
    done
    cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/packaging/windows/mingw-w64-x86_64.cmake" \
        -DQUELLMARK_WINDOWS_PREFIX="$prefix" -DQUELLMARK_BENCHMARKS=OFF \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tests/windows/wine-run.sh;$wine_tests;$dlls" >/dev/null
    cmake --build build-windows -j"$(nproc)"
    # The core and the analysis tests, each a Windows program under Wine. The
    # prefix is made first, so that parallel tests do not race to make it.
    tests/windows/wine-run.sh "$wine_tests" "" cmd /c exit 0
    ctest --test-dir build-windows --output-on-failure -j"$(nproc)" -L 'core|analysis'
    packaging/windows/make-packages.sh build-windows "$prefix"
    tests/windows/e2e-under-wine.sh build-windows build
    echo "Windows build, tests and packages: $(( SECONDS - started )) s"
}

# The WebAssembly toolchain (built once into the user's cache), the program
# and the core and analysis tests built with it, the tests run under node,
# and the page in build-web/site/.
web() {
    local started=$SECONDS
    local prefix
    prefix=$(packaging/web/build-toolchain.sh | tail -n 1)
    echo "WebAssembly toolchain: $prefix ($(( SECONDS - started )) s)"
    # Qt's CMake files find Emscripten through EMSDK (the toolchain's stand-in
    # for the upstream SDK); Emscripten's tools need Debian's node modules.
    export EMSDK=$prefix/emsdk NODE_PATH=/usr/share/nodejs
    # CMake keeps the toolchain a folder was first configured with, and a
    # changed recipe puts the toolchain elsewhere: such a folder starts afresh.
    grep -qF "$prefix/" build-web/CMakeCache.txt 2>/dev/null || rm -rf build-web
    "$prefix/bin/qt-cmake" -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUELLMARK_BENCHMARKS=OFF -DPython3_EXECUTABLE=/usr/bin/python3 \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tests/web/node-run.sh" >/dev/null
    cmake --build build-web -j"$(nproc)"
    ctest --test-dir build-web --output-on-failure -j"$(nproc)" -L 'core|analysis|readings'
    packaging/web/make-site.sh build-web
    /usr/bin/python3 tests/web/e2e-in-chromium.py build-web/site
    echo "WebAssembly build, tests and page: $(( SECONDS - started )) s"
}

case "${1:-}" in
run)
    install_missing
    # Only the two programs: the tests and benchmarks are built by the test
    # command. The graph companion is started by hand (see the README).
    configure build
    cmake --build build -j"$(nproc)" --target quellmark quellmark-graph
    program=$PWD/build/quellmark
    cd "$caller"
    exec "$program"
    ;;
test)
    install_missing
    build build
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    # The install rules: program, icon and desktop file into a staging folder.
    cmake --install build --prefix build/stage >/dev/null
    test -x build/stage/bin/quellmark && test -x build/stage/bin/quellmark-graph && test -f build/stage/share/applications/quellmark.desktop
    # The desktop's own checks of the menu entries and the software centre data.
    desktop-file-validate packaging/*.desktop
    for f in build/packaging/*.metainfo.xml; do appstreamcli validate --no-net "$f"; done
    # The package: no lintian errors, and exactly the expected files.
    package
    lintian --fail-on error "$deb"
    packaging/check-package-files.sh "$deb" build-package/packaging/package-files.txt
    # The core alone, without any widgets.
    build build-core -DQUELLMARK_WITH_WIDGETS=OFF
    ctest --test-dir build-core --output-on-failure -j"$(nproc)"
    # Everything again under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DQUELLMARK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
    # The fuzz targets under libFuzzer, a few seconds each.
    CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUELLMARK_WITH_WIDGETS=OFF -DQUELLMARK_LIBFUZZER=ON >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target fuzz_numbers fuzz_csvrow fuzz_reader
    ctest --test-dir build-fuzz --output-on-failure -R '^fuzz_'
    ;;
package)
    install_missing
    package
    ;;
windows)
    install_windows=yes
    install_missing
    windows
    ;;
web)
    install_web=yes
    install_missing
    web
    ;;
*)
    echo "usage: $0 run|test|package|windows|web" >&2
    exit 2
    ;;
esac
