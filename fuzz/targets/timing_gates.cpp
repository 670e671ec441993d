// The track's "timing_gates" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(timing_gates)
{
    fuzz_track_with("timing_gates", data, size);
    fuzz_load_track();
}
