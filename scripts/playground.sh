#!/usr/bin/env bash
# The kit from dist/ running under Wine over the stand-in game, left running to be driven by
# hand (scripts/playground.py). Without arguments it builds and packages first when the zip,
# the stand-ins or vyro are missing; with `shot [FILE]`, `click TEXT|SELECTOR` or `quit` it
# talks to the running playground.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# == 0)) && ! python3 scripts/playground.py check; then
    bash scripts/setup.sh
    cmake --build --preset windows
    cmake --build --preset native --target vyro
    python3 scripts/package.py
fi
exec python3 scripts/playground.py "$@"
