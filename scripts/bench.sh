#!/usr/bin/env bash
# Builds and runs the benchmarks; prints "name: value (goal)" lines and writes
# build/bench/results.json. Takes a few minutes; --quick gives a first look in under one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build}
. scripts/packages.sh
ensure_packages "${build_packages[@]}" "${test_packages[@]}" valgrind
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j"$(nproc)" --target tickora_bench
"$build/bench/tickora_bench" "$@"
