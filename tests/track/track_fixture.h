// A small track folder written by hand: level 1 (2x2 tiles, 5x5 points).
#pragma once

#include "test_folders.h"
#include "track/small_track.h"
#include "track/terrain.h"

#include <functional>

#include <string>
#include <vector>

// Writes a complete small track into `root/<folder>`.
void write_small_track(const std::string &root, const std::string &folder);

// An in-memory terrain of 2^level tiles (2^(level+1) + 1 points) a side with
// the heights a function gives for each point (i across, j down); every tile uses surface 0, which
// is a plain surface (friction 1, rolling resistance 5..15) when `surface`.
Terrain memory_terrain(int level, float spacing, const std::function<float(int i, int j)> &height,
                       bool surface = false);
