// The world beyond the track's height field: the ground running on from its
// border, hills with woods on them out to the fog, and the tape fence along
// the edge of the ridden ground.
#pragma once

#include <cstddef>
#include <vector>

struct Billboard;
struct Terrain;

// Draws the land around a terrain, fogged as the scene is, and the fence at
// its bounds. The land is built on first use for each terrain and again
// when its heights change (the editor).
void far_land_draw(const Terrain &terrain, const float eye[3]);

// Woods beyond the fence made of the track's own trees: copies of its tall
// billboards (from `first` on) scattered over the land outside, thick where
// the far land is dark with woods. Appended to `out`; the same terrain and
// billboards give the same trees.
void far_land_trees(const Terrain &terrain, const std::vector<Billboard> &billboards, size_t first,
                    std::vector<Billboard> *out);

// Forgets the built land (a track unloaded).
void far_land_free();
