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

scripts/tidy.sh build
