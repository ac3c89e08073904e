#!/usr/bin/env bash
# Builds and runs the benchmarks; prints "name: value (goal)" lines and writes
# build/bench/results.json. Takes a few minutes; --quick gives a first look in under one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build}
if ! command -v valgrind > /dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq valgrind
fi
if [ ! -d "$build" ]; then
    scripts/dev.sh test > /dev/null || true   # installs the packages the benchmarks share with the tests
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j"$(nproc)" --target tickora_bench
"$build/bench/tickora_bench" "$@"
