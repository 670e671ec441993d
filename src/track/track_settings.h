// How the track code behaves in this run.
#pragma once

struct TrackSettings {
    int verbose = 0;                // 1: texture memory and loading lines, 2: also digests
    bool editor = false;            // the track editor is reachable
    bool load_normal_maps = true;   // statues look for "_norm" maps
    bool load_specular_maps = true; // statues look for "_spec" maps
};

extern TrackSettings track_settings;
