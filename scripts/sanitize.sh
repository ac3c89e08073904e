#!/usr/bin/env bash
# Builds and runs the tests under sanitizers, each in a build folder of its own:
#   scripts/sanitize.sh asan    the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer
#   scripts/sanitize.sh tsan    the worker, hand-off and window-loop tests with ThreadSanitizer
#   scripts/sanitize.sh fuzz    the quote-text fuzzer (clang, libFuzzer) for FUZZ_SECONDS (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-}

. scripts/packages.sh
ensure_packages "${build_packages[@]}" "${qt5_packages[@]}" "${qt5_test_packages[@]}" "${test_packages[@]}"
ensure_locale "$test_locale"
[ "$mode" = fuzz ] && ensure_packages clang libclang-rt-dev

export ASAN_OPTIONS=fast_unwind_on_malloc=0:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
export TSAN_OPTIONS=suppressions=$root/tests/sanitizers/tsan.supp:halt_on_error=1:second_deadlock_stack=1

case "$mode" in
asan)
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_SANITIZE=address,undefined
    cmake --build build-asan -j"$(nproc)"
    (cd build-asan && ctest --output-on-failure)
    ;;
tsan)
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_SANITIZE=thread
    cmake --build build-tsan -j"$(nproc)" --target tst_catchthread tst_faults tst_windowloop tst_tsan_canary
    (cd build-tsan && ctest --output-on-failure -R 'tst_catchthread|tst_faults|tst_windowloop|tst_tsan_canary')
    ;;
fuzz)
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTICKORA_FUZZ=ON
    cmake --build build-fuzz -j"$(nproc)" --target fuzz_quote
    corpus=$(mktemp -d)
    trap 'rm -rf "$corpus"' EXIT
    cp "$root"/tests/fuzz/corpus/* "$corpus"/
    QT_QPA_PLATFORM=offscreen build-fuzz/tests/fuzz_quote -max_total_time="${FUZZ_SECONDS:-60}" \
        -artifact_prefix="$root/build-fuzz/" \
        -max_len=4096 -print_final_stats=1 "$corpus"
    ;;
*)
    echo "usage: $0 asan|tsan|fuzz" >&2
    exit 2
    ;;
esac
