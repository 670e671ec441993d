// The track's "texturelist" file, read as the track loads when it has no
// "tileinfo".
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(texturelist)
{
    fuzz_track_with("", nullptr, 0);
    fuzz_remove("small/tileinfo");
    fuzz_track_with("texturelist", data, size);
    fuzz_load_track();
}
