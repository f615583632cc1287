#!/usr/bin/env bash
# Takes screenshots of the running program under a virtual X server, as an operator would see
# it: the splash, then the main window in English and in Russian.
# Usage: tools/screenshot.sh [build folder] [output folder]
set -euo pipefail
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$build/screenshots}")
mkdir -p "$out"
home=$(mktemp -d)
program=$(mktemp -d)
trap 'rm -rf "$home" "$program"' EXIT
cp "$build/velmora" "$build"/Help_*.txt "$program/"
[ -d "$build/data" ] && cp -r "$build/data" "$program/"

shoot() {
    local language=$1 name=$2
    mkdir -p "$home/.config/Quillbrook/Velmora"
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n"Languare"=dword:%08x\n' \
        "$language" > "$home/.config/Quillbrook/Velmora/settings.reg"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
        '$program/velmora' &
        pid=\$!
        sleep 1.5; import -window root '$out/$name-splash.png'
        sleep 3.5; import -window root '$out/$name.png'
        kill -TERM \$pid; wait \$pid"
}
shoot 0 english
shoot 1 russian
echo "Screenshots in $out"
