#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 10) over its corpus: seeds made from the generated game data and small
# hand-made files, what earlier runs found (build-fuzz/corpus) and the inputs
# kept in fuzz/regressions. Fails when any target finds anything; the input
# that did it is left in build-fuzz/findings/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. scripts/fuzz.sh 600 png
#
# Two targets run at a time (FUZZ_JOBS=N for another number); each reports
# its executions and their rate.
set -eu
cd "$(dirname "$0")/.."

# One target: scripts/fuzz.sh --one NAME SECONDS
if [ "${1:-}" = "--one" ]; then
    name=$2
    seconds=$3
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus" "fuzz/regressions/$name"
    if [ -d "build-fuzz/seeds/$name" ]; then
        cp -n build-fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
    fi
    log=build-fuzz/logs/$name.log
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=512 -max_len=65536 -print_final_stats=1 -close_fd_mask=3 \
        -artifact_prefix="build-fuzz/findings/$name-" "$corpus" "fuzz/regressions/$name" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        printf '%-14s %10s runs %8s per second\n' "$name" "$runs" "$rate"
        exit 0
    fi
    echo "$name: FOUND A FAULT (see $log and build-fuzz/findings/$name-*)"
    grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -5
    exit 1
fi

seconds=${1:-10}
[ $# -gt 0 ] && shift
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
jobs=${FUZZ_JOBS:-$jobs}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUTVALE_FUZZ=ON \
    -DRUTVALE_TESTS=OFF >/dev/null
cmake --build build-fuzz --target fuzzers --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null

if [ $# -gt 0 ]; then
    targets="$*"
else
    targets=$(ls fuzz/targets | sed -n 's/\.cpp$//p')
fi

./fuzz/make_seeds.sh build-fuzz/seeds build/generated/data
mkdir -p build-fuzz/corpus build-fuzz/findings build-fuzz/logs

printf '%s\n' $targets |
    xargs -P "$jobs" -I{} sh -c "./scripts/fuzz.sh --one {} $seconds > build-fuzz/logs/{}.result 2>&1" || true

status=0
for name in $targets; do
    cat "build-fuzz/logs/$name.result"
    grep -q "runs" "build-fuzz/logs/$name.result" || status=1
done
exit $status
