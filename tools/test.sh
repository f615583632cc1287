#!/usr/bin/env bash
# Installs what is missing, then checks the formatting, builds with warnings as errors and runs
# every test; then the threaded tests of the parts below the windows under ThreadSanitizer, and
# their plain tests under AddressSanitizer and UndefinedBehaviorSanitizer in the build that also
# gives each fuzz target a short run on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
started=$SECONDS
configure() {
    local dir=$1; shift
    echo "=== $dir"
    cmake -S . -B "$dir" -G Ninja -DVELMORA_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}
check() {
    local dir=$1; shift
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target format-check
check build

configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_SANITIZE=thread
check build-tsan -L threaded

configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
check build-asan -L 'plain|fuzz'

echo "All tests passed in $((SECONDS - started)) s."
