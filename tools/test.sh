#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the whole program, then the parts
# below the windows again under ThreadSanitizer and under AddressSanitizer with
# UndefinedBehaviorSanitizer, then a short run of each fuzz target on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
run() {
    local dir=$1; shift
    echo "=== $dir"
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_SANITIZE=thread
run build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_SANITIZE=address,undefined
run build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_PLAIN_ONLY=ON -DVELMORA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
echo "All tests passed."
