#!/usr/bin/env bash
# Sets up a fresh Debian/Ubuntu machine, builds Quellmark into build/ and
# either starts it (run) or runs every test (test).
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
    qt6-charts-dev libqt6opengl6-dev        # the plotting-library benchmark's other candidate
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

case "${1:-}" in
run)
    install_missing
    # Only the program: the tests and benchmarks are built by the test command.
    configure build
    cmake --build build -j"$(nproc)" --target quellmark
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
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
