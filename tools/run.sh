#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velmora
if [ -x build/velmora ]; then
    exec build/velmora
fi
echo "Velmora's display server is built (its tests run with tools/test.sh); the operator's window comes later."
