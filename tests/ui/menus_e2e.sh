#!/bin/bash
# The game played from its menus as a person plays it: key presses sent to
# the real game's window on the test's X server (xdotool), screenshots of
# the screen (xwd) saved as PNG files named by page.
#
#   menus_e2e.sh GAME SIM OUTPUT_DIR
#
# Run 1: every page is walked and photographed; a control is captured on
#        the Customize Controls page (Throttle onto "w"); Quit writes the
#        configuration and the game exits 0.
# Run 2: the captured control is in the configuration and works: New Race,
#        Start, the player's bike on the gate, "w" held: the bike rides
#        faster than 40 mph.
# Run 3: a time trial starts from its page, then a demo from the Playback
#        Race page.
set -u
# The test takes an X server of its own: other tests' game windows on a
# shared display would take its key presses and show in its screenshots.
if [ -z "${MENUS_E2E_OWN_DISPLAY:-}" ]; then
    export MENUS_E2E_OWN_DISPLAY=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
game=$1 sim=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"
mkdir -p "$out/home" "$out/shots"
cd "$out"
export XDG_DATA_HOME="$out/home"
log="$out/home/Rutvale/lastlog.txt"
config="$out/home/Rutvale/config"
. "$here/drive_game.sh"

down() {
    for _ in $(seq "$1"); do key Down; done
}

wait_exit() {
    for _ in $(seq 50); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$game_pid" 2>/dev/null && fail "the game did not exit"
    wait "$game_pid"
    status=$?
    game_pid=
    return $status
}

# Main menu rows: 0 New Race, 1 Playback Race, 2 Points Series, 3 Time
# Trial, 4 Multiplayer, 5 Bike Setup, 6 Graphics/Sound Setup, 7 Customize
# Controls, 8 Quit. Every page opens with its row 0 selected, "Back to ...".
open_page() { # main-menu row, name of the screenshot
    down "$1"
    key Return
    shot "$2"
}

# ---- Run 1: every page, a captured control, Quit.
start_game
shot 00-main
open_page 0 01-new-race
down 2
key Return # Track: the chooser
shot 02-choose-track
key Return # Cancel: back to New Race
key Return # Back to Main Menu
open_page 1 03-playback-race
key Return
open_page 2 04-points-series
key Down Return # the first series ("Prev Page" is passed over on the first list page)
shot 04-series-standings
key Return Return # back to the list, back to the main menu
open_page 3 05-time-trial
key Return
open_page 4 06-multiplayer
key Return
open_page 5 07-bike-setup
key Down Return
shot 08-suspension-and-gearing
key Return # Back to Bike Setup
down 2
key Return
shot 09-advanced-stability-setup
key Return
down 6 # Riding Gear: its chooser
key Return
shot 10-choose-riding-gear
key Return # Cancel
key Up Up Up Up Up Up Return # Back to Main Menu
open_page 6 11-graphics-sound-setup
key Return
open_page 7 12-customize-controls
key Down Return # Throttle: capture
shot 13-capturing-throttle
key w
shot 14-throttle-on-w
key Return
key Escape # menus closed over the title
key t # the Chat key: the chat page
key h i
shot 15-chat
key Escape Escape # closed, then open on the main page again
open_page 8 16-exit
key Return # any key quits
wait_exit || fail "Quit did not exit 0"
[ -f "$config" ] || fail "Quit wrote no configuration"
grep -qi '^throttle_key=(k)w$' "$config" ||
    fail "the captured Throttle key is not in the configuration: $(grep -i throttle "$config")"

# ---- Run 2: a race from New Race, ridden with the captured key.
start_game
key Return # New Race
key Down Return # Start
sleep 1
shot 17-race-gate
xdotool keydown --window "$window" w
drop=
for _ in $(seq 450); do
    line=$(grep 'player at' "$log" | tail -1)
    if [ -n "$line" ]; then
        tick=$(echo "$line" | sed -n 's/.*Tick \([0-9]*\) (gate drop at \([0-9]*\)).*/\1/p')
        drop=$(echo "$line" | sed -n 's/.*Tick \([0-9]*\) (gate drop at \([0-9]*\)).*/\2/p')
        [ -n "$tick" ] && [ "$tick" -ge $((drop + 6 * 128)) ] && break
    fi
    sleep 0.2
done
shot 18-riding
xdotool keyup --window "$window" w
[ -n "$drop" ] || fail "the player's rider never rode: no speed in the log"
# The fastest the bike went while "w" was held (once a second in the log):
# held long enough, it reaches the fence round the map and stops there.
speed=$(grep 'player at' "$log" | sed -n 's/.*player at \([0-9.]*\) mph.*/\1/p' | sort -n | tail -1)
[ -n "$speed" ] || fail "no speed logged while riding (gate drop at tick $drop)"
echo "top speed with \"w\" held: $speed mph"
awk -v s="$speed" 'BEGIN { exit !(s > 40) }' || fail "the bike rode only $speed mph with \"w\" held"
key Escape # the menus over the stopped race
shot 19-menus-over-race
open_page 8 20-exit-again
key Return
wait_exit || fail "Quit did not exit 0 after the race"

# ---- Run 3: a time trial, then a demo played from the Playback Race page.
mkdir -p home/Rutvale/demos
"$sim" --track quarry --riders 2 --seconds 20 --record @demos/robots.rvdemo > sim.out 2>&1 ||
    fail "rutvale-sim could not record a demo: $(tail -3 sim.out)"
[ -s home/Rutvale/demos/robots.rvdemo ] || fail "no demo recorded"
start_game
down 3
key Return Down Return # Time Trial, Start
sleep 3
shot 21-time-trial
grep -q 'player at' "$log" || fail "the time trial did not start with the player's bike"
# The rear wheel spun against the front brake throws roost (chase view).
key Tab
xdotool keydown --window "$window" w c
sleep 1.2
shot 21-time-trial-roost
xdotool keyup --window "$window" w c
key Escape
down 1
key Return # Playback Race
key Down Down Down # Playback Mode, Prev Page (skipped? no: it is a row), the first demo
shot 22-playback-list
key Return
sleep 3
shot 23-playback
key Escape
open_page 8 24-exit-last
key Return
wait_exit || fail "Quit did not exit 0 after the playback"
grep -q "Playing the demo '@demos/robots.rvdemo'" "$log" || fail "the demo did not play"
shots_done
echo "OK: $(ls shots | wc -l) screenshots in $out/shots"
