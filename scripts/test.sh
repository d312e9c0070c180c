#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, the
# same suite built with AddressSanitizer and UndefinedBehaviorSanitizer, and
# clang-tidy over the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)")

# Debug keeps the sanitizer build quick to compile; benchmarks are not tests.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVINEL_ASAN=ON -DCORVINEL_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
(cd build-asan \
    && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       ctest --output-on-failure -j"$(nproc)")

# ThreadSanitizer over the tests where a second thread runs: the search's
# database write-back on its own thread and connection (session and window).
# Only those targets are built, to keep the run short.
tsan_tests=(test_background_writer test_background_write_back test_session test_history_changes
    test_analysis_window test_window test_history_window)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVINEL_TSAN=ON -DCORVINEL_BENCH=OFF
cmake --build build-tsan -j"$(nproc)" --target "${tsan_tests[@]}"
(cd build-tsan \
    && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/../scripts/tsan.supp" \
       ctest --output-on-failure -j"$(nproc)" -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$")

scripts/tidy.sh build
