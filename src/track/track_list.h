// The list of tracks: every game folder holding a "terrain.hf" (or
// "terrain.hf.gz"), with the display name from its "desc" file.
#pragma once

#include <string>
#include <vector>

struct TrackList {
    std::vector<std::string> folders; // track folder names, e.g. "rabbithill"
    std::vector<std::string> names;   // display names, same order
    int selected = 0;                 // the track choice of the menus
};

// The game-file name of a file of a track's folder: "@quarry/statues".
std::string track_file(const std::string &folder, const std::string &name);

// The track raced when nothing else was chosen.
extern const char default_track_folder[];

// A track's display name: the first line of its "desc" file, else its
// folder name.
std::string track_description(const std::string &folder);

// Builds the list sorted by display name ignoring case; with `verbose` logs
// "folder -> name" per track.
TrackList build_track_list(bool verbose);

// Selects the track of a folder; false (selection unchanged) when absent.
bool track_list_select(TrackList *list, const std::string &folder);
