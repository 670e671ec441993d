// The track's "billboards" file, read as the track loads.
#include "fuzz_target.h"
#include "fuzz_track.h"

FUZZ_TARGET(billboards)
{
    fuzz_track_with("billboards", data, size);
    fuzz_load_track();
}
