#!/usr/bin/env bash
# Installs what is missing, builds, then runs the window (run) or the test suite (test).
#   scripts/dev.sh run     build and open the Tickora window
#   scripts/dev.sh test    build and run every test; exits non-zero on any failure
# Qt 5.15 by default; TICKORA_QT=6 builds and tests the same sources against Qt 6 in build-qt6/,
# as does a Debian release that no longer ships Qt 5.
# TICKORA_ARCH=arm64 cross-builds for Debian arm64 in build-arm64/ and runs the window, or every
# test, through qemu's user-mode emulator.
# TICKORA_ARCH=win64 cross-builds for 64-bit Windows in build-win64/, against Qt and libcurl built
# from Debian's sources by scripts/windows-toolchain.sh, and runs the window, or every test,
# under Wine in a throwaway Wine prefix and an X server of its own.
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
    arm64|win64) [ "$qt" = 5 ] || { echo "the $arch build is a Qt 5 build" >&2; exit 2; } ;;
    *) echo "TICKORA_ARCH must be arm64, win64 or unset" >&2; exit 2 ;;
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
elif [ "$arch" = win64 ]; then
    packages=("${win64_packages[@]}")
    [ "$mode" = test ] && packages+=("${win64_test_packages[@]}")
    ensure_packages "${packages[@]}"
    prefixes=$(scripts/windows-toolchain.sh)
    build=${TICKORA_BUILD_DIR:-build-win64}
    cross=("-DCMAKE_TOOLCHAIN_FILE=$PWD/scripts/toolchain-win64.cmake" "-DCMAKE_FIND_ROOT_PATH=${prefixes// /;}")
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTICKORA_QT_MAJOR=$qt" "${cross[@]}" \
    "-DTICKORA_BUILD_TESTS=$([ "$mode" = test ] && echo ON || echo OFF)"
cmake --build "$build" -j"$(nproc)"

if [ "$arch" = win64 ]; then
    . scripts/windows.sh
    # shellcheck disable=SC2086 # the two prefixes
    wine_dll_path $prefixes
    if [ "$mode" = run ]; then
        # A prefix of the build's own, kept between runs; the program finds its DLLs on WINEPATH.
        use_wine_prefix "$PWD/$build/wine"
        exec wine "$build/app/tickora.exe"
    fi
    # Every test in one X server and one throwaway prefix, whose Wine server lives as long as
    # the suite; the reasons of the tests skipped on Windows are printed after it.
    prefix=$(mktemp -d)
    trap 'rm -rf "$prefix"' EXIT
    cd "$build"
    status=0
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" bash -c '
        . ../scripts/windows.sh
        use_wine_prefix "$1"
        start_wine
        ctest --output-on-failure
        status=$?
        stop_wine
        exit $status' wine-suite "$prefix" || status=$?
    grep -h '^SKIP' Testing/Temporary/LastTest.log | sort -u || true
    exit $status
fi
if [ "$mode" = run ]; then
    exec "${run[@]}" "$build/app/tickora"
fi
cd "$build"
ctest --output-on-failure
