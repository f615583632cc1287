#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it. Its settings go to the usual places:
# build/velmora.ini beside the program and ~/.config/Quillbrook/Velmora/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velmora
exec build/velmora
