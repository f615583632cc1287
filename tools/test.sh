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
# Compiles go through ccache (installed by setup; its cache is in the user's cache folder), so a
# fresh clone builds from the cache.
configure() {
    local dir=$1; shift
    echo "=== $dir"
    cmake -S . -B "$dir" -G Ninja -DVELMORA_WERROR=ON "$@" >/dev/null
}
build() {
    cmake --build "$@" -j "$jobs"
}
# Most tests wait on timers, sockets and child processes rather than compute, so they run three to
# a core; the fuzz runs compute for a fixed time and get a core each.
check() {
    local dir=$1; shift
    ctest --test-dir "$dir" --output-on-failure -j "$((jobs * 3))" "$@"
}
fuzz() {
    ctest --test-dir "$1" --output-on-failure -j "$jobs" -L fuzz
}
lap() {
    echo "--- $1 after $((SECONDS - started)) s"
}

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
build build
cmake --build build --target format-check
lap "build"
check build
lap "tests"

configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_SANITIZE=thread
build build-tsan --target threaded-tests
lap "ThreadSanitizer build"
check build-tsan -L threaded
lap "threaded tests"

configure build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_PLAIN_ONLY=ON -DVELMORA_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
build build-asan
lap "AddressSanitizer build"
check build-asan -L plain
lap "sanitized tests"
fuzz build-asan

echo "All tests passed in $((SECONDS - started)) s."
