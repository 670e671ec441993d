// The track's "flaggers" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(flaggers)
{
    fuzz_track_with("flaggers", data, size);
    fuzz_load_track();
}
