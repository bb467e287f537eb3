#!/usr/bin/env bash
# Runs one fuzz target (or all of them, one after another) for longer than the test command
# does: bash scripts/fuzz.sh TARGET SECONDS, e.g. bash scripts/fuzz.sh overlay_json 600.
# TARGET is a file name under tests/fuzz/ without "_fuzz.cpp", or "all"; SECONDS is per target
# (default 60). The corpus grown by earlier runs is kept in build/fuzz/grown/TARGET; crashes
# land in build/fuzz/findings/TARGET and are replayed with: build/fuzz/tests/fuzz/TARGET_fuzz FILE
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
done
if (($# < 1)); then
    echo "usage: bash scripts/fuzz.sh TARGET|all [SECONDS]" >&2
    echo "targets: ${targets[*]}" >&2
    exit 2
fi
target=$1
seconds=${2:-60}
if [ "$target" != all ] && [ ! -f "tests/fuzz/${target}_fuzz.cpp" ]; then
    echo "fuzz: no target '$target'; targets: ${targets[*]}" >&2
    exit 2
fi
command -v clang++ >/dev/null || { echo "fuzz: clang is missing; run bash scripts/setup.sh" >&2; exit 1; }

[ -f build/fuzz/CMakeCache.txt ] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
    local name=$1
    mkdir -p "build/fuzz/grown/$name" "build/fuzz/findings/$name"
    echo "fuzz: $name for ${seconds} s"
    "build/fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=20 \
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
