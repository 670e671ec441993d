// Ground tile textures, roost particles and rut decals.
#include "art.h"

#include "noise.h"
#include "output.h"
#include "picture.h"

#include <cmath>
#include <cstdio>

namespace
{

const int TILE = 128;

// Ground textures repeat seamlessly: the noise wraps around the tile.
float tiled_noise(int x, int y, float cells, uint32_t seed)
{
    float u = (float)x / TILE * cells, v = (float)y / TILE * cells;
    float a = value_noise(u, v, seed), b = value_noise(u - cells, v, seed);
    float c = value_noise(u, v - cells, seed), d = value_noise(u - cells, v - cells, seed);
    float fx = (float)x / TILE, fy = (float)y / TILE;
    return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

Colour grass_at(int x, int y)
{
    float n = tiled_noise(x, y, 8, 11) * 0.6f + tiled_noise(x, y, 32, 12) * 0.4f;
    float blade = hash01(x, y, 13);
    Colour c = mix({0.25f, 0.42f, 0.16f, 1}, {0.45f, 0.62f, 0.27f, 1}, n);
    return shade(c, 0.85f + 0.3f * blade);
}

Colour dirt_at(int x, int y, float dark)
{
    float n = tiled_noise(x, y, 6, 21) * 0.5f + tiled_noise(x, y, 24, 22) * 0.5f;
    float pebble = hash01(x, y, 23) > 0.985f ? 0.75f : 1.0f;
    Colour c = mix({0.47f, 0.34f, 0.22f, 1}, {0.68f, 0.53f, 0.37f, 1}, n);
    return shade(c, (0.9f + 0.2f * hash01(x, y, 24)) * pebble * dark);
}

Colour packed_at(int x, int y)
{
    float streak = tiled_noise(x, 0, 16, 31) * 0.6f + tiled_noise(x, y, 4, 32) * 0.4f;
    return mix(dirt_at(x, y, 0.85f), {0.52f, 0.41f, 0.30f, 1}, 0.4f * streak);
}

Colour mud_at(int x, int y)
{
    float n = tiled_noise(x, y, 5, 41);
    float wet = tiled_noise(x, y, 12, 42) > 0.62f ? 1.0f : 0.0f;
    Colour c = mix({0.26f, 0.20f, 0.14f, 1}, {0.38f, 0.29f, 0.20f, 1}, n);
    return mix(c, {0.42f, 0.40f, 0.36f, 1}, 0.35f * wet);
}

void write_tile(const char *name, Colour (*texel)(int, int))
{
    Picture p(TILE, TILE);
    for (int y = 0; y < TILE; ++y)
        for (int x = 0; x < TILE; ++x)
            p.at(x, y) = texel(x, y);
    write_output(std::string("tiles/") + name + ".png", png_bytes(p, false));
}

// Dirt where a corner's bit is clear, grass where set, with a ragged edge.
void write_transition(int mask)
{
    // Corner bits: 1 (+x,+z), 2 (-x,+z), 4 (+x,-z), 8 (-x,-z); image x runs
    // along +x and image y along +z.
    Picture p(TILE, TILE);
    for (int y = 0; y < TILE; ++y) {
        for (int x = 0; x < TILE; ++x) {
            float fx = (x + 0.5f) / TILE, fy = (y + 0.5f) / TILE;
            float g = ((mask & 8) ? 1.0f : 0.0f) * (1 - fx) * (1 - fy) + ((mask & 4) ? 1.0f : 0.0f) * fx * (1 - fy) +
                      ((mask & 2) ? 1.0f : 0.0f) * (1 - fx) * fy + ((mask & 1) ? 1.0f : 0.0f) * fx * fy;
            float edge = g + (tiled_noise(x, y, 16, 51) - 0.5f) * 0.45f;
            float t = std::fmin(1.0f, std::fmax(0.0f, (edge - 0.42f) / 0.16f));
            p.at(x, y) = mix(dirt_at(x, y, 1), grass_at(x, y), t);
        }
    }
    char name[64];
    snprintf(name, sizeof name, "tiles/dirt-grass-%d%d%d%d.png", (mask >> 3) & 1, (mask >> 2) & 1, (mask >> 1) & 1,
             mask & 1);
    write_output(name, png_bytes(p, false));
}

void write_particle(const char *name, Colour colour, float softness, uint32_t seed)
{
    Picture p(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            float dx = (x - 15.5f) / 16, dy = (y - 15.5f) / 16, d = std::sqrt(dx * dx + dy * dy);
            float lumpy = d + (value_noise(x * 0.3f, y * 0.3f, seed) - 0.5f) * 0.5f;
            float a = std::fmax(0.0f, std::fmin(1.0f, (1 - lumpy) / softness));
            Colour c = shade(colour, 0.8f + 0.4f * hash01(x, y, seed));
            c.a = a;
            p.at(x, y) = c;
        }
    }
    write_output(std::string("particles/") + name + ".png", png_bytes(p, true));
}

} // namespace

void generate_ground_art()
{
    write_tile("grass", grass_at);
    write_tile("dirt", [](int x, int y) { return dirt_at(x, y, 1); });
    write_tile("packed", packed_at);
    write_tile("mud", mud_at);
    for (int mask = 1; mask < 15; ++mask)
        write_transition(mask);

    write_particle("dirt", {0.55f, 0.42f, 0.30f, 1}, 0.25f, 61);
    write_particle("dust", {0.78f, 0.70f, 0.58f, 1}, 0.9f, 62);
    write_particle("grass", {0.33f, 0.50f, 0.22f, 1}, 0.3f, 63);
    write_particle("mud", {0.30f, 0.23f, 0.16f, 1}, 0.2f, 64);

    // A rut: a dark groove along the image's height, soft at the sides.
    Picture rut(16, 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 16; ++x) {
            float across = std::fabs(x - 7.5f) / 8;
            float along = std::fmin(1.0f, std::fmin(y, 127 - y) / 20.0f);
            float a = (1 - across * across) * along * (0.55f + 0.3f * value_noise(x * 0.5f, y * 0.2f, 71));
            rut.at(x, y) = {0.22f, 0.16f, 0.11f, a};
        }
    }
    write_output("decals/rut.png", png_bytes(rut, true));
}
