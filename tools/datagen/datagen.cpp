// datagen: writes Rutvale's default game data into a folder, the same bytes
// on every run. The build packs that folder into the data archive.
//
//   datagen <output folder>
#include "art.h"
#include "output.h"
#include "tracks.h"

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: datagen <output folder>\n");
        return 2;
    }
    output_root = argv[1];
    mkdir(output_root.c_str(), 0755);
    generate_ground_art();
    generate_props();
    generate_sky();
    generate_hud();
    generate_misc();
    generate_bikes();
    generate_rider();
    generate_tracks();
    return 0;
}
