#!/usr/bin/env bash
# The whole system on one desktop: the operator's program with its server started, and two
# displays in windows of their own, registered as "Client 1" and "Client 2". Everything runs
# from a folder of its own under /tmp with settings of its own, so your own program folder and
# settings stay untouched. Close the operator's window (or press Ctrl+C here) to end the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target velmora velmora-display

demo=$(mktemp -d /tmp/velmora-demo-XXXXXX)
port=5678
while ss -ltn "sport = :$port" | grep -q LISTEN; do port=$((port + 1)); done

cp build/velmora "$demo/velmora"
ln -s "$PWD/build/data" "$demo/data"
cp build/Help_e.txt build/Help_r.txt "$demo/"
cat >"$demo/velmora.ini" <<INI
[ServerParams]
ServerPort=$port
ServerAutoStart=1
[ClientDisplay_Client1]
DisplayType=8
[DisplayParams_Client1_8]
Edits_0_Text=Fresh bread every morning
Edits_1_Text=Rye 2.10
Edits_2_Text=Wheat 1.80
Edits_3_Text=Rolls 0.40
Edits_4_Text=Cake 3.50
Edits_5_Text=Open from 7 to 19
[ClientDisplay_Client2]
DisplayType=2
[DisplayParams_Client2_2]
Edits_0_Text=The video of display type 2, looping
INI

export XDG_CONFIG_HOME=$demo/config
"$demo/velmora" &
operator=$!
displays=()
cleanup() {
    kill "${displays[@]}" "$operator" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM
for client in 1 2; do
    # Each display keeps its last layout in a state folder of its own, as on its own machine,
    # and, since the server knows a display by its address, connects from an address of its own.
    XDG_STATE_HOME=$demo/state-$client build/velmora-display --windowed 640x500 \
        --server "127.0.0.1:$port" --source "127.0.0.$((client + 1))" --name "Client $client" &
    displays+=($!)
done
echo "Operator's program and two displays started (server on port $port, files in $demo)."
echo "Select a client, step its display type or edit its layout, then press its refresh button."
wait "$operator"
