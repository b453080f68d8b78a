#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and this machine lacks.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
      wine wine64 fonts-wine nsis zip unzip xvfb xauth x11-utils x11-xserver-utils xdotool fonts-wqy-microhei imagemagick python3)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
