#!/bin/sh
# Fails when the headless simulator needs a window, GL or audio library, or
# the simulation library calls into one.
#   check-sim-links.sh SIMULATOR SIMULATION_LIBRARY
set -eu
status=0
if readelf -d "$1" | grep -E 'NEEDED.*(libSDL|libGL|libOpenGL|libGLX|libEGL|libasound|libpulse)'; then
    echo "$1 links a window, GL or audio library"
    status=1
fi
calls=$(nm -u "$2" | grep -E ' (SDL_[A-Za-z_]+|gl[A-Z][A-Za-z0-9]+)$' | sort -u || true)
if [ -n "$calls" ]; then
    echo "$calls"
    echo "$2 calls SDL or GL"
    status=1
fi
[ $status -eq 0 ] && echo "the simulation links no window, GL or audio library"
exit $status
