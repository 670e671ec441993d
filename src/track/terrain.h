// The track's ground: a square grid of heights with its shading, shadow and
// tile maps, the surface types, the decals, and the queries every other part
// asks the ground (height, normal, average height, surface type).
//
// Grid point (i, j) lies at x = i*L, z = j*L and its height is at index
// i + P*j. Each cell (i, j) splits into two triangles along the diagonal
// (i, j)-(i+1, j+1) when i + j is even, and (i+1, j)-(i, j+1) when odd.
// Indices are clamped, so outside the grid the border heights continue.
#pragma once

#include "track/surface.h"

#include <cstdint>
#include <string>
#include <vector>

// A textured rectangle laid on the ground.
struct Decal {
    unsigned texture;
    float x, z;
    float angle;  // long axis (sin angle, cos angle) in (x, z)
    float length; // along the axis
    float aspect; // width across the axis / length
    float sin, cos;
};

struct Terrain {
    int level = 0;            // M: the tile map has N = 2^M tiles per side
    int tiles_per_side = 0;   // N
    int points_per_side = 0;  // P = 2N + 1
    float spacing = 0;        // L
    float extent = 0;         // 2N*L
    float double_spacing = 0; // 2L
    float min_height = 0, max_height = 0;
    std::vector<float> heights;    // P*P
    std::vector<uint8_t> shading;  // P*P*3, half the intensity of "shading.ppm"
    std::vector<uint8_t> shadows;  // P*P, 255 = no shadow
    std::vector<uint8_t> tile_map; // N*N
    std::vector<SurfaceType> surfaces;
    std::vector<Decal> decals;
    bool modified = false; // changed by the editor since loading
    bool locked = false;   // a race is running: the editor changes nothing
};

// The largest level a terrain file may give (a 4097-point grid per side).
enum { TERRAIN_MAX_LEVEL = 11 };

// The grid spacing a terrain file may give, in feet, and the largest height
// (either way): every ground query then stays cheap and every position on
// the ground within the reach of file positions.
constexpr float TERRAIN_MIN_SPACING = 1.0f / 64, TERRAIN_MAX_SPACING = 100, TERRAIN_MAX_HEIGHT = 100000;

// Reads every terrain file of a track folder (the "@" name without "@",
// e.g. "rabbithill") in order; 1 on success, 0 (with a message, record
// empty) on failure.
int load_terrain(Terrain *terrain, const std::string &folder);

// Frees maps, lists and textures; the record is empty again.
void free_terrain(Terrain *terrain);

// Writes "terrain.hf", "terrain.png", the shading maps, "tilemap" and
// "decals" of a track folder; 1 on success, 0 with a message.
int save_terrain(Terrain *terrain, const std::string &folder);

// A point of the surface or a direction.
struct Vec3 {
    float x, y, z;
};

// Height of the triangulated surface at (x, z).
float terrain_height(const Terrain &terrain, float x, float z);

// The ground riders may ride: the height field less a strip along its
// border, where the world's fence stands. The same from `lo` to `hi` along
// both x and z; empty (lo >= hi) for a terrain too small to have one.
struct TerrainBounds {
    float lo = 0, hi = 0;
};
TerrainBounds terrain_bounds(const Terrain &terrain);

// Upward normal of the triangle under (x, z), not normalised: L^2 times
// (-dh/dx, 1, -dh/dz).
Vec3 terrain_normal(const Terrain &terrain, float x, float z);

// Height smoothed over a disc of the given radius.
float terrain_average_height(const Terrain &terrain, float x, float z, float radius);

// The surface type index of the tile under (x, z).
int terrain_tile_at(const Terrain &terrain, float x, float z);

// Height of grid point (i, j), indices clamped to the grid. Inline: the
// contact tests read it for every triangle corner they walk.
inline float terrain_point(const Terrain &t, int i, int j)
{
    int last = t.points_per_side - 1;
    i = i < 0 ? 0 : i > last ? last : i;
    j = j < 0 ? 0 : j > last ? last : j;
    return t.heights[(size_t)i + (size_t)t.points_per_side * j];
}
