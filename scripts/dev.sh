#!/usr/bin/env bash
# Installs what is missing, builds, then runs the window (run) or the test suite (test).
#   scripts/dev.sh run     build and open the Tickora window
#   scripts/dev.sh test    build and run every test; exits non-zero on any failure
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
    run|test) ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

packages=(g++ cmake make qtbase5-dev libcurl4-openssl-dev fonts-wqy-microhei)
if [ "$mode" = test ]; then
    packages+=(xvfb xauth xdotool imagemagick openssl libssl-dev zlib1g-dev libx11-dev
               desktop-file-utils appstream)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

build=${TICKORA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTICKORA_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)"
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = run ]; then
    exec "$build/app/tickora"
fi
cd "$build"
ctest --output-on-failure
