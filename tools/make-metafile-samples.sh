#!/usr/bin/env bash
# Writes the metafile samples the player's comparison test reads: each hand-written drawing
# tests/metafile/ui/data/samples/<name>.svg is exported by Inkscape as <name>.emf and
# <name>.wmf, and each of those metafiles is opened again by Inkscape and rendered as
# <name>.emf.png / <name>.wmf.png, the reference our player is compared with. The metafiles are
# also copied into the metafile fuzz target's seed corpus as sample_<name>.emf / .wmf.
#
# References are SAMPLE_WIDTH pixels wide, their height in the drawing's proportion, painted over
# the panel colour (layoutview/PanelColor.h), the background our player draws over in the test
# and in the layout window, so whatever the metafile leaves uncovered compares alike.
#
# Run it again only to change the samples; the tests use the committed files and need no
# Inkscape. Needs Debian's inkscape package (apt-get install --no-install-recommends inkscape).
set -euo pipefail
cd "$(dirname "$0")/.."

samples=tests/metafile/ui/data/samples
corpus=fuzz/corpus/fuzz_metafile
panel='#366ab3' # RGB(54, 106, 179)
width=${SAMPLE_WIDTH:-480}

command -v inkscape >/dev/null || { echo "inkscape is not installed" >&2; exit 1; }

# Inkscape warns about its desktop services even headless; only a failure matters.
quiet() { "$@" 2>/dev/null; }

for svg in "$samples"/*.svg; do
    name=$(basename "$svg" .svg)
    for format in emf wmf; do
        metafile="$samples/$name.$format"
        quiet inkscape "$svg" --export-type="$format" --export-filename="$metafile"
        quiet inkscape "$metafile" --export-type=png --export-filename="$metafile.png" \
            --export-width="$width" --export-background="$panel" \
            --export-background-opacity=1
        [[ -s "$metafile" && -s "$metafile.png" ]] || { echo "no output for $metafile" >&2; exit 1; }
        cp "$metafile" "$corpus/sample_$name.$format"
        echo "$metafile ($(stat -c %s "$metafile") bytes), $metafile.png ($(stat -c %s "$metafile.png") bytes)"
    done
done
