// The track's "lighting" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(lighting)
{
    fuzz_track_with("lighting", data, size);
    fuzz_load_track();
}
