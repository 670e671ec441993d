// The track's "tileinfo" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(tileinfo)
{
    fuzz_track_with("tileinfo", data, size);
    fuzz_load_track();
}
