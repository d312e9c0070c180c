#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over every source file of the project,
# using the compile commands of a configured build folder (default build/).
# Any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy.sh: $build/compile_commands.json is missing; configure $build first (scripts/build.sh)" >&2
    exit 2
fi
# Only our own sources: moc and autogen output in the build folder is generated.
run-clang-tidy -p "$build" -j"$(nproc)" -quiet \
    "^$(pwd)/(core|store|acquire|analysis|export|session|app|cli|tests|bench)/.*\.cpp$"
