// Loading and saving a track's ground files.
//
// "terrain.hf": "M L min max" and then either ":" and P*P 16-bit little-endian
// samples (row by row) or nothing more, the samples then coming from the
// 16-bit grey "terrain.png". A sample s is the height min + s*(max-min)/65535.
#include "track/terrain.h"
#include "track/terrain_drawing.h"

#include "files/digest.h"
#include "files/file_numbers.h"
#include "files/game_file.h"
#include "files/image.h"
#include "files/texture.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/track_list.h"
#include "track/track_settings.h"

#include <algorithm>
#include <cmath>
#include <functional>

TrackSettings track_settings;

namespace
{

GameFile *open_track_file(const std::string &folder, const char *name)
{
    return gf_open(track_file(folder, name).c_str(), "rb");
}

bool fail(Terrain *t, const char *message)
{
    if (message)
        show_message(message);
    free_terrain(t);
    return false;
}

void log_texture_memory(const char *format)
{
    if (track_settings.verbose >= 1)
        zeph_log(format, (unsigned long)texture_memory());
}

bool read_heights(Terrain *t, GameFile *hf, const std::string &folder)
{
    size_t count = (size_t)t->points_per_side * t->points_per_side;
    float scale = (t->max_height - t->min_height) / 65535.0f;
    Digest digest;
    digest_init(&digest);
    int c = gf_getc(hf);
    // Inline samples must all be there before the grid is made for them.
    if (c == ':' && gf_remaining(hf) < 2 * count)
        return false;
    t->heights.resize(count);
    if (c == ':') {
        // Read a block at a time: a header alone never allocates more than
        // the samples present can fill.
        std::vector<uint8_t> bytes(2 * 32768);
        for (size_t k = 0; k < count;) {
            size_t n = std::min(count - k, bytes.size() / 2);
            if (gf_read(hf, bytes.data(), 2 * n) != 2 * n)
                return false;
            digest_update(&digest, bytes.data(), 2 * n);
            for (size_t i = 0; i < n; ++i, ++k)
                t->heights[k] = t->min_height + (bytes[2 * i] | bytes[2 * i + 1] << 8) * scale;
        }
    } else {
        std::vector<uint16_t> samples;
        int w = 0, h = 0;
        if (!read_heights_png(track_file(folder, "terrain.png").c_str(), &samples, &w, &h)) {
            std::fill(t->heights.begin(), t->heights.end(), t->min_height);
        } else {
            int p = t->points_per_side;
            for (int j = 0; j < p; ++j) {
                for (int i = 0; i < p; ++i) {
                    uint16_t s = samples[(size_t)std::min(j, h - 1) * w + std::min(i, w - 1)];
                    uint8_t pair[2] = {(uint8_t)(s & 0xff), (uint8_t)(s >> 8)};
                    digest_update(&digest, pair, 2);
                    t->heights[(size_t)j * p + i] = t->min_height + s * scale;
                }
            }
        }
    }
    uint8_t hash[DIGEST_SIZE];
    digest_final(&digest, hash);
    if (track_settings.verbose >= 2)
        zeph_log("%s\n", digest_hex(hash).c_str());
    return true;
}

// Reads a map of exactly P x P pixels; 0 missing, -1 unreadable, -2 wrong size.
int read_map(GameFile *f, bool ppm, int size, Image *image)
{
    bool ok = ppm ? read_image_ppm(f, image) : read_image_pgm(f, image);
    gf_close(f);
    if (!ok)
        return -1;
    return image->width == size && image->height == size ? 1 : -2;
}

} // namespace

void free_terrain(Terrain *t)
{
    terrain_drawing().free(t);
    *t = Terrain();
}

int load_terrain(Terrain *t, const std::string &folder)
{
    free_terrain(t);
    std::string hf_name = track_file(folder, "terrain.hf");
    GameFile *hf = gf_open(hf_name.c_str(), "rb");
    if (!hf) {
        show_messagef("Can't open '%.950s'", hf_name.c_str());
        return fail(t, nullptr);
    }
    int level;
    float spacing, low, high;
    // Sizes beyond these would not fit in memory or mean nothing.
    if (gf_scanf(hf, "%d %f %f %f ", &level, &spacing, &low, &high) != 4 || level < 0 || level > TERRAIN_MAX_LEVEL ||
        !file_number_in(spacing, TERRAIN_MIN_SPACING, TERRAIN_MAX_SPACING) ||
        !file_number_in(low, -TERRAIN_MAX_HEIGHT, TERRAIN_MAX_HEIGHT) ||
        !file_number_in(high, -TERRAIN_MAX_HEIGHT, TERRAIN_MAX_HEIGHT)) {
        gf_close(hf);
        show_message("Bad height field parameters");
        return fail(t, "Error reading heights");
    }
    t->level = level;
    t->tiles_per_side = 1 << level;
    t->points_per_side = 2 * t->tiles_per_side + 1;
    t->spacing = spacing;
    t->extent = 2 * t->tiles_per_side * spacing;
    t->double_spacing = 2 * spacing;
    t->min_height = low;
    t->max_height = high;
    bool heights_ok = read_heights(t, hf, folder);
    gf_close(hf);
    if (!heights_ok)
        return fail(t, "Error reading heights");
    terrain_drawing().heights(t);

    int p = t->points_per_side;
    Image image;
    GameFile *f = open_track_file(folder, "shadingx2.ppm");
    bool doubled = f != nullptr;
    if (!f)
        f = open_track_file(folder, "shading.ppm");
    if (!f) {
        show_messagef("Can't open '%.950s'", track_file(folder, "shading.ppm").c_str());
        return fail(t, nullptr);
    }
    int got = read_map(f, true, p, &image);
    if (got == -1)
        return fail(t, "Error reading shading");
    if (got == -2) {
        show_messagef("Bad shading dimensions (%dx%d)", image.width, image.height);
        return fail(t, nullptr);
    }
    t->shading.assign(image.pixels.begin(), image.pixels.begin() + (size_t)p * p * 3);
    if (!doubled)
        for (uint8_t &b : t->shading)
            b >>= 1;

    log_texture_memory("%lu bytes texture memory used before ground tiles loaded\n");
    if ((f = open_track_file(folder, "tileinfo"))) {
        load_tileinfo(t, f);
    } else if ((f = open_track_file(folder, "texturelist"))) {
        load_texturelist(t, f);
    } else {
        show_messagef("Can't open '%.950s'", track_file(folder, "texturelist").c_str());
        return fail(t, nullptr);
    }
    gf_close(f);
    log_texture_memory("%lu bytes texture memory used after ground tiles loaded\n");

    size_t tiles = (size_t)t->tiles_per_side * t->tiles_per_side;
    if (!(f = open_track_file(folder, "tilemap"))) {
        show_messagef("Can't open '%.950s'", track_file(folder, "tilemap").c_str());
        return fail(t, nullptr);
    }
    t->tile_map.assign(tiles, 0);
    size_t read = gf_read(f, t->tile_map.data(), tiles);
    gf_close(f);
    if (read != tiles)
        return fail(t, "Error reading tilemap");
    // With no surface type at all every tile shows type 0 and the physics
    // falls back to its defaults for it.
    int last_type = t->surfaces.empty() ? 0 : (int)t->surfaces.size() - 1;
    for (uint8_t &b : t->tile_map)
        if (b > last_type)
            b = (uint8_t)last_type;

    terrain_drawing().low_detail(t);
    log_texture_memory("%lu bytes texture memory used after low detail ground textures\n");

    t->shadows.assign((size_t)p * p, 0);
    if ((f = open_track_file(folder, "shadows.pgm"))) {
        got = read_map(f, false, p, &image);
        if (got == -1)
            return fail(t, "Error reading shadows");
        if (got == -2) {
            zeph_log("Bad shadow dimensions (%dx%d)\n", image.width, image.height);
            return fail(t, nullptr);
        }
        for (size_t k = 0; k < t->shadows.size(); ++k)
            t->shadows[k] = (uint8_t)(255 - image.pixels[k]);
    }
    terrain_drawing().textures(t);

    if ((f = open_track_file(folder, "decals"))) {
        float x, z, angle, length, aspect;
        char name[1024];
        while (gf_scanf(f, "[ %f %f ] %f %f %f %1023s ", &x, &z, &angle, &length, &aspect, name) == 6) {
            // A decal must lie somewhere with a size: anything else would
            // paint nothing or everything.
            if (!std::isfinite(x) || !std::isfinite(z) || !std::isfinite(angle) || !(length > 0) || !(length < 1e6f) ||
                !(aspect > 0) || !(aspect < 1e6f)) {
                zeph_log("Skipping decal '%.900s' with bad numbers\n", name);
                continue;
            }
            unsigned texture = load_texture(data_file_name(name).c_str());
            if (!texture)
                continue;
            Decal d = {texture, x, z, angle, length, aspect, std::sin(angle), std::cos(angle)};
            t->decals.push_back(d);
            terrain_drawing().decal(t, d);
        }
        gf_close(f);
    }
    return 1;
}

int save_terrain(Terrain *t, const std::string &folder)
{
    if (t->heights.empty())
        return 0;
    auto range = std::minmax_element(t->heights.begin(), t->heights.end());
    t->min_height = *range.first;
    t->max_height = *range.second;
    int p = t->points_per_side;
    // Each file is written beside the old one and put in its place only
    // when written whole.
    auto write = [&](const char *file, const std::function<void(GameFile *)> &body) {
        std::string name = track_file(folder, file);
        GameFile *f = gf_open_new(name.c_str());
        if (f)
            body(f);
        if (!f || !gf_replace(f, name.c_str())) {
            show_messagef("Can't open '%s'", file);
            return false;
        }
        return true;
    };

    // The samples first, then the range they are scaled to: a failure
    // between the two leaves the old pair.
    // A flat ground has no range to scale into; every sample is then 0.
    float span = t->max_height - t->min_height;
    std::vector<uint16_t> samples((size_t)p * p);
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] = span > 0 ? (uint16_t)((t->heights[k] - t->min_height) / span * 65535.0f + 0.5f) : 0;
    if (!write_heights_png(track_file(folder, "terrain.png").c_str(), samples.data(), p, p)) {
        show_message("Can't write 'terrain.png'");
        return 0;
    }
    if (!write("terrain.hf",
               [&](GameFile *f) { gf_printf(f, "%d %f %f %f\n", t->level, t->spacing, t->min_height, t->max_height); }))
        return 0;

    for (bool doubled : {false, true}) {
        bool ok = write(doubled ? "shadingx2.ppm" : "shading.ppm", [&](GameFile *f) {
            gf_printf(f, "P6\n%d %d\n255\n", p, p);
            std::vector<uint8_t> bytes = t->shading;
            bytes.resize((size_t)p * p * 3);
            if (!doubled)
                for (uint8_t &b : bytes)
                    b = (uint8_t)std::min(2 * b, 255);
            gf_write(f, bytes.data(), bytes.size());
        });
        if (!ok)
            return 0;
    }
    if (!write("tilemap", [&](GameFile *f) { gf_write(f, t->tile_map.data(), t->tile_map.size()); }))
        return 0;
    // Written even when empty, so decals removed in the editor stay removed.
    return write("decals",
                 [&](GameFile *f) {
                     for (const Decal &d : t->decals)
                         if (const char *name = texture_name(d.texture))
                             gf_printf(f, "[%f %f] %f %f %f %s\n", d.x, d.z, d.angle, d.length, d.aspect, name);
                 })
               ? 1
               : 0;
}
