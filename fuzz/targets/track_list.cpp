// The track list: a track folder's "desc" file gives its display name.
#include "fuzz_target.h"

#include "files/paths.h"
#include "track/track_list.h"

FUZZ_TARGET(track_list)
{
    fuzz_write("listed/terrain.hf", "1 10 0 1\n");
    fuzz_write("listed/desc", data, size);
    game_files_reset();
    TrackList list = build_track_list(false);
    track_list_select(&list, "listed");
}
