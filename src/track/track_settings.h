// How the track code behaves in this run.
#pragma once

struct TrackSettings {
    int verbose = 0;     // 1: texture memory and loading lines, 2: also digests
    bool editor = false; // the track editor is reachable
};

extern TrackSettings track_settings;
