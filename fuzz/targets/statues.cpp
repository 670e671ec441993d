// The track's "statues" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(statues)
{
    fuzz_track_with("statues", data, size);
    fuzz_load_track();
}
