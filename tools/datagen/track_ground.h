// The generated ground of one track.
#pragma once

#include "course.h"

#include <cstdint>
#include <vector>

// Surface type indices of the generated "tileinfo", in file order.
enum SurfaceIndex {
    SURFACE_GRASS,
    SURFACE_DIRT,
    SURFACE_PACKED,
    SURFACE_MUD,
    SURFACE_FIRST_TRANSITION, // dirt-grass-0001 .. dirt-grass-1110 follow
};

struct Ground {
    int level, tiles, points;
    float spacing;
    std::vector<float> heights;    // points * points
    std::vector<uint8_t> tile_map; // tiles * tiles
};

// Computes the heights and tiles of a course's terrain.
Ground build_ground(const Course &course);

// Writes "terrain.hf", "terrain.png", "shading.ppm", "shadows.pgm",
// "tilemap", "tileinfo", "decals" and "map.png" of a track folder.
void write_ground(const Course &course, const Ground &ground);

// Sun direction of every track (towards the sun).
extern const float sun_direction[3];
