// The ground's painted textures: the surface-type tiles, the decals and the
// shading map combined into textures the ground is drawn with.
//
// Levels t = 0..5 each keep a 4x4 window of textures around the camera; a
// level-t texture covers a block of 2^t x 2^t tiles and the window scrolls
// toroidally as the camera moves. Level 6 covers the whole ground in blocks
// of 64 x 64 tiles (the whole grid on smaller ones). The shading map is held
// as "low detail" textures of 448 grid intervals plus a border that the
// painting multiplies in.
#pragma once

#include "render/render_target.h"

#include <cstdint>
#include <vector>

struct Terrain;

enum { GROUND_WINDOW_LEVELS = 6, GROUND_COARSE_LEVEL = 6 };

struct GroundSlot {
    int block_x = -1, block_z = -1; // the block the texture is for
    bool ready = false;             // painted for that block
    unsigned texture = 0;
};

struct GroundTextures {
    int dim = 128;  // pixels per side of a painted texture
    int finest = 1; // finest window level used
    bool mipmaps = true;
    RenderTarget target;
    bool split_large_decals = false; // the driver draws big quads wrongly
    GroundSlot windows[GROUND_WINDOW_LEVELS][16];
    int window_start[GROUND_WINDOW_LEVELS][2] = {};
    int coarse_blocks = 0, coarse_tiles = 0; // level 6: blocks per side, tiles per block
    std::vector<GroundSlot> coarse;          // not ready: dirty
    int low_side = 0, low_size = 0;          // W and pixels per low-detail texture
    std::vector<unsigned> low;
    std::vector<uint8_t> low_dirty;
    std::vector<int> bins[64];           // decal indices, sorted
    int painted = 0, decals_painted = 0; // this frame
};

// Settings the painting takes from the options.
struct GroundTextureSettings {
    int dim;    // 32 << choice
    int finest; // 0..6
    bool mipmaps;
    bool use_fbo;
    bool verbose;
};

// Block (in tiles, per side) covered by a texture of level t (6: coarse).
int ground_block_tiles(const GroundTextures &g, int t);

// Window start block of one axis at level t for a camera tile coordinate.
int ground_window_start(const Terrain &terrain, int t, int camera_tile);

// Creates the window, coarse and placeholder textures and the frame buffer
// (anew: earlier ones and the decal bins go; the low-detail textures stay).
void ground_textures_create(GroundTextures *g, const Terrain &terrain, const GroundTextureSettings &settings);

// Builds (or, with `only_dirty`, refreshes one dirty) low-detail texture.
void low_detail_textures_build(GroundTextures *g, const Terrain &terrain);
void low_detail_refresh_one(GroundTextures *g, const Terrain &terrain);

// Moves the windows to the camera (world x, z), marking reused slots not
// ready; with `recentre` every slot is repainted.
void ground_windows_update(GroundTextures *g, const Terrain &terrain, float x, float z, bool recentre);

// Paints every due texture; returns how many.
int ground_paint_due(GroundTextures *g, const Terrain &terrain);

// The texture to draw a node covering tiles [tile_x, tile_x + tiles) x
// [tile_z, tile_z + tiles) with, and the grid point its (0, 0) corner and
// the grid intervals its side span.
struct GroundChoice {
    unsigned texture;
    int origin_i, origin_j, span;
};
GroundChoice ground_texture_for(const GroundTextures &g, int tile_x, int tile_z, int tiles);

// Decal bins: index of a decal of the terrain's list, added, removed (the
// later indices move down by one); the textures under it repaint.
void ground_add_decal(GroundTextures *g, const Terrain &terrain, int index);
void ground_remove_decal(GroundTextures *g, const Terrain &terrain, int index);

// Bin range [lo, hi] of one axis for a span of world coordinates.
void decal_bin_range(float extent, float lo, float hi, int *first, int *last);

// Marks every texture over a world rectangle for repainting.
void ground_mark_dirty(GroundTextures *g, const Terrain &terrain, float x0, float z0, float x1, float z1);

// Deletes every texture and the frame buffer.
void ground_textures_free(GroundTextures *g);
