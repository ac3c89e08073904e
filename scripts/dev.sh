#!/usr/bin/env bash
# Installs what is missing, builds, then runs the window (run) or the test suite (test).
#   scripts/dev.sh run     build and open the Tickora window
#   scripts/dev.sh test    build and run every test; exits non-zero on any failure
# Qt 5.15 by default; TICKORA_QT=6 builds and tests the same sources against Qt 6 in build-qt6/,
# as does a Debian release that no longer ships Qt 5.
# TICKORA_ARCH=arm64 cross-builds for Debian arm64 in build-arm64/ and runs the window, or every
# test, through qemu's user-mode emulator.
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
arch=${TICKORA_ARCH:-native}
case "$arch" in
    native) ;;
    arm64) [ "$qt" = 5 ] || { echo "the arm64 build is a Qt 5 build" >&2; exit 2; } ;;
    *) echo "TICKORA_ARCH must be arm64 or unset" >&2; exit 2 ;;
esac

. scripts/packages.sh
if [ "$qt" = 5 ] && [ "$arch" = native ] && ! qt5_packaged; then
    echo "This Debian release ships no Qt 5: building with Qt 6."
    qt=6
fi
packages=("${build_packages[@]}")
if [ "$qt" = 6 ]; then
    packages+=("${qt6_packages[@]}")
    [ "$mode" = test ] && packages+=("${qt6_test_packages[@]}")
else
    packages+=("${qt5_packages[@]}")
    [ "$mode" = test ] && packages+=("${qt5_test_packages[@]}")
fi
[ "$mode" = test ] && packages+=("${test_packages[@]}")
ensure_packages "${packages[@]}"
[ "$mode" = test ] && ensure_locale "$test_locale"

build=${TICKORA_BUILD_DIR:-$([ "$qt" = 6 ] && echo build-qt6 || echo build)}
cross=()
run=()
if [ "$arch" = arm64 ]; then
    ensure_arm64
    packages=("${arm64_packages[@]}")
    [ "$mode" = test ] && packages+=("${arm64_test_packages[@]}")
    ensure_packages --no-install-recommends "${packages[@]}"
    build=${TICKORA_BUILD_DIR:-build-arm64}
    cross=("-DCMAKE_TOOLCHAIN_FILE=$PWD/scripts/toolchain-arm64.cmake")
    run=(qemu-aarch64-static)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTICKORA_QT_MAJOR=$qt" "${cross[@]}" \
    "-DTICKORA_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)"
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = run ]; then
    exec "${run[@]}" "$build/app/tickora"
fi
cd "$build"
ctest --output-on-failure
