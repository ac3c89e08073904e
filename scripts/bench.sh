#!/usr/bin/env bash
# Builds and runs the benchmarks; prints "name: value (goal)" lines and writes
# build/bench/results.json. Takes a few minutes; --quick gives a first look in under one.
# The memory and start-up of the real program are measured on an X display (Xvfb when none is
# set), for the Qt 6 build in build-qt6/ too where that exists.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build}
. scripts/packages.sh
ensure_packages "${build_packages[@]}" "${qt5_packages[@]}" "${qt5_test_packages[@]}" "${test_packages[@]}" valgrind
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j"$(nproc)" --target tickora_bench
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")
"${display[@]}" "$build/bench/tickora_bench" "$@"
if [ -f build-qt6/CMakeCache.txt ]; then
    cmake --build build-qt6 -j"$(nproc)" --target tickora_bench
    "${display[@]}" build-qt6/bench/tickora_bench --at-rest "$@"
fi
