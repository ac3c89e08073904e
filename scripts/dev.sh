#!/usr/bin/env bash
# Installs what is missing, builds, then runs the window (run) or the test suite (test).
#   scripts/dev.sh run     build and open the Tickora window
#   scripts/dev.sh test    build and run every test; exits non-zero on any failure
# Qt 5.15 by default; TICKORA_QT=6 builds and tests the same sources against Qt 6 in build-qt6/.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
    run|test) ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

qt=${TICKORA_QT:-5}
case "$qt" in
    5|6) ;;
    *) echo "TICKORA_QT must be 5 or 6" >&2; exit 2 ;;
esac

. scripts/packages.sh
packages=("${build_packages[@]}")
[ "$qt" = 6 ] && packages+=("${qt6_packages[@]}")
[ "$mode" = test ] && packages+=("${test_packages[@]}")
ensure_packages "${packages[@]}"
[ "$mode" = test ] && ensure_locale "$test_locale"

build=${TICKORA_BUILD_DIR:-$([ "$qt" = 6 ] && echo build-qt6 || echo build)}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTICKORA_QT_MAJOR=$qt" \
    "-DTICKORA_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)"
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = run ]; then
    exec "$build/app/tickora"
fi
cd "$build"
ctest --output-on-failure
