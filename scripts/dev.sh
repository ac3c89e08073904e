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

. scripts/packages.sh
if [ "$mode" = test ]; then
    ensure_packages "${build_packages[@]}" "${test_packages[@]}"
else
    ensure_packages "${build_packages[@]}"
fi

build=${TICKORA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTICKORA_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)"
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = run ]; then
    exec "$build/app/tickora"
fi
cd "$build"
ctest --output-on-failure
