// The terrain's maps: "shading.ppm", "shadows.pgm", "tilemap" and "decals",
// the input's four parts in that order.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(terrain_maps)
{
    std::vector<std::string> parts = fuzz_split(data, size, 4);
    const char *names[4] = {"shading.ppm", "shadows.pgm", "tilemap", "decals"};
    for (int k = 0; k < 4; ++k)
        fuzz_track_with(names[k], (const uint8_t *)parts[k].data(), parts[k].size());
    fuzz_load_track();
}
