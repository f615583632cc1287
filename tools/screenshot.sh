#!/usr/bin/env bash
# Takes screenshots of the running program under a virtual X server, as an operator would see
# it: the splash, then the main window in English and in Russian, each at the screen scales
# 100 %, 150 % and 200 % (QT_SCALE_FACTOR 1, 1.5 and 2). Each picture is the screen around the
# window, so the window's outline shows against the screen behind it.
# Usage: tools/screenshot.sh [build folder] [output folder]
# Writes <language>-<scale>-splash.png and <language>-<scale>.png.
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
    local language=$1 scale=$2 name=$3
    mkdir -p "$home/.config/Quillbrook/Velmora"
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora]\n"Languare"=dword:%08x\n' \
        "$language" > "$home/.config/Quillbrook/Velmora/settings.reg"
    # The screen holds the window at 200 %: 802 x 602 logical pixels are 1604 x 1204.
    HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_SCALE_FACTOR="$scale" \
        xvfb-run -a -s "-screen 0 1920x1280x24" bash -c '
        "$1/velmora" &
        pid=$!
        # The window of that title once it is shown, and the screen around it.
        snap() {
            local id X Y WIDTH HEIGHT SCREEN
            id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
            [ -n "$id" ] || { echo "no window \"$1\" within 30 s" >&2; return 1; }
            sleep 0.5 # its first paint
            eval "$(xdotool getwindowgeometry --shell "$id")"
            local left=$(( X > 20 ? X - 20 : 0 )) top=$(( Y > 20 ? Y - 20 : 0 ))
            import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$left+$top" +repage "$2"
        }
        snap Logo "$2-splash.png"
        snap Velmora "$2.png"
        kill -TERM $pid
        wait $pid' screenshot "$program" "$out/$name"
}
for scale in 1 1.5 2; do
    shoot 0 "$scale" "english-$scale"
    shoot 1 "$scale" "russian-$scale"
done
echo "Screenshots in $out"
