# Driving the real game on a test's own X server: sourced by the end-to-end
# tests after they set `out`, `game` and `log` (the game's lastlog.txt).
# Keys and clicks go to the game's window with xdotool; screenshots are
# taken with xwd and saved as PNG files in "$out/shots".

drive_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
game_pid=
window=

fail() {
    echo "FAILED: $*"
    [ -f "$log" ] && { echo "---- lastlog"; grep -v GL_EXTENSIONS "$log" | tail -40; }
    [ -f "$out/game.out" ] && { echo "---- game output"; tail -20 "$out/game.out"; }
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    exit 1
}

# Starts the game with options and waits until it reads its input: keys
# sent before its main loop runs would be lost.
start_game() {
    rm -f "$log"
    "$game" --nosound --debug --width 1024 --height 768 "$@" > "$out/game.out" 2>&1 &
    game_pid=$!
    window=
    for _ in $(seq 100); do
        window=$(xdotool search --name '^Rutvale$' 2>/dev/null | head -1)
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || fail "the game's window did not appear"
    xdotool windowfocus "$window" 2>/dev/null
    for _ in $(seq 300); do
        grep -q "Entering the main loop" "$log" 2>/dev/null && break
        sleep 0.2
    done
    grep -q "Entering the main loop" "$log" || fail "the game never reached its main loop"
    sleep 1
}

# A key that opens a menu page blocks the menus for the rest of that frame,
# so keys are sent far enough apart to fall into different frames even
# when a loaded machine draws slowly.
key() {
    for k in "$@"; do
        xdotool key --window "$window" "$k"
        sleep 0.4
    done
}

# Screenshots are converted to PNG beside the test's run; shots_done waits
# for every conversion and fails when one did not make its picture.
shot() {
    echo "screenshot $1"
    sleep 0.5
    xwd -root -silent > "$out/shots/$1.xwd" || fail "no screenshot"
    (python3 "$drive_dir/xwd_to_png.py" "$out/shots/$1.xwd" "$out/shots/$1.png" && rm -f "$out/shots/$1.xwd") &
}

shots_done() {
    wait
    ls "$out"/shots/*.xwd 2>/dev/null && fail "screenshots not converted"
    return 0
}
