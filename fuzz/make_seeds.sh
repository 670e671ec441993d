#!/bin/sh
# Makes the seed corpus of every fuzz target in OUT from the generated game
# data (small files of each kind) and small hand-made inputs.
#   fuzz/make_seeds.sh OUT GENERATED_DATA
set -eu
out=$1
data=$2
rm -rf "$out"
mkdir -p "$out"

seed() { # seed TARGET NAME: standard input becomes the seed
    mkdir -p "$out/$1"
    cat >"$out/$1/$2"
}
copy() { # copy TARGET FILE...: generated files (inflated) as seeds
    target=$1
    shift
    mkdir -p "$out/$target"
    for f in "$@"; do
        [ -f "$f" ] || continue
        name=$(echo "$f" | tr '/' '_')
        case "$f" in
        *.gz) gzip -dc "$f" | head -c 65536 >"$out/$target/${name%.gz}" ;;
        *) head -c 65536 "$f" >"$out/$target/$name" ;;
        esac
    done
}
sep='
----
'

printf '%s\n' '12 a.txt' '3 b/c.txt' '-' | cat - /dev/null >"$out/tmp.head"
{ cat "$out/tmp.head"; printf 'hello world\nabc'; } | seed archive small.saf
printf 'x\n-\n' | seed archive empty.saf
rm -f "$out/tmp.head"

printf 'texture @dirt.png\nfriction 1.0 10\naddtile\n12 -3 0x1f 1e5 [ 1 2 3 ]\n' | gzip -n | seed gzip text.gz
printf '' | gzip -n | seed gzip empty.gz

printf ' [ 1.5 -2 3e4 ] 7 \n12 -32768 0x7fffffff 0777 017 +5\nword another\n1.25x\n' | seed scanner numbers
printf 'P6\n2 2\n255\n' | cat - /dev/zero | head -c 23 | seed images rgb.ppm
printf 'P5\n2 2\n255\n\001\002\003\004' | seed images grey.pgm
printf 'P3\n1 1\n255\n10 20 30\n' | seed images text.ppm
printf 'J7 2 2\n' | cat - /dev/zero | head -c 23 | seed images j7

if [ -d "$data" ]; then
    copy png $(ls "$data"/billboards/*.png 2>/dev/null | head -3) "$data/quarry/map.png"
    copy textures $(ls "$data"/billboards/*.png 2>/dev/null | head -1)
    copy terrain "$data/quarry/terrain.hf"
    copy tileinfo "$data/quarry/tileinfo" "$data/rabbithill/tileinfo"
    copy billboards "$data/quarry/billboards" "$data/rabbithill/billboards"
    copy statues "$data/quarry/statues" "$data/rabbithill/statues"
    copy timing_gates "$data/quarry/timing_gates" "$data/rabbithill/timing_gates"
    copy flaggers "$data/quarry/flaggers" "$data/rabbithill/flaggers"
    copy lighting "$data/quarry/lighting" "$data/rabbithill/lighting"
    copy shapes $(ls "$data"/*.shp | head -4)
    copy models $(ls -S -r "$data"/*.jm | head -3)
    { head -c 200 "$data/quarry/decals"; } | seed terrain_maps decals_only
fi
{ printf 'ANIM1 2 1 4 0\n0 1\n'; printf 'P6\n2 2\n255\n'; head -c 12 /dev/zero; printf 'P6\n2 2\n255\n'; head -c 12 /dev/zero; } |
    seed textures two-frames.seq
{ printf '1 10 0 65.535\n'; printf '%s' "$sep"; } | seed terrain header-for-png
{ printf 'P6\n5 5\n255\n'; head -c 75 /dev/zero; printf '%s' "$sep"; printf 'P5\n5 5\n255\n'; head -c 25 /dev/zero
  printf '%s' "$sep"; printf '\000\001\000\001'; printf '%s' "$sep"; printf '[ 10 10 ] 0.5 4 1 @dirt.png\n'; } |
    seed terrain_maps all-maps
printf 'texture @dirt.png\ntexture @grass.png\n' | seed texturelist two
printf 'Rabbit Hill\nA hilly circuit\n' | seed track_list desc
printf 'ct03 4\n1\n2 500 1100 6 480 1050 3000 6500 1\n[1 2 3] 30.5 0.1\n[2 2 4] -31 0.2\n0\n1\n1 1 2 3 4 5 6 7 0\n[5 5 5] 1 0\n0\n' |
    seed lines two-sections
{ printf 'RV05 2 0 3 1800\nsmall\nkx125||||\n7\nyz250f(2009)|@a.png|||\n12\n'; head -c 390 /dev/zero | tr '\000' '\200'; } |
    seed demo two-riders
printf '# a pipe\npipe 5.2 0.92 -0.86 0 15\npipe 1 1 -0.5 4 7 # taps\nnot a pipe\n' | seed pipe two-pipes
copy pipe "$data"/*.pipeinfo
copy series "$data"/*.series
printf 'add_gradient 10 20 110 20\nadd_point 0 0 0\nadd_point 1 40 5\nadd_point 0 100 0\n' | seed edinfo two-segments
printf '"Cup" 1 Novice 20 1 "E" quarry 0 2 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0%s1 2 \n' "$sep" |
    seed series with-standings
printf 'video_mode=1\nxres=1024\nyres=768\nground_detail=nan\nmodel_detail=1e300\nnumber=42\n' | seed config some
printf '[sound-rate:44100][dsnd:no]\n--width\0001024\000--track\000rabbithill\000--lod-scale=2\000demo.rvdemo' |
    seed command_line typical
