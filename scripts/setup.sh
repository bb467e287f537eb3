#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine and configures the
# build folders. Safe to run again: it installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev googletest g++-mingw-w64-x86-64-posix
          mingw-w64-tools wine wine64 fonts-wine xvfb xauth x11-apps imagemagick python3
          clang libclang-rt-14-dev libbenchmark-dev osslsigncode openssl lua5.4 lua-socket)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
# package.py --sign-pfx signs actions.ps1 too, which osslsigncode does from 2.8 on (Debian 12's
# own is 2.5; bookworm-backports has a newer one).
osslsigncode --version 2>/dev/null | awk 'NR == 1 { sub(/,/, "", $2); split($2, v, "."); if (v[1] + 0 < 2 || (v[1] == 2 && v[2] + 0 < 8))
    print "setup: osslsigncode " $2 " signs programs but not scripts; signing needs 2.8 or later" }' || true
command -v dotnet >/dev/null || { echo "setup: the .NET SDK (dotnet) is needed to restore the WebView2 SDK" >&2; exit 1; }
bash scripts/setup_powershell.sh
bash scripts/setup_browser.sh

# Configuring the Windows preset restores the WebView2 SDK package when it is missing.
[ -f build/windows/CMakeCache.txt ] || cmake --preset windows >/dev/null
[ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
