#!/bin/bash
# A desktop install under a prefix: the programs in bin/, the data in
# share/rutvale/, the desktop entry and icon; the installed game and
# simulator find their data there, with nothing pointing them at the build.
#
#   install.sh BUILD_DIR OUTPUT_DIR
set -u
build=$1 out=$2
rm -rf "$out"
mkdir -p "$out/home"
prefix="$out/prefix"
fail() {
    echo "FAILED: $*"
    exit 1
}
cmake --install "$build" --prefix "$prefix" > "$out/install.log" 2>&1 || fail "cmake --install: $(tail -5 "$out/install.log")"
for f in bin/rutvale bin/rutvale-server bin/rutvale-sim share/rutvale/zzzz.saf share/applications/rutvale.desktop \
    share/icons/hicolor/256x256/apps/rutvale.png; do
    [ -s "$prefix/$f" ] || fail "$f was not installed"
done
grep -q '^Exec=rutvale' "$prefix/share/applications/rutvale.desktop" || fail "the desktop entry does not start rutvale"
head -c 8 "$prefix/share/icons/hicolor/256x256/apps/rutvale.png" | grep -q PNG || fail "the icon is not a PNG picture"

export XDG_DATA_HOME="$out/home"
unset RV_HOME ZEPH_LOGFILE
"$prefix/bin/rutvale-sim" --riders 2 --seconds 2 > "$out/sim.log" 2>&1 || fail "the installed rutvale-sim: $(tail -3 "$out/sim.log")"
grep -q "state hash" "$out/sim.log" || fail "the installed rutvale-sim raced nothing"
"$prefix/bin/rutvale-server" --version | grep -q "^rutvale-server " || fail "the installed rutvale-server"

# The installed game starts on its data and reaches its menus.
[ -n "${DISPLAY:-}" ] || { echo "no display: the game itself not started"; exit 0; }
"$prefix/bin/rutvale" --nosound --debug > "$out/game.log" 2>&1 &
pid=$!
log="$out/home/Rutvale/lastlog.txt"
for _ in $(seq 100); do
    grep -q "GL_EXTENSIONS" "$log" 2>/dev/null && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
sleep 1
kill $pid 2>/dev/null
wait $pid
status=$?
grep -q "GL_EXTENSIONS" "$log" 2>/dev/null || fail "the installed game did not start: $(cat "$out/game.log")"
[ $status -eq 0 ] || fail "the installed game exited with $status"
echo "OK: installed under $prefix"
