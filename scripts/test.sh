#!/bin/sh
# Installs what is missing, builds Rutvale and runs the whole test suite:
# once as built (GL tests under a virtual X server), then every fuzz target
# for ten seconds, then the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure --parallel "$jobs" --timeout 600

./scripts/fuzz.sh 10

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DRUTVALE_SANITIZE=ON
cmake --build build-sanitize --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
LSAN_OPTIONS=suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build-sanitize --output-on-failure --parallel "$jobs" --timeout 900
