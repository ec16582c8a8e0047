#!/usr/bin/env bash
# Builds the benchmarks if needed, runs them all and prints their tables
# (Markdown) with the machine they ran on.
#
#   bench/run.sh [BUILD_DIR]        default: build/ in the repository
#   bench/run.sh BUILD_DIR graph    only the graph companion's benchmarks
#
# The companion is measured against gnuplot; the script installs gnuplot-nox
# through apt (with sudo when not root) when it is missing.
#
# Takes about 7 minutes on 2 cores. Run it on an otherwise idle machine: the
# numbers are wall-clock times.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
only=${2:-all}
jobs=${BENCH_JOBS:-2}

if ! command -v gnuplot >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: gnuplot-nox" >&2
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends gnuplot-nox >&2
fi

if [[ ! -f $build/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$repo" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release >&2
fi
cmake --build "$build" -j"$jobs" --target benchmarks >&2
bin=$build/bench

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export LC_ALL=C.UTF-8
# Qt asks for a runtime folder and complains on every start without one.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi

disk=${TMPDIR:-/tmp}
tmpfs=/dev/shm
started=$(date +%s)

fs_of() { df -PT "$1" | awk 'NR == 2 { print $2 " on " $1 " (mounted at " $7 ")" }'; }

echo "# Quellmark benchmarks"
echo
echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC'), build type: $(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")"
echo "- CPU: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), nproc $(nproc)"
echo "- memory: $(awk '/^MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo)"
qt=$(qtpaths6 --qt-version 2>/dev/null || qmake6 -query QT_VERSION 2>/dev/null || echo unknown)
echo "- kernel: $(uname -sr); Qt $qt, platform $QT_QPA_PLATFORM"
echo "- data files on disk: $disk, $(fs_of "$disk")"
echo "- data files in memory: $tmpfs, $(fs_of "$tmpfs")"
echo "- load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

graph_benchmarks() {
    if [[ ! -x $build/quellmark-graph || ! -x $bin/bench_graph_live ]]; then
        echo "(no quellmark-graph in $build: companion not measured)"
        return
    fi
    local work
    work=$(mktemp -d "$disk/quellmark-graph-bench-XXXXXX")
    "$bin/bench_cooling_file" 100000 "$work/cooling-100000.csv"
    "$bin/bench_cooling_file" 1000000 "$work/cooling-1000000.csv"
    echo "## The cooling fit alone"
    echo
    echo "fitCooling on points in memory (the law of the benchmark files); peak RSS added over"
    echo "the runs (VmHWM growth)."
    echo
    "$bin/bench_cooling_fit" 1000 100000 1000000
    echo
    echo "gnuplot: $(gnuplot --version)"
    echo
    "$bin/bench_graph_export" "$build/quellmark-graph" "$work/cooling-100000.csv" 5
    echo
    echo "## Graph companion following a measurement"
    echo
    echo "Real companion window (offscreen, 1200x800) following a data file on $disk; rows"
    echo "appended one at a time by the program's writer (open, write, fsync, close) 40 to 240 ms"
    echo "apart. Time from the writer's return to the window's signal after the repaint that"
    echo "shows the row. First view: window created to the first repaint with every reading."
    echo "Peak RSS: VmHWM of the process (window, plot, reader; the appended rows are generated"
    echo "in the same process, a few kB)."
    echo
    "$bin/bench_graph_live" --header
    "$bin/bench_graph_live" 100000 "$disk" 200 none
    "$bin/bench_graph_live" 100000 "$disk" 200 cooling
    "$bin/bench_graph_live" 1000000 "$disk" 20 none
    "$bin/bench_graph_live" 1000000 "$disk" 20 cooling
    echo
    echo "Command line on the 1 000 000-reading file ($(du -m "$work/cooling-1000000.csv" | cut -f1) MB), peak RSS of the process:"
    echo
    echo "| command | exit | peak RSS MB | wall ms |"
    echo "|:---|---:|---:|---:|"
    "$bin/bench_graph_memory" "$build/quellmark-graph" "$work/cooling-1000000.csv"
    echo
    echo "Edited subject blocks, one after every reading (\`bench_marker_file\`), figure export:"
    echo
    echo "| command | exit | peak RSS MB | wall ms |"
    echo "|:---|---:|---:|---:|"
    for changes in 28000 140000; do
        "$bin/bench_marker_file" "$changes" "$work/markers-$changes.csv"
        echo "| ($changes edited subject blocks) | | | |"
        "$bin/bench_graph_memory" "$build/quellmark-graph" "$work/markers-$changes.csv"
    done
    echo
    echo "The window following a folder in which nothing changes, processor time over 20 s:"
    echo
    "$bin/bench_graph_idle" "$build/quellmark-graph" 20 500 2000
    rm -rf "$work"
}

if [[ $only == graph ]]; then
    graph_benchmarks
    exit 0
fi

"$bin/bench_startup" 5
echo

"$bin/bench_timing_accuracy" "$disk"
echo

echo "## Long measurements"
echo
echo "Real main window (offscreen), one process per row. Handler: from the key's timestamp"
echo "to the end of its handling (key preview, measurement key, data-file write of the"
echo "previous reading with fsync). Event loop: the run after the press until idle"
echo "(repaint of the data screen, timer ticks). Peak RSS: VmHWM of the process."
echo "On disk fsync reaches the device; on tmpfs fsync costs next to nothing, which"
echo "stands for the write without fsync."
echo
"$bin/bench_long_measurement" --header
disk_label="disk ($(df -PT "$disk" | awk 'NR == 2 { print $2 }'))"
for readings in 1000 10000; do
    "$bin/bench_long_measurement" "$readings" "$disk" "$disk_label"
    "$bin/bench_long_measurement" "$readings" "$tmpfs" tmpfs
done
"$bin/bench_long_measurement" 100000 "$tmpfs" tmpfs
# Reduced modes: an fsync per press on disk, and a repaint after every press,
# would take 2 to 3.5 minutes at 100 000 readings and far beyond the time
# budget at 1 000 000.
"$bin/bench_long_measurement" 100000 "$tmpfs" tmpfs 10
"$bin/bench_long_measurement" 100000 "$disk" "$disk_label" 10
"$bin/bench_long_measurement" 1000000 "$tmpfs" tmpfs 100
echo
echo "Reduced modes, to keep the whole run under 10 minutes on 2 cores: at 100 000 readings"
echo "on disk the event loop runs once per 10 presses (with the same mode on tmpfs beside it"
echo "for comparison); 1 000 000 readings run on tmpfs only, the event loop once per 100"
echo "presses. Handler times include the key preview and the data-file write in every mode."
echo
graph_benchmarks
echo
echo "Total benchmark time: $(($(date +%s) - started)) s"
