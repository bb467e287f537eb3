#!/usr/bin/env bash
# The overlay and launcher pages in headless Chromium (Debian's) driven by playwright-core.
# Installs what is missing, runs every tests/pages/*.test.js, leaves the screenshots in
# build/pages/.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="$root/build/pages"

sudo_if_needed() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
[ -x /usr/bin/chromium ] || missing+=(chromium)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    sudo_if_needed apt-get update -qq
    sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# playwright-core only (no browser download), as pinned in package.json.
mkdir -p "$out"
wanted="$(node -p "require('$here/package.json').dependencies['playwright-core']")"
have="$(node -p "try { require('$out/node_modules/playwright-core/package.json').version } catch (e) { '' }")"
if [ "$have" != "$wanted" ]; then
    cp "$here/package.json" "$out/package.json"
    npm install --prefix "$out" --no-audit --no-fund --no-save --loglevel=error >/dev/null
fi

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
