// Painting the ground textures: tiles, decals and shading into a texture
// through a frame buffer object, or through the back buffer without one.
#include "render/ground_textures.h"

#include "files/image.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "render/gl_caps.h"
#include "render/render_target.h"
#include "render/terrain_lod.h"
#include "render/texture_gl.h"
#include "track/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

const int LOW_STEP = 448, LOW_BORDER = 32;

int blocks_per_side(const Terrain &t, const GroundTextures &g, int level)
{
    return std::max(1, t.tiles_per_side / ground_block_tiles(g, level));
}

// A checkerboard of two earth tones scaled by `scale` (0..255).
unsigned placeholder_texture(int dim, int square, int scale, bool mipmaps)
{
    Image image;
    image.width = image.height = dim;
    image.channels = 3;
    image.pixels.resize((size_t)dim * dim * 3);
    static const uint8_t light[3] = {214, 190, 150}, dark[3] = {150, 128, 96};
    for (int y = 0; y < dim; ++y)
        for (int x = 0; x < dim; ++x) {
            const uint8_t *c = ((x / square + y / square) & 1) ? dark : light;
            for (int k = 0; k < 3; ++k)
                image.pixels[((size_t)y * dim + x) * 3 + k] = (uint8_t)(c[k] * scale / 255);
        }
    if (mipmaps)
        make_mipmaps(&image);
    unsigned id = texture_gl_create(image, false, false);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    return id;
}

void delete_texture(unsigned *id)
{
    if (*id) {
        GLuint name = *id;
        glDeleteTextures(1, &name);
        *id = 0;
    }
}

// World rectangle of a decal's corners.
void decal_bounds(const Decal &d, float *x0, float *z0, float *x1, float *z1)
{
    float half_length = d.length / 2, half_width = d.length * d.aspect / 2;
    float ex = std::fabs(d.sin) * half_length + std::fabs(d.cos) * half_width;
    float ez = std::fabs(d.cos) * half_length + std::fabs(d.sin) * half_width;
    *x0 = d.x - ex, *x1 = d.x + ex, *z0 = d.z - ez, *z1 = d.z + ez;
}

void each_bin(const Terrain &t, float x0, float z0, float x1, float z1, std::vector<int> (&bins)[64],
              void (*fn)(std::vector<int> &, int), int value)
{
    int fx, lx, fz, lz;
    decal_bin_range(t.extent, x0, x1, &fx, &lx);
    decal_bin_range(t.extent, z0, z1, &fz, &lz);
    for (int bz = fz; bz <= lz; ++bz)
        for (int bx = fx; bx <= lx; ++bx)
            fn(bins[bz * 8 + bx], value);
}

void draw_quad(float x0, float z0, float x1, float z1, float u0, float v0, float u1, float v1)
{
    glTexCoord2f(u0, v0), glVertex2f(x0, z0);
    glTexCoord2f(u1, v0), glVertex2f(x1, z0);
    glTexCoord2f(u1, v1), glVertex2f(x1, z1);
    glTexCoord2f(u0, v1), glVertex2f(x0, z1);
}

// A decal as a rectangle along its axis; with `pieces` > 1 as pieces x
// pieces smaller rectangles.
void draw_decal(const Decal &d, int pieces)
{
    float ax = d.sin * d.length, az = d.cos * d.length;                        // along
    float cx = d.cos * d.length * d.aspect, cz = -d.sin * d.length * d.aspect; // across
    float bx = d.x - ax / 2 - cx / 2, bz = d.z - az / 2 - cz / 2;
    glBegin(GL_QUADS);
    for (int p = 0; p < pieces; ++p)
        for (int q = 0; q < pieces; ++q) {
            float u0 = (float)p / pieces, u1 = (float)(p + 1) / pieces;
            float v0 = (float)q / pieces, v1 = (float)(q + 1) / pieces;
            auto corner = [&](float u, float v) {
                glTexCoord2f(u, v);
                glVertex2f(bx + cx * u + ax * v, bz + cz * u + az * v);
            };
            corner(u0, v0), corner(u1, v0), corner(u1, v1), corner(u0, v1);
        }
    glEnd();
}

// Draws the tiles, decals and shading of a world rectangle into the
// current viewport.
void paint_contents(GroundTextures *g, const Terrain &t, int tile_x, int tile_z, int tiles)
{
    float size = t.double_spacing;
    float x0 = tile_x * size, z0 = tile_z * size, x1 = (tile_x + tiles) * size, z1 = (tile_z + tiles) * size;
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // 1. The surface type of every tile, a whole tile texture per tile.
    int n = t.tiles_per_side;
    unsigned bound = ~0u;
    for (int j = tile_z; j < std::min(tile_z + tiles, n); ++j)
        for (int i = tile_x; i < std::min(tile_x + tiles, n); ++i) {
            int type = t.tile_map.empty() ? 0 : t.tile_map[(size_t)j * n + i];
            unsigned texture = type < (int)t.surfaces.size() ? t.surfaces[(size_t)type].texture : 0;
            if (texture != bound) {
                if (bound != ~0u)
                    glEnd();
                glBindTexture(GL_TEXTURE_2D, texture);
                glBegin(GL_QUADS);
                bound = texture;
            }
            draw_quad(i * size, j * size, (i + 1) * size, (j + 1) * size, 0, 0, 1, 1);
        }
    if (bound != ~0u)
        glEnd();

    // 2. The decals of the bins under the block, each once.
    std::vector<int> decals;
    int fx, lx, fz, lz;
    decal_bin_range(t.extent, x0, x1, &fx, &lx);
    decal_bin_range(t.extent, z0, z1, &fz, &lz);
    for (int bz = fz; bz <= lz; ++bz)
        for (int bx = fx; bx <= lx; ++bx)
            decals.insert(decals.end(), g->bins[bz * 8 + bx].begin(), g->bins[bz * 8 + bx].end());
    std::sort(decals.begin(), decals.end());
    decals.erase(std::unique(decals.begin(), decals.end()), decals.end());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    float pixels_per_foot = (float)g->dim / (x1 - x0);
    for (int index : decals) {
        if (index >= (int)t.decals.size())
            continue;
        const Decal &d = t.decals[(size_t)index];
        float dx0, dz0, dx1, dz1;
        decal_bounds(d, &dx0, &dz0, &dx1, &dz1);
        if (dx1 < x0 || dx0 > x1 || dz1 < z0 || dz0 > z1)
            continue;
        int pieces = 1;
        if (g->split_large_decals)
            while ((d.length * pixels_per_foot / (float)pieces > 256 || pieces < 2) && pieces < 64)
                pieces *= 2;
        glBindTexture(GL_TEXTURE_2D, d.texture);
        draw_decal(d, pieces);
        ++g->decals_painted;
    }

    // 3. Twice the ground times the shading (held at half intensity).
    glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    int p = t.points_per_side, i0 = 2 * tile_x, j0 = 2 * tile_z, i1 = std::min(2 * (tile_x + tiles), p - 1),
        j1 = std::min(2 * (tile_z + tiles), p - 1);
    for (int ty = j0 / LOW_STEP; ty < g->low_side && ty * LOW_STEP < j1; ++ty)
        for (int tx = i0 / LOW_STEP; tx < g->low_side && tx * LOW_STEP < i1; ++tx) {
            int a0 = std::max(i0, tx * LOW_STEP), a1 = std::min(i1, (tx + 1) * LOW_STEP);
            int b0 = std::max(j0, ty * LOW_STEP), b1 = std::min(j1, (ty + 1) * LOW_STEP);
            if (tx == g->low_side - 1)
                a1 = i1;
            if (ty == g->low_side - 1)
                b1 = j1;
            auto coord = [&](int sample, int tile) {
                return ((float)(sample - (tile * LOW_STEP - LOW_BORDER)) + 0.5f) / (float)g->low_size;
            };
            glBindTexture(GL_TEXTURE_2D, g->low[(size_t)ty * g->low_side + tx]);
            glBegin(GL_QUADS);
            draw_quad(a0 * t.spacing, b0 * t.spacing, a1 * t.spacing, b1 * t.spacing, coord(a0, tx), coord(b0, ty),
                      coord(a1, tx), coord(b1, ty));
            glEnd();
        }
    glDisable(GL_BLEND);
}

// Paints one texture for a block; false when the frame buffer refused.
bool paint_block(GroundTextures *g, const Terrain &t, unsigned texture, int tile_x, int tile_z, int tiles)
{
    float size = t.double_spacing;
    const float area[4] = {tile_x * size, (tile_x + tiles) * size, tile_z * size, (tile_z + tiles) * size};
    if (!render_target_begin(&g->target, texture, g->dim, area))
        return false;
    paint_contents(g, t, tile_x, tile_z, tiles);
    render_target_end(&g->target, texture, g->dim, g->mipmaps);
    ++g->painted;
    return true;
}

void build_low_detail(GroundTextures *g, const Terrain &t, int tx, int ty)
{
    int size = g->low_size, p = t.points_per_side;
    Image image;
    image.width = image.height = size;
    image.channels = 3;
    image.pixels.resize((size_t)size * size * 3);
    for (int y = 0; y < size; ++y) {
        int j = std::max(0, std::min(ty * LOW_STEP - LOW_BORDER + y, p - 1));
        for (int x = 0; x < size; ++x) {
            int i = std::max(0, std::min(tx * LOW_STEP - LOW_BORDER + x, p - 1));
            const uint8_t *s = t.shading.empty() ? nullptr : &t.shading[((size_t)j * p + i) * 3];
            for (int k = 0; k < 3; ++k)
                image.pixels[((size_t)y * size + x) * 3 + k] = s ? s[k] : 128;
        }
    }
    make_mipmaps(&image);
    size_t index = (size_t)ty * g->low_side + tx;
    delete_texture(&g->low[index]);
    g->low[index] = texture_gl_create(image, false, false);
    g->low_dirty[index] = 0;
}

// Deletes the painted textures, the frame buffer and the decal bins; the
// low-detail textures stay.
void free_painted(GroundTextures *g)
{
    for (auto &level : g->windows)
        for (GroundSlot &slot : level) {
            delete_texture(&slot.texture);
            slot = GroundSlot();
        }
    for (GroundSlot &slot : g->coarse)
        delete_texture(&slot.texture);
    g->coarse.clear();
    render_target_close(&g->target);
    for (std::vector<int> &bin : g->bins)
        bin.clear();
}

bool overlaps(int block_x, int block_z, int tiles, const int rect[4])
{
    return block_x * tiles <= rect[2] && (block_x + 1) * tiles > rect[0] && block_z * tiles <= rect[3] &&
           (block_z + 1) * tiles > rect[1];
}

} // namespace

int ground_block_tiles(const GroundTextures &g, int t)
{
    return t >= GROUND_COARSE_LEVEL ? g.coarse_tiles : 1 << t;
}

int ground_window_start(const Terrain &terrain, int t, int camera_tile)
{
    int blocks = std::max(1, terrain.tiles_per_side >> t);
    int start = (camera_tile >> t) - 1;
    return std::max(0, std::min(start, blocks - 4));
}

void decal_bin_range(float extent, float lo, float hi, int *first, int *last)
{
    auto bin = [extent](float v) { return std::max(0, std::min(7, grid_cell(v, extent / 8))); };
    *first = bin(lo);
    *last = bin(hi);
}

void ground_textures_create(GroundTextures *g, const Terrain &t, const GroundTextureSettings &s)
{
    free_painted(g);
    g->finest = std::max(0, std::min(s.finest, (int)GROUND_COARSE_LEVEL));
    render_target_open(&g->target, s.use_fbo, true);
    g->dim = std::max(32, s.dim);
    if (!g->target.use_fbo) {
        // The back buffer must hold a whole texture.
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        while (g->dim > 32 && (g->dim > viewport[2] || g->dim > viewport[3]))
            g->dim /= 2;
    }
    g->mipmaps = s.mipmaps && (g->target.use_fbo ? glext.GenerateMipmapEXT != nullptr : gl_caps.has_generate_mipmap);
    static bool told;
    g->split_large_decals = gl_caps.renderer.find("ATI Radeon X1270") != std::string::npos;
    if (g->split_large_decals && !told) {
        zeph_log("Working around ATI Radeon X1270 bug\n");
        told = true;
    }
    static const int scales[GROUND_WINDOW_LEVELS] = {255, 212, 170, 127, 85, 42};
    for (int level = 0; level < GROUND_WINDOW_LEVELS; ++level)
        for (GroundSlot &slot : g->windows[level]) {
            slot = GroundSlot();
            slot.texture = placeholder_texture(g->dim, std::max(1, 64 >> level), scales[level], g->mipmaps);
        }
    g->coarse_tiles = std::min(64, t.tiles_per_side);
    g->coarse_blocks = std::max(1, t.tiles_per_side / g->coarse_tiles);
    g->coarse.assign((size_t)g->coarse_blocks * g->coarse_blocks, GroundSlot());
    for (size_t k = 0; k < g->coarse.size(); ++k) {
        GroundSlot &slot = g->coarse[k];
        slot.block_x = (int)k % g->coarse_blocks;
        slot.block_z = (int)k / g->coarse_blocks;
        slot.texture = placeholder_texture(g->dim, 16, 0, g->mipmaps);
    }
    for (int level = 0; level < GROUND_WINDOW_LEVELS; ++level)
        g->window_start[level][0] = g->window_start[level][1] = -1000;
    if (s.verbose)
        zeph_log("Ground textures: %d pixels, window levels %d..5%s\n", g->dim, g->finest,
                 g->target.use_fbo ? ", frame buffer objects" : "");
}

void low_detail_textures_build(GroundTextures *g, const Terrain &t)
{
    for (unsigned &id : g->low)
        delete_texture(&id);
    g->low_side = std::max(1, ((2 * t.tiles_per_side) / 64 + 6) / 7);
    g->low_size = 32;
    while (g->low_size < 512 && g->low_size < t.points_per_side + 2 * LOW_BORDER)
        g->low_size *= 2;
    g->low.assign((size_t)g->low_side * g->low_side, 0);
    g->low_dirty.assign(g->low.size(), 0);
    for (int ty = 0; ty < g->low_side; ++ty)
        for (int tx = 0; tx < g->low_side; ++tx)
            build_low_detail(g, t, tx, ty);
}

void low_detail_refresh_one(GroundTextures *g, const Terrain &t)
{
    for (size_t k = 0; k < g->low_dirty.size(); ++k)
        if (g->low_dirty[k]) {
            build_low_detail(g, t, (int)k % g->low_side, (int)k / g->low_side);
            return;
        }
}

void ground_windows_update(GroundTextures *g, const Terrain &t, float x, float z, bool recentre)
{
    int tile_x = grid_cell(x, t.double_spacing), tile_z = grid_cell(z, t.double_spacing);
    for (int level = g->finest; level < GROUND_WINDOW_LEVELS; ++level) {
        int sx = ground_window_start(t, level, tile_x), sz = ground_window_start(t, level, tile_z);
        if (!recentre && sx == g->window_start[level][0] && sz == g->window_start[level][1])
            continue;
        g->window_start[level][0] = sx;
        g->window_start[level][1] = sz;
        int blocks = blocks_per_side(t, *g, level);
        for (int bz = sz; bz < std::min(sz + 4, blocks); ++bz)
            for (int bx = sx; bx < std::min(sx + 4, blocks); ++bx) {
                GroundSlot &slot = g->windows[level][(bx & 3) + 4 * (bz & 3)];
                if (recentre || slot.block_x != bx || slot.block_z != bz) {
                    slot.block_x = bx;
                    slot.block_z = bz;
                    slot.ready = false;
                }
            }
    }
}

int ground_paint_due(GroundTextures *g, const Terrain &t)
{
    g->painted = 0;
    g->decals_painted = 0;
    for (GroundSlot &slot : g->coarse)
        if (!slot.ready)
            slot.ready = paint_block(g, t, slot.texture, slot.block_x * g->coarse_tiles, slot.block_z * g->coarse_tiles,
                                     g->coarse_tiles);
    for (int level = g->finest; level < GROUND_WINDOW_LEVELS; ++level)
        for (GroundSlot &slot : g->windows[level])
            if (!slot.ready && slot.block_x >= 0)
                slot.ready = paint_block(g, t, slot.texture, slot.block_x << level, slot.block_z << level, 1 << level);
    return g->painted;
}

GroundChoice ground_texture_for(const GroundTextures &g, int tile_x, int tile_z, int tiles)
{
    for (int level = g.finest; level < GROUND_WINDOW_LEVELS; ++level) {
        if (tiles > 1 << level)
            continue;
        int bx = tile_x >> level, bz = tile_z >> level;
        const int *start = g.window_start[level];
        if (bx < start[0] || bx >= start[0] + 4 || bz < start[1] || bz >= start[1] + 4)
            continue;
        const GroundSlot &slot = g.windows[level][(bx & 3) + 4 * (bz & 3)];
        if (slot.ready && slot.block_x == bx && slot.block_z == bz)
            return {slot.texture, bx << (level + 1), bz << (level + 1), 2 << level};
    }
    int b = std::max(1, g.coarse_tiles);
    int bx = std::min(tile_x / b, g.coarse_blocks - 1), bz = std::min(tile_z / b, g.coarse_blocks - 1);
    unsigned texture = g.coarse.empty() ? 0 : g.coarse[(size_t)bz * g.coarse_blocks + bx].texture;
    return {texture, bx * 2 * b, bz * 2 * b, 2 * b};
}

void ground_mark_dirty(GroundTextures *g, const Terrain &t, float x0, float z0, float x1, float z1)
{
    // The rectangle in tiles, inclusive.
    int rect[4] = {grid_cell(x0, t.double_spacing), grid_cell(z0, t.double_spacing), grid_cell(x1, t.double_spacing),
                   grid_cell(z1, t.double_spacing)};
    for (int level = 0; level < GROUND_WINDOW_LEVELS; ++level)
        for (GroundSlot &slot : g->windows[level])
            if (overlaps(slot.block_x, slot.block_z, 1 << level, rect))
                slot.ready = false;
    for (GroundSlot &slot : g->coarse)
        if (overlaps(slot.block_x, slot.block_z, g->coarse_tiles, rect))
            slot.ready = false;
}

void ground_add_decal(GroundTextures *g, const Terrain &t, int index)
{
    const Decal &d = t.decals[(size_t)index];
    float x0, z0, x1, z1;
    decal_bounds(d, &x0, &z0, &x1, &z1);
    each_bin(
        t, x0, z0, x1, z1, g->bins,
        [](std::vector<int> &bin, int i) { bin.insert(std::lower_bound(bin.begin(), bin.end(), i), i); }, index);
    ground_mark_dirty(g, t, x0, z0, x1, z1);
}

void ground_remove_decal(GroundTextures *g, const Terrain &t, int index)
{
    const Decal &d = t.decals[(size_t)index];
    float x0, z0, x1, z1;
    decal_bounds(d, &x0, &z0, &x1, &z1);
    for (std::vector<int> &bin : g->bins) {
        bin.erase(std::remove(bin.begin(), bin.end(), index), bin.end());
        for (int &i : bin)
            if (i > index)
                --i;
    }
    ground_mark_dirty(g, t, x0, z0, x1, z1);
}

void ground_textures_free(GroundTextures *g)
{
    free_painted(g);
    for (unsigned &id : g->low)
        delete_texture(&id);
    *g = GroundTextures();
}
