// Surface types: how each kind of ground looks, grips, resists rolling and
// what it throws up under a spinning wheel. Read from a track's "tileinfo"
// (keyword statements) or, without one, its "texturelist" (a line a type).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GameFile;
struct Terrain;

enum { SURFACE_POINTS = 8, SURFACE_EMITTERS = 4, SURFACE_TYPES_MAX = 256 };

// One roost emitter of a surface (what a wheel throws up).
struct RoostEmitter {
    int kind = 0; // 0 none, 1 roost, 2 splash
    unsigned texture = 0;
    float count = 10.0f, dig = 1.0f, slip_threshold = 4.0f;
    float slow_angle = 1.5707964f, fast_angle = 0.19634955f;
    float slow_speed = 0.0f, fast_speed = 64.0f;
    float size = 0.25f, grow = 4.0f, drag = 0.5f, vscale = 1.0f, randomize = 15.0f;
    uint8_t colour[4] = {255, 255, 255, 255};
    uint8_t fade[4] = {0, 0, 0, 254}; // change per simulation step
};

struct SurfaceType {
    unsigned texture = 0;
    int32_t code = 0; // base type << 16 | other type << 8 | corner mask
    float friction[SURFACE_POINTS];
    float friction_speed[SURFACE_POINTS]; // ascending; 0 ends the curve
    float roll_low[SURFACE_POINTS], roll_high[SURFACE_POINTS];
    float roll_speed[SURFACE_POINTS];
    RoostEmitter roost[SURFACE_EMITTERS];
    std::string texture_file; // file name without "@" and folders
};

// Reads "tileinfo" into the terrain's surface table; always succeeds.
int load_tileinfo(Terrain *terrain, GameFile *file);

// Reads "texturelist" into the terrain's surface table.
void load_texturelist(Terrain *terrain, GameFile *file);

// Sets every type's transition code from the texture file names.
void compute_surface_codes(std::vector<SurfaceType> *surfaces);

// Transition code of one texture file name among all names; -1 when it is not
// a transition tile (then the caller uses t << 16 | t << 8).
int32_t surface_code(const std::string &name, const std::vector<std::string> &names);

// Friction coefficient at a speed (interpolated in squared speed).
float surface_friction(const SurfaceType &type, float speed);

// Rolling resistance (low, high) at a speed (interpolated in speed).
void surface_roll_resist(const SurfaceType &type, float speed, float *low, float *high);
