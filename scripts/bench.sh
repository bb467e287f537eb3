#!/usr/bin/env bash
# Builds the benchmarks of the portable cores (bench preset, Release) and runs them: one
# table per program on the terminal, all of them kept in build/bench/results.txt (and as
# JSON beside it). Extra arguments go to every benchmark program, e.g.
#   bash scripts/bench.sh --benchmark_filter=Json --benchmark_min_time=1
# Timings depend on the machine and its load; nothing here is checked against a limit.
set -euo pipefail
cd "$(dirname "$0")/.."

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
