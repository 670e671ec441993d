// The loaded track: its folder and name, ground, objects, map and identity.
#pragma once

#include "files/digest.h"
#include "track/objects.h"
#include "track/terrain.h"

#include <string>

struct Track {
    std::string folder; // e.g. "rabbithill"; empty when none is loaded
    std::string display_name;
    uint8_t digest[DIGEST_SIZE] = {}; // identity of what the riding depends on
    Terrain terrain;
    TrackObjects objects;
    unsigned map_texture = 0;
    int serial = 0; // a number no other load of the process had (0: none loaded)
};

// Loads the track of a folder in the fixed order; `display_name` is its name
// in the track list (empty: the folder). 1 on success; 0 when the ground
// could not be loaded, leaving no track.
int load_track(Track *track, const std::string &folder, const std::string &display_name);

// Frees everything of a track; it is empty again.
void unload_track(Track *track);

// Writes "@<folder>.trackinfo" (folder, name, lap gate counts, digest).
void save_track_info(const Track &track);
