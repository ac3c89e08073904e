#!/usr/bin/env bash
# Runs the analysers over the program's own code (app/, window/, worker/, http/): clang-tidy
# with the checks in .clang-tidy, and cppcheck with every check and its knowledge of Qt. Any
# finding fails. A finding that is noise for one line is suppressed on that line, with why.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build-analyse}

. scripts/packages.sh
ensure_packages "${build_packages[@]}" "${qt5_packages[@]}" clang-tidy cppcheck
# The compile commands, and the headers moc and uic generate, come from a configured build of
# the program alone: the tests are not analysed, and their packages are not needed. A build
# folder configured already (TICKORA_BUILD_DIR=build, the test command's) is used as it is.
[ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=OFF > /dev/null
cmake --build "$build" -j"$(nproc)" --target tickora
mapfile -t sources < <(git ls-files 'app/*.cpp' 'window/*.cpp' 'worker/*.cpp' 'http/*.cpp')

echo "clang-tidy: ${#sources[@]} files"
# Each run counts the warnings it hid in system headers; only findings are worth printing.
printf '%s\n' "${sources[@]}" | xargs -P"$(nproc)" -n1 clang-tidy -p "$build" --quiet 2>&1 \
    | { grep -v '^[0-9]* warnings generated\.$' || true; }

# cppcheck is given the project's own headers only; --library=qt tells it Qt's.
echo "cppcheck: ${#sources[@]} files"
cppcheck --enable=all --library=qt --std=c++17 --inline-suppr --quiet --error-exitcode=1 \
    --suppress=missingIncludeSystem \
    -I app -I window -I worker -I http -I "$build/window/form/include" "${sources[@]}"
echo "analysers found nothing"
