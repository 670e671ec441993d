// The terrain's height field: "terrain.hf" with its heights inline, or its
// header with the heights in "terrain.png" (the input's second part).
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(terrain)
{
    std::vector<std::string> parts = fuzz_split(data, size, 2);
    fuzz_track_with("terrain.hf", (const uint8_t *)parts[0].data(), parts[0].size());
    fuzz_track_with("terrain.png", (const uint8_t *)parts[1].data(), parts[1].size());
    fuzz_load_track();
}
