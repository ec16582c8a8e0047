#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds Quellmark into build/ and
# either starts it (run), runs every test (test) or builds the Debian package
# build/quellmark_VERSION_ARCH.deb (package).
set -euo pipefail
# The program keeps its data files below the folder it is started from.
caller=$PWD
cd "$(dirname "$0")"

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-noto-cjk            # Japanese text instead of boxes
    python3                   # reads data files back in the tests
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

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
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
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
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
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
