#!/usr/bin/env bash
# Builds the benchmarks of the portable cores (bench preset, Release) and runs them: one
# table per program on the terminal, all of them kept in build/bench/results.txt (and as
# JSON beside it). Extra arguments go to every benchmark program, e.g.
#   bash scripts/bench.sh --benchmark_filter=Json --benchmark_min_time=1
# Timings depend on the machine and its load; nothing here is checked against a limit.
#
#   bash scripts/bench.sh --wine
# instead builds the windows preset and runs the real programs under Wine and Xvfb with the
# end-to-end tests' stand-ins (bench/wine/run_wine_bench.py, a few minutes): round trips and
# the lossless rate of the overlay's UDP link, its CPU and memory, the launcher's status query
# and action log, each beside a baseline measured in the same run. The Markdown table goes to
# build/bench/wine_results.md. VYR_WINDOWS_BUILD_DIR (build/windows), VYR_E2E_DIR (the Wine
# prefix and display, build/bench/wine) and VYR_BENCH_DIR (build/bench) choose other folders.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--wine" ]; then
    shift
    for tool in wine wineserver Xvfb x86_64-w64-mingw32-g++-posix; do
        command -v "$tool" >/dev/null ||
            { echo "bench: $tool is missing; run bash scripts/setup.sh" >&2; exit 1; }
    done
    windows=$(realpath -m "${VYR_WINDOWS_BUILD_DIR:-build/windows}")
    [ -f "$windows/CMakeCache.txt" ] || cmake --preset windows -B "$windows" >/dev/null
    # Only what the run starts: the programs, the stand-ins, the test tools and the baselines.
    cmake --build "$windows" -j2 --target overlay_host launcher echo_baseline gui_baseline \
        standin_game webview2_standin webview2_browser standin_powershell wintool launcher_tool
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
