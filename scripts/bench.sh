#!/usr/bin/env bash
# Builds the benchmarks of the portable cores (bench preset, Release) and runs them: one
# table per program on the terminal, all of them kept in build/bench/results.txt (and as
# JSON beside it). Extra arguments go to every benchmark program, e.g.
#   bash scripts/bench.sh --benchmark_filter=Json --benchmark_min_time=1
# Timings depend on the machine and its load; nothing here is checked against a limit.
#
#   bash scripts/bench.sh --wine [--quick] [--rounds N] [--cpu-seconds N] [--only NAME ...]
# instead builds the windows preset and runs the real programs under Wine and Xvfb with the
# end-to-end tests' stand-ins (bench/wine/run_wine_bench.py, under 10 minutes; --quick about
# 4): round trips, the lossless rate and bursts of the overlay's UDP link, its CPU hidden and
# active and its memory, the launcher's status query and action log. Each figure is measured
# in paired rounds against a baseline (5, or 3 with --quick; program and baseline one after the
# other, taking turns which goes first), and the table gives the median of the rounds' ratios
# with their spread and marks a figure noisy when the spread is wider than its gap. The
# Markdown table goes to build/bench/wine_results.md. VYR_WINDOWS_BUILD_DIR (build/windows),
# VYR_E2E_DIR (the Wine prefix and display, build/bench/wine) and VYR_BENCH_DIR (build/bench)
# choose other folders.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--wine" ]; then
    shift
    for tool in wine wineserver Xvfb x86_64-w64-mingw32-g++-posix node chromium; do
        command -v "$tool" >/dev/null ||
            { echo "bench: $tool is missing; run bash scripts/setup.sh" >&2; exit 1; }
    done
    # The page in Chromium is driven through playwright-core, which the set-up installs here.
    [ -d build/pages/node_modules/playwright-core ] ||
        { echo "bench: playwright-core is missing; run bash scripts/setup.sh" >&2; exit 1; }
    windows=$(realpath -m "${VYR_WINDOWS_BUILD_DIR:-build/windows}")
    # Only what the run starts: the programs, the stand-ins, the test tools and the baselines.
    # Builds into build/ wait for each other on the shared build lock, where flock is there.
    build() {
        [ -f "$windows/CMakeCache.txt" ] || cmake --preset windows -B "$windows" >/dev/null
        cmake --build "$windows" -j2 --target overlay_host launcher echo_baseline gui_baseline \
            status_baseline foreground_probe standin_game webview2_standin webview2_browser \
            standin_powershell wintool launcher_tool
    }
    if command -v flock >/dev/null; then
        export windows
        export -f build
        flock /tmp/vyr-build.lock bash -c build
    else
        build
    fi
    export VYR_WINDOWS_BUILD_DIR=$windows
    export VYR_E2E_DIR=$(realpath -m "${VYR_E2E_DIR:-build/bench/wine}")
    exec python3 bench/wine/run_wine_bench.py \
        --out "$(realpath -m "${VYR_BENCH_DIR:-build/bench}")/wine_results.md" "$@"
fi

[ -f /usr/include/benchmark/benchmark.h ] ||
    { echo "bench: Google Benchmark is missing; run bash scripts/setup.sh" >&2; exit 1; }
[ -f build/bench/CMakeCache.txt ] || cmake --preset bench >/dev/null
cmake --build --preset bench

results=build/bench/results.txt
: >"$results"
for program in overlay launcher; do
    binary=build/bench/bench/${program}_bench
    [ -x "$binary" ] || continue
    echo "== ${program}" | tee -a "$results"
    "$binary" --benchmark_min_time=0.2 --benchmark_out="build/bench/${program}.json" \
        --benchmark_out_format=json "$@" 2>&1 | tee -a "$results"
done
echo "bench: table in $results"
