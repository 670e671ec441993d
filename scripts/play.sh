#!/bin/sh
# Installs what is missing, builds Rutvale with its generated default data and
# starts the game. Arguments are passed on to the game.
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc 2>/dev/null || echo 2)" --target rutvale
exec ./build/game/rutvale "$@"
