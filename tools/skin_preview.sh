#!/usr/bin/env bash
# Draws the skin into PNG files to be looked at: the main window with the kit's controls at their
# places, a sheet of every picture enlarged, the tray menu and a pop-up hint.
# Usage: tools/skin_preview.sh [output folder]   (default: build/skin-preview)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/skin-preview}
mkdir -p "$out"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target widgets_skin_preview -j2
QT_QPA_PLATFORM=offscreen build/tests/widgets/widgets_skin_preview "$out"
ls "$out"/skin-*.png
