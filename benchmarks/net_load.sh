#!/bin/bash
# net_load: rutvale-server with 39 headless clients racing for 60 s on
# 127.0.0.1; prints the server's share of one core and the bytes it sends
# and receives per client per second.
#
#   benchmarks/net_load.sh [BUILD_DIR] [CLIENTS] [SECONDS]
set -u
build=${1:-build} clients=${2:-39} seconds=${3:-60}
server=$build/rutvale-server sim=$build/rutvale-sim
out=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$out"' EXIT
port=$((20000 + ($$ % 20000)))
export XDG_DATA_HOME=$out/home

"$server" --port "$port" --tracks quarry --laps 20 --gate-delay 15 > "$out/server.log" 2>&1 &
server_pid=$!
sleep 1
for n in $(seq "$clients"); do
    "$sim" --connect "127.0.0.1:$port" --name "Load$n" --number "$n" --seconds $((seconds + 30)) > "$out/client$n.log" 2>&1 &
done
# The measured minute starts once every client has joined.
for _ in $(seq 600); do
    [ "$(grep -c 'joins race' "$out/server.log")" -ge "$clients" ] && break
    sleep 0.1
done
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$server_pid/stat"; }
cpu_before=$(cpu)
start=$(date +%s.%N)
sleep "$seconds"
cpu_after=$(cpu)
end=$(date +%s.%N)
kill -TERM "$server_pid"
wait "$server_pid"
line=$(grep "stopping:" "$out/server.log")
sent=$(echo "$line" | sed -n 's/.*; \([0-9]*\) bytes sent, \([0-9]*\) received.* in \([0-9]*\) s$/\1/p')
received=$(echo "$line" | sed -n 's/.*; \([0-9]*\) bytes sent, \([0-9]*\) received.* in \([0-9]*\) s$/\2/p')
uptime=$(echo "$line" | sed -n 's/.* in \([0-9]*\) s$/\1/p')
joined=$(grep -c 'joins race' "$out/server.log")
echo "clients joined:                 $joined of $clients"
echo "$(awk -v a="$cpu_before" -v b="$cpu_after" -v t="$ticks" -v s="$start" -v e="$end" \
    'BEGIN { printf "server CPU share:               %.1f %% of one core over %.0f s", 100 * (b - a) / t / (e - s), e - s }')"
echo "$(awk -v b="$sent" -v r="$received" -v n="$clients" -v u="$uptime" \
    'BEGIN { printf "bytes per client per second:    %.0f sent, %.0f received (averaged over the server'"'"'s %d s)", b / n / u, r / n / u, u }')"
grep -c "finished" "$out/server.log" | xargs echo "riders finished (20 laps: none expected):"
