#!/bin/sh
# Fails when a source file includes a header of a higher layer, or names a
# type of a higher layer in a forward declaration. The layers, lowest first:
#   platform files track physics race robots net sound render ui editor core
# A layer may include its own headers and those of every layer below it.
set -eu
cd "$(dirname "$0")/.."

layers="platform files track physics race robots net sound render ui editor core"

rank() {
    n=0
    for l in $layers; do
        [ "$l" = "$1" ] && { echo $n; return; }
        n=$((n + 1))
    done
    echo -1
}

status=0
for dir in $layers; do
    [ -d "src/$dir" ] || continue
    own=$(rank "$dir")
    for file in src/"$dir"/*.cpp src/"$dir"/*.h; do
        [ -f "$file" ] || continue
        for target in $(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z_]*\)/.*".*|\1|p' "$file" | sort -u); do
            other=$(rank "$target")
            if [ "$other" -gt "$own" ]; then
                grep -n "#[[:space:]]*include[[:space:]]*\"$target/" "$file" | while IFS= read -r line; do
                    echo "$file:${line%%:*}: $dir includes a header of the higher layer $target"
                done
                status=1
            fi
        done
    done
done

# Forward declarations: a "struct Name;" (or class, or enum) whose type a
# higher layer's header defines.
defined=$(mktemp)
trap 'rm -f "$defined"' EXIT
for dir in $layers; do
    [ -d "src/$dir" ] || continue
    for header in src/"$dir"/*.h; do
        [ -f "$header" ] || continue
        sed -n 's/^\(struct\|class\|enum\)[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)\([[:space:]]*:[^;]*\)\{0,1\}[[:space:]]*{.*/\2/p' "$header" |
            while IFS= read -r type; do echo "$type $dir"; done
    done
done > "$defined"
for dir in $layers; do
    [ -d "src/$dir" ] || continue
    own=$(rank "$dir")
    for file in src/"$dir"/*.cpp src/"$dir"/*.h; do
        [ -f "$file" ] || continue
        for type in $(sed -n 's/^[[:space:]]*\(struct\|class\)[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]*;.*/\2/p' "$file" | sort -u); do
            for home in $(awk -v t="$type" '$1 == t { print $2 }' "$defined" | sort -u); do
                if [ "$(rank "$home")" -gt "$own" ]; then
                    echo "$file: $dir declares $type, a type of the higher layer $home"
                    status=1
                fi
            done
        done
    done
done

# The simulation (files to net) draws nothing and plays nothing.
for dir in files track physics race robots net; do
    [ -d "src/$dir" ] || continue
    if grep -n -E '#[[:space:]]*include[[:space:]]*[<"](SDL|GL/|GL\.h|AL/)' src/"$dir"/*.cpp src/"$dir"/*.h 2>/dev/null; then
        echo "the simulation layer $dir includes a window, GL or audio header"
        status=1
    fi
done

[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
