#!/bin/sh
# Installs the Debian packages Rutvale builds, runs and tests with, when any is
# missing. Safe to run again: packages already present are left alone.
set -eu

packages="build-essential cmake pkg-config
libode-dev libpng-dev zlib1g-dev nettle-dev libsdl2-dev
libgl-dev libgl1-mesa-dri
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth xdotool x11-apps clang-format
clang libclang-rt-14-dev
libfreetype-dev fonts-dejavu-core povray
python3"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
else
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
