#!/bin/bash
# The track editor used as a person uses it: the real game with --editor on
# its own X server, driven by xdotool. On a copy of a shipped track (saved
# into a fresh home folder, over the shipped files): raise a hill, undo it,
# raise it again, copy a statue, move a timing gate, save, export the scene;
# then rutvale-sim loads the saved track and races on it, and shows the
# hill, the moved gate and the new statue.
#
#   editor_e2e.sh GAME SIM OUTPUT_DIR [GENERATED_DATA]
#
# With POV-Ray installed, the exported scene is rendered small, its textures
# found in the generated data folder.
set -u
if [ -z "${EDITOR_E2E_OWN_DISPLAY:-}" ]; then
    export EDITOR_E2E_OWN_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
game=$1 sim=$2 out=$3 data=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out/home" "$out/shots"
cd "$out"
export XDG_DATA_HOME="$out/home"
log="$out/home/Rutvale/lastlog.txt"
. "$here/../ui/drive_game.sh"

# A press and release of the left button at a window pixel, held a while.
click_at() {
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.4
    xdotool mousedown --window "$window" 1
    sleep "${3:-0.5}"
    xdotool mouseup --window "$window" 1
    sleep 0.5
}

# The track before editing: its extent, gates and statues, and the ground
# where the hill goes. At zoom 1 the editor shows half the extent across
# the 768-pixel height, centred: pixel = world - extent/2 + (512, 384)
# scaled by 768 / (extent/2).
"$sim" --track rabbithill --riders 1 --seconds 1 --probe 0,0 > before.txt 2>&1 || fail "rutvale-sim: $(tail -3 before.txt)"
extent=$(sed -n 's/^track rabbithill: extent \([0-9.]*\).*/\1/p' before.txt)
[ -n "$extent" ] || fail "no extent in: $(head -3 before.txt)"
to_px() { awk -v x="$1" -v z="$2" -v e="$extent" 'BEGIN { s = 768 / (e / 2); printf "%d %d\n", (x - e / 2) * s + 512, (z - e / 2) * s + 384 }'; }
to_world() { awk -v px="$1" -v py="$2" -v e="$extent" 'BEGIN { s = (e / 2) / 768; printf "%.3f,%.3f\n", (px - 512) * s + e / 2, (py - 384) * s + e / 2 }'; }
# A gate and a statue shown on the map right of the panel.
pick() { # pick KIND: "index px py" of the first one well inside the map
    grep "^$1 " before.txt | while read -r _ index _ x z _; do
        set -- $(to_px "$x" "$z")
        if [ "$1" -gt 340 ] && [ "$1" -lt 980 ] && [ "$2" -gt 40 ] && [ "$2" -lt 720 ]; then
            echo "$index $1 $2"
            break
        fi
    done
}
read -r gate gate_px gate_py <<< "$(pick gate)"
read -r statue statue_px statue_py <<< "$(pick statue)"
[ -n "${gate:-}" ] && [ -n "${statue:-}" ] || fail "no gate or statue on the map: $(cat before.txt)"
hill_px=700 hill_py=560
hill=$(to_world $hill_px $hill_py)
gate_to_px=$((gate_px + 60)) gate_to_py=$((gate_py + 40))
copy_px=$((statue_px + 90)) copy_py=$((statue_py - 70))
"$sim" --track rabbithill --riders 1 --seconds 1 --probe "$hill" > before.txt 2>&1
ground_before=$(sed -n 's/^ground at .*: \([-0-9.]*\)$/\1/p' before.txt)
statues_before=$(grep -c "^statue " before.txt)

start_game --editor
# Time Trial on the default track (Rabbit Hill), then Tab into the editor.
key Down Down Down Return Down Return
sleep 3
grep -q "player at" "$log" || fail "the time trial did not start"
key Tab
xdotool mousemove --window "$window" $hill_px $hill_py
shot 01-editor
click_at $hill_px $hill_py
shot 02-hill-raised
key BackSpace
shot 03-undone
click_at $hill_px $hill_py
shot 04-hill-again
# Statues: the panel's 14th line; select one, copy it with "d" elsewhere.
click_at 60 $((8 + 13 * 16 + 8)) 0.2
click_at "$statue_px" "$statue_py" 0.2
xdotool mousemove --window "$window" $copy_px $copy_py
sleep 0.5
key d
shot 05-statue-copied
# Timing Gate ("9"): drag the gate's centre.
key 9
xdotool mousemove --window "$window" "$gate_px" "$gate_py"
sleep 0.4
xdotool mousedown --window "$window" 1
sleep 0.3
xdotool mousemove --window "$window" $gate_to_px $gate_to_py
sleep 0.6
xdotool mouseup --window "$window" 1
sleep 0.4
shot 06-gate-moved
key s
key p
shot 07-saved
key Tab
sleep 1
shot 08-back-to-the-race
kill "$game_pid"
wait "$game_pid"
game_pid=

saved=home/Rutvale/rabbithill
for f in terrain.hf terrain.png shading.ppm tilemap statues timing_gates billboards edinfo track.pov; do
    [ -s "$saved/$f" ] || [ "$f" = edinfo ] || fail "the editor did not save $f"
done
ls "$saved"/*.new 2>/dev/null && fail "a half-written file was left"
for part in "#declare statues = union {" "#declare billboards = union {" "#declare ground = height_field {" \
    'png "terrain.png"'; do
    grep -qF "$part" "$saved/track.pov" || fail "the scene lacks '$part'"
done
if command -v povray > /dev/null && [ -n "$data" ]; then
    # The scene with a camera and a light; the billboards' pictures stand in
    # as boxes (the export names them for a scene to define).
    {
        for id in $(grep -o "^	[A-Za-z_0-9]*()" "$saved/track.pov" | tr -d '\t()' | sort -u); do
            echo "#macro $id() box { <-0.5,0,-0.05>, <0.5,1,0.05> pigment { rgb <0.2,0.6,0.2> } } #end"
        done
        echo '#include "track.pov"'
        echo 'camera { location <768,600,-200> look_at <768,0,768> }'
        echo 'light_source { <0,2000,0> rgb 1 }'
        echo 'object { ground pigment { rgb <0.4,0.5,0.3> } }'
        echo 'object { statues }'
        echo 'object { billboards }'
    } > "$saved/scene.pov"
    (cd "$saved" && povray -W160 -H120 -D +Iscene.pov +O"$out/shots/09-povray.png" +L"$data" > "$out/povray.log" 2>&1) ||
        fail "povray refused the scene: $(tail -5 "$out/povray.log")"
    [ -s "$out/shots/09-povray.png" ] || fail "povray rendered nothing"
    echo "povray rendered the exported scene"
fi

gate_world=$(to_world $gate_to_px $gate_to_py)
copy_world=$(to_world $copy_px $copy_py)
"$sim" --track rabbithill --riders 2 --seconds 20 --probe "$hill" > after.txt 2>&1 || fail "rutvale-sim on the saved track: $(tail -3 after.txt)"
grep -q "state hash" after.txt || fail "rutvale-sim did not race the saved track"
ground_after=$(sed -n 's/^ground at .*: \([-0-9.]*\)$/\1/p' after.txt)
echo "hill at $hill: $ground_before -> $ground_after"
awk -v a="$ground_before" -v b="$ground_after" 'BEGIN { exit !(b > a + 7 && b < a + 8.5) }' ||
    fail "the hill is not there: $ground_before -> $ground_after (one raise of 8 expected, the undone one not twice)"
line=$(grep "^gate $gate at" after.txt)
echo "moved gate $gate to $gate_world: $line"
awk -v want="$gate_world" -v got="$line" 'BEGIN { split(want, w, ","); split(got, g, " ");
    exit !((g[4] - w[1])^2 + (g[5] - w[2])^2 < 9) }' || fail "gate $gate is not where it was dragged ($gate_world): $line"
statues_after=$(grep -c "^statue " after.txt)
[ "$statues_after" -eq $((statues_before + 1)) ] || fail "statues $statues_before -> $statues_after"
grep "^statue " after.txt | awk -v want="$copy_world" 'BEGIN { split(want, w, ","); found = 0 }
    { if (($4 - w[1])^2 + ($5 - w[2])^2 < 9) found = 1 } END { exit !found }' ||
    fail "no statue copied to $copy_world"
shots_done
echo "OK: the edited track loads and races; $(ls shots | wc -l) screenshots in $out/shots"
