#!/usr/bin/env bash
# The overlay and launcher pages in headless Chromium (Debian's) driven by playwright-core.
# Installs what is missing, runs every tests/pages/*.test.js, leaves the screenshots in
# build/pages/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="$root/build/pages"

bash "$root/scripts/setup_browser.sh"

export NODE_PATH="$out/node_modules"
export VYR_PAGES_OUT="$out"
rm -f "$out"/*.png
cd "$here"
# One test file at a time: each starts its own browser.
status=0
for file in *.test.js; do
    node --test "$file" || status=1
done
exit $status
