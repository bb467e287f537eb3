#!/usr/bin/env bash
# Builds the Windows kit into dist/ and runs a short demo of overlay_host.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --build --preset windows
rm -rf dist
cmake --install build/windows --prefix dist >/dev/null
python3 scripts/demo.py
