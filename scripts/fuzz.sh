#!/usr/bin/env bash
# Runs one fuzz target (or all of them, one after another) for longer than the test command
# does: bash scripts/fuzz.sh TARGET SECONDS [RUNS], e.g. bash scripts/fuzz.sh overlay_json 600.
# TARGET is a file name under tests/fuzz/ without "_fuzz.cpp", or "all"; SECONDS is per target
# (default 60). RUNS, if given and not 0, also stops each target after that many inputs, so a
# campaign can ask for a number of executions: bash scripts/fuzz.sh overlay_json 3600 10000000.
# The corpus grown by earlier runs is kept in build/fuzz/grown/TARGET; crashes land in
# build/fuzz/findings/TARGET and are replayed with: build/fuzz/tests/fuzz/TARGET_fuzz FILE
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
done
if (($# < 1)); then
    echo "usage: bash scripts/fuzz.sh TARGET|all [SECONDS [RUNS]]" >&2
    echo "targets: ${targets[*]}" >&2
    exit 2
fi
target=$1
seconds=${2:-60}
runs=${3:-0}
if ! [[ "$seconds" =~ ^[0-9]+$ && "$runs" =~ ^[0-9]+$ ]]; then
    echo "fuzz: SECONDS and RUNS are whole numbers" >&2
    exit 2
fi
if [ "$target" != all ] && [ ! -f "tests/fuzz/${target}_fuzz.cpp" ]; then
    echo "fuzz: no target '$target'; targets: ${targets[*]}" >&2
    exit 2
fi
command -v clang++ >/dev/null || { echo "fuzz: clang is missing; run bash scripts/setup.sh" >&2; exit 1; }

# Builds into build/ wait for each other on the shared build lock, where flock is there.
build() {
    [ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
}
if command -v flock >/dev/null; then
    export -f build
    flock /tmp/vyr-build.lock bash -c build
else
    build
fi

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
    local name=$1
    mkdir -p "build/fuzz/grown/$name" "build/fuzz/findings/$name"
    local limit="${seconds} s"
    ((runs == 0)) || limit+=" or $runs inputs, whichever comes first"
    echo "fuzz: $name for $limit"
    "build/fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -runs="$((runs ? runs : -1))" \
        -max_len=4096 -timeout=20 \
        -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$name/" \
        "build/fuzz/grown/$name" "tests/fuzz/corpus/$name"
}
if [ "$target" = all ]; then
    for name in "${targets[@]}"; do
        run "$name"
    done
else
    run "$target"
fi
