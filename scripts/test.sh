#!/usr/bin/env bash
# Every test: the native unit tests (plain and with ASan/UBSan), the same unit tests
# cross-compiled and run under Wine, and the end-to-end tests under Wine with Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --build --preset windows
cmake --build --preset native
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan
ctest --preset native
# Each fuzz target for a fixed number of inputs from a fixed seed (clang, ASan, UBSan).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
# The kit's web pages in headless Chromium against a stand-in web view host.
bash tests/pages/run.sh
# The kit's script in real PowerShell 7 with Pester, on game folders in temporary folders.
bash tests/script/run.sh
