#!/bin/sh
# Starts Velmora from the user's own program folder. The program keeps its .ini beside its
# executable, and nothing may write under /usr: so each user runs a copy of the installed
# executable from a folder of their own, refreshed whenever the installed one changes, with the
# default media and help files linked beside it. Two users never share settings or layouts.
set -eu

installed=/usr/lib/velmora/velmora
shared=/usr/share/velmora
folder="${XDG_DATA_HOME:-$HOME/.local/share}/velmora"

mkdir -p "$folder"
if ! cmp -s "$installed" "$folder/velmora"; then
    # A running copy keeps its file: the new one replaces the name, not the old file.
    cp "$installed" "$folder/.velmora.new"
    mv -f "$folder/.velmora.new" "$folder/velmora"
fi
for item in data Help_e.txt Help_r.txt; do
    ln -sfn "$shared/$item" "$folder/$item"
done
# The program's autostart entry names this launcher, so that it too runs the refreshed copy.
export VELMORA_LAUNCHER=/usr/bin/velmora
exec "$folder/velmora" "$@"
