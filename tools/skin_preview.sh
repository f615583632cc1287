#!/usr/bin/env bash
# Draws the skin into PNG files to be looked at: the main window with the kit's controls at their
# places, a sheet of every picture enlarged, the tray menu and a pop-up hint, in the device pixels
# of a screen of the given device pixel ratio (1.5 for a screen at 150 %).
# Usage: tools/skin_preview.sh [output folder] [device pixel ratio]   (default: build/skin-preview, 1)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/skin-preview}
ratio=${2:-1}
mkdir -p "$out"
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target widgets_skin_preview -j2
QT_QPA_PLATFORM=offscreen build/tests/widgets/widgets_skin_preview "$out" "$ratio"
ls "$out"/skin-*.png
