#!/usr/bin/env bash
# Builds the Windows kit into dist/ (folder and zip) and runs a short demo of it under Wine:
# the overlay over the stand-in game, driven by vyro.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --build --preset windows
python3 scripts/package.py
python3 scripts/demo.py
