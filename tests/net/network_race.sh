#!/bin/bash
# Network races end to end on 127.0.0.1: rutvale-server, the game (under
# the test's X server, the pilot riding for the player) and headless
# rutvale-sim clients.
#
#   network_race.sh MODE SERVER SIM GAME OUTPUT_DIR
#
# MODE race: three clients race 2 laps while hostile datagrams hit the
#            server; every client sees the others move and all three are
#            in every client's final results.
# MODE lossy: the same through --fake-lag 150 --fake-loss 10, with a
#            fourth client killed mid-race: the server drops it and the
#            race goes on to its results.
# MODE password: a wrong password is refused with the client's message; the
#            right one joins.
set -u
mode=$1 server=$2 sim=$3 game=$4 out=$5
rm -rf "$out"
mkdir -p "$out/home"
cd "$out"
export XDG_DATA_HOME="$out/home"

port=$((20000 + ($$ % 20000)))
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    for f in server.log client*.log game.log home/Rutvale/lastlog.txt; do
        [ -f "$f" ] && { echo "---- $f"; tail -40 "$f"; }
    done
    exit 1
}

start_server() {
    "$server" --port "$port" "$@" > server.log 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        grep -q "listening on UDP port" server.log && return
        sleep 0.1
    done
    fail "the server did not start"
}

# Every kind of bad datagram, from an address that is no client: too short,
# unknown kinds, oversized, a state and a leave for slot 0 with a wrong key,
# a reliable message with a huge count, an ack for another slot.
hostile() {
    local target=/dev/udp/127.0.0.1/$port
    for _ in $(seq 20); do
        printf '\x0b\x00\x00' > "$target"
        printf '\xc8hello' > "$target"
        printf '\x63' > "$target"
        head -c 3000 /dev/zero | tr '\0' '\021' > "$target"
        { printf '\x0b\x00\x00\x00\x00\x01\x02\x03\x04'; head -c 51 /dev/urandom; } > "$target"
        printf '\x0f\x00\x00\x00\x00\x01\x02\x03\x04' > "$target"
        printf '\x11\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x15\x01\x00\x00\x00\xff\xff\xff\x7f' > "$target"
        printf '\x12\x01\x00\x00\x00\x01\x00\x00\x00' > "$target"
        sleep 0.2
    done
}

case $mode in
race | lossy)
    fake=()
    [ "$mode" = lossy ] && fake=(--fake-lag 150 --fake-loss 10)
    start_server --tracks quarry --laps 2 --gate-delay 12 --results-time 30 --timeout 5
    "$game" --connect "127.0.0.1:$port" --autopilot --width 480 --height 360 --lock-fps 15 --nosound \
        "${fake[@]}" > game.log 2>&1 &
    game_pid=$!
    pids+=($game_pid)
    "$sim" --connect "127.0.0.1:$port" --name Alpha --number 11 --seconds 300 "${fake[@]}" > client1.log 2>&1 &
    c1=$!
    pids+=($c1)
    "$sim" --connect "127.0.0.1:$port" --name Bravo --number 22 --seconds 300 "${fake[@]}" > client2.log 2>&1 &
    c2=$!
    pids+=($c2)
    if [ "$mode" = lossy ]; then
        "$sim" --connect "127.0.0.1:$port" --name Victim --number 33 --seconds 300 "${fake[@]}" > client3.log 2>&1 &
        victim=$!
        pids+=($victim)
    fi
    # Into the race: the gate drops 12 s after the first arrival.
    for _ in $(seq 300); do
        grep -q "the gate drops" server.log && break
        sleep 0.1
    done
    grep -q "the gate drops" server.log || fail "the race never started"
    if [ "$mode" = race ]; then
        hostile
        grep -q "dropped from" server.log || fail "the hostile datagrams were not noticed"
    else
        sleep 20
        kill -9 "$victim"
        for _ in $(seq 150); do
            grep -q "left (timed out)" server.log && break
            sleep 0.1
        done
        grep -q "left (timed out)" server.log || fail "the killed client was not dropped"
    fi
    kill -0 $c1 $c2 $game_pid 2>/dev/null || fail "a client stopped during the race"
    wait $c1 || fail "client 1 did not ride to the final results"
    wait $c2 || fail "client 2 did not ride to the final results"
    for log in client1.log client2.log; do
        # A rider held up (a fall at the start, say) may be lapped and
        # finish a lap down: every one of the three is in the results.
        [ "$(grep -c '^place [0-9]* slot [0-9]* laps [12] finished' $log)" -ge 3 ] || fail "$log: not all three finished"
        grep -q '^place [0-9]* slot [0-9]* laps 2 finished' $log || fail "$log: nobody rode the 2 laps"
        [ "$(grep -c 'seen moving in' $log)" -ge 2 ] || fail "$log: the other riders were not seen moving"
    done
    grep -q "Alpha" client2.log && grep -q "Bravo" client1.log || fail "the riders' names did not arrive"
    # The game writes its results when they are final.
    for _ in $(seq 300); do
        [ -f home/Rutvale/results.txt ] && break
        sleep 0.1
    done
    [ -f home/Rutvale/results.txt ] || fail "the game wrote no results"
    for number in 11 22 999; do
        grep -q "^ *$number |" home/Rutvale/results.txt || fail "rider $number missing in the game's results"
    done
    kill -TERM "$game_pid"
    wait "$game_pid" || fail "the game did not shut down cleanly"
    grep -q "slot 0 finished\|slot 1 finished" server.log || fail "the server saw nobody finish"
    server_pid=${pids[0]}
    kill -TERM "$server_pid"
    wait "$server_pid" || fail "the server did not stop cleanly on SIGTERM"
    grep -q "stopping" server.log || fail "the server did not log its stop"
    ;;
password)
    start_server --tracks quarry --password 'open sesame' --gate-delay 30
    "$sim" --connect "127.0.0.1:$port" --password not-the-one --seconds 10 > client1.log 2>&1
    [ $? -ne 0 ] || fail "a wrong password was let in"
    grep -q "message: Wrong password" client1.log || fail "no wrong-password message"
    grep -q "message: Disconnected" client1.log || fail "not disconnected"
    grep -q "refused: wrong password" server.log || fail "the server did not log the refusal"
    grep -q "open sesame\|not-the-one" server.log && fail "the password appeared in the server's log"
    "$sim" --connect "127.0.0.1:$port" --password 'open sesame' --seconds 4 > client2.log 2>&1
    grep -q "joins race" server.log || fail "the right password was refused"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "passed: $mode"
