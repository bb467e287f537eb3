#!/usr/bin/env bash
# The browser engine for the kit's pages: Debian's Chromium, driven by playwright-core (pinned
# in tests/pages/package.json, no browser download) from build/pages/node_modules, and xdotool
# for real mouse input into the test display. The page tests and the browser-backed stand-in
# web view of the end-to-end tests use them. Installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_if_needed() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
[ -x /usr/bin/chromium ] || missing+=(chromium)
command -v xdotool >/dev/null || missing+=(xdotool)
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    sudo_if_needed apt-get update -qq
    sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

out="build/pages"
mkdir -p "$out"
wanted="$(node -p "require('./tests/pages/package.json').dependencies['playwright-core']")"
have="$(node -p "try { require('./$out/node_modules/playwright-core/package.json').version } catch (e) { '' }")"
if [ "$have" != "$wanted" ]; then
    echo "setup: installing playwright-core $wanted"
    cp tests/pages/package.json "$out/package.json"
    npm install --prefix "$out" --no-audit --no-fund --no-save --loglevel=error >/dev/null
fi
