#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (whole tree instrumented, in
# build-fuzz-clang/) and runs each for SECONDS (default 600), one after the
# other, at the lowest priority. Each run starts from a scratch copy of the
# seed corpus, so generated inputs never land in tests/fuzz/corpus/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Logs: build-fuzz-clang/fuzz-logs/<target>.log; crashers: build-fuzz-clang/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(draw_lines day_page settings answers)
fi

build=build-fuzz-clang
# FUZZ_NO_BUILD=1 skips the build (for a second run beside one that built).
if [ -z "${FUZZ_NO_BUILD:-}" ]; then
    flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINEL_FUZZ=ON \
        -DCORVINEL_GUI_TESTS=OFF -DCORVINEL_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    nice -n 19 cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
fi

logs=$build/fuzz-logs
artifacts=$build/fuzz-artifacts
mkdir -p "$logs" "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
# The targets rewrite scratch files on every run (settings, draw files):
# memory-backed, several times more runs per second.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
if [ -f tests/fuzz/lsan.supp ]; then
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0}
fi

status=0
for t in "${targets[@]}"; do
    corpus=$build/fuzz-corpus/$t
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp tests/fuzz/corpus/"$t"/* "$corpus"/
    dict=()
    if [ -f tests/fuzz/"$t".dict ]; then dict=(-dict=tests/fuzz/"$t".dict); fi
    # QSettings reads a "@Variant(...)" value of a hand-edited settings file
    # with QDataStream, which reserves whatever list size the bytes claim. A
    # normal build gets NULL from malloc for an impossible size and Qt goes
    # on; ASan would abort instead, so the settings target runs with the
    # allocator returning NULL as in production.
    asan=$ASAN_OPTIONS
    if [ "$t" = settings ]; then asan=$asan:allocator_may_return_null=1; fi
    log=$logs/$t.log
    start=$(date +%s)
    rc=0
    ASAN_OPTIONS=$asan nice -n 19 "$build"/tests/fuzz/fuzz_"$t" "$corpus" "${dict[@]}" -max_total_time="$seconds" -timeout=25 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$t-" >"$log" 2>&1 || rc=$?
    elapsed=$(($(date +%s) - start))
    runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 || true)
    if [ "$rc" -eq 0 ]; then
        echo "$t: clean, ${elapsed} s, ${runs:-no summary}"
    else
        echo "$t: FAILED (exit $rc) after ${elapsed} s, see $log"
        grep -m3 -E 'ERROR|invariant broken|runtime error|Test unit written' "$log" || true
        status=1
    fi
done
exit $status
