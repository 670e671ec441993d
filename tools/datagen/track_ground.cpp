// Heights, maps and surfaces of a generated track.
#include "track_ground.h"

#include "noise.h"
#include "output.h"
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

const float sun_direction[3] = {0.45f, 0.80f, 0.40f};

namespace
{

bool on_course(const Course &c, float x, float z)
{
    CoursePlace p = course_place(c, x, z, c.design->start_width / 2 + 8);
    return p.index >= 0 && std::fabs(p.lateral) <= course_half_width(c, p.s) + 1.5f;
}

std::string terrain_hf(const Ground &g, float *low, float *high)
{
    auto range = std::minmax_element(g.heights.begin(), g.heights.end());
    *low = std::floor(*range.first) - 1;
    *high = std::ceil(*range.second) + 1;
    char header[128];
    snprintf(header, sizeof header, "%d %f %f %f\n", g.level, g.spacing, *low, *high);
    return header;
}

float light_at(const Ground &g, int i, int j)
{
    auto h = [&](int a, int b) {
        a = std::clamp(a, 0, g.points - 1);
        b = std::clamp(b, 0, g.points - 1);
        return g.heights[(size_t)b * g.points + a];
    };
    float nx = -(h(i + 1, j) - h(i - 1, j)) / (2 * g.spacing);
    float nz = -(h(i, j + 1) - h(i, j - 1)) / (2 * g.spacing);
    float len = std::sqrt(nx * nx + 1 + nz * nz);
    float d = (nx * sun_direction[0] + sun_direction[1] + nz * sun_direction[2]) / len;
    return 0.45f + 0.55f * std::max(0.0f, d);
}

// 1 where the sun is hidden by the terrain.
std::vector<uint8_t> cast_shadows(const Ground &g)
{
    std::vector<uint8_t> shadow((size_t)g.points * g.points, 0);
    float len = std::sqrt(sun_direction[0] * sun_direction[0] + sun_direction[2] * sun_direction[2]);
    float step_x = sun_direction[0] / len, step_z = sun_direction[2] / len;
    float rise = sun_direction[1] / len; // height gained per foot towards the sun
    for (int j = 0; j < g.points; ++j) {
        for (int i = 0; i < g.points; ++i) {
            float x = (float)i, z = (float)j, h = g.heights[(size_t)j * g.points + i];
            for (int k = 1; k < 120; ++k) {
                x += step_x;
                z += step_z;
                h += rise * g.spacing;
                int a = (int)std::lround(x), b = (int)std::lround(z);
                if (a < 0 || b < 0 || a >= g.points || b >= g.points)
                    break;
                if (g.heights[(size_t)b * g.points + a] > h) {
                    shadow[(size_t)j * g.points + i] = 1;
                    break;
                }
            }
        }
    }
    return shadow;
}

std::string tileinfo_text()
{
    std::string t;
    t += "texture @tiles/grass.png\nfriction 0.85 5\nfriction 0.7 60\nroll_resist 8 20 10\n"
         "roll_resist 10 30 60\nroost texture=@particles/grass.png count=4 dig=0.3 size=0.2 grow=2 "
         "r=90 g=140 b=60 fade_a=300\naddtile\n";
    t += "texture @tiles/dirt.png\nfriction 1.05 5\nfriction 0.9 70\nroll_resist 5 16 10\n"
         "roll_resist 6 22 70\nroost texture=@particles/dirt.png count=12 dig=1.2 size=0.3 grow=4 "
         "r=150 g=115 b=80 fade_a=250\nroost texture=@particles/dust.png count=3 size=0.8 grow=10 drag=2 "
         "vscale=0.4 r=190 g=170 b=140 a=120 fade_a=90\naddtile\n";
    t += "texture @tiles/packed.png\nfriction 1.2 5\nfriction 1.05 80\nroll_resist 3 10 10\n"
         "roll_resist 4 14 80\nroost texture=@particles/dirt.png count=6 dig=0.5 size=0.25 "
         "r=130 g=100 b=70 fade_a=250\naddtile\n";
    t += "texture @tiles/mud.png\nfriction 0.7 5\nfriction 0.55 40\nroll_resist 14 40 10\n"
         "roll_resist 18 55 40\nroost texture=@particles/mud.png count=14 dig=2 size=0.35 grow=1 "
         "splash=1 r=90 g=70 b=50 fade_a=200\naddtile\n";
    for (int mask = 1; mask < 15; ++mask) {
        char line[256];
        snprintf(line, sizeof line,
                 "texture @tiles/dirt-grass-%d%d%d%d.png\nfriction 0.95 5\nfriction 0.8 70\n"
                 "roll_resist 6 18 10\nroost texture=@particles/dirt.png count=8 size=0.3 "
                 "r=140 g=115 b=80 fade_a=250\naddtile\n",
                 (mask >> 3) & 1, (mask >> 2) & 1, (mask >> 1) & 1, mask & 1);
        t += line;
    }
    return t;
}

} // namespace

Ground build_ground(const Course &c)
{
    const TrackDesign &d = *c.design;
    Ground g;
    g.level = d.level;
    g.tiles = 1 << d.level;
    g.points = 2 * g.tiles + 1;
    g.spacing = d.spacing;
    g.heights.resize((size_t)g.points * g.points);
    for (int j = 0; j < g.points; ++j)
        for (int i = 0; i < g.points; ++i)
            g.heights[(size_t)j * g.points + i] = ground_height(c, i * g.spacing, j * g.spacing);

    g.tile_map.resize((size_t)g.tiles * g.tiles);
    float L2 = 2 * g.spacing;
    for (int r = 0; r < g.tiles; ++r) {
        for (int col = 0; col < g.tiles; ++col) {
            // Corner bits: 1 (+x,+z), 2 (-x,+z), 4 (+x,-z), 8 (-x,-z); a set
            // bit shows grass.
            int mask = 0;
            const int corners[4][3] = {{1, 1, 1}, {0, 1, 2}, {1, 0, 4}, {0, 0, 8}};
            for (const auto &k : corners)
                if (!on_course(c, (col + k[0]) * L2, (r + k[1]) * L2))
                    mask |= k[2];
            int type;
            if (mask == 15) {
                type = SURFACE_GRASS;
            } else if (mask != 0) {
                type = SURFACE_FIRST_TRANSITION + mask - 1;
            } else {
                CoursePlace p = course_place(c, (col + 0.5f) * L2, (r + 0.5f) * L2, d.start_width);
                if (p.index >= 0 && in_feature(c, MUD, p.s))
                    type = SURFACE_MUD;
                else if (p.index >= 0 && std::fabs(p.lateral) < 5)
                    type = SURFACE_PACKED;
                else
                    type = SURFACE_DIRT;
            }
            g.tile_map[(size_t)r * g.tiles + col] = (uint8_t)type;
        }
    }
    return g;
}

void write_ground(const Course &c, const Ground &g)
{
    const TrackDesign &d = *c.design;
    std::string dir = d.folder + "/";
    float low, high;
    write_output(dir + "terrain.hf", terrain_hf(g, &low, &high));
    std::vector<uint16_t> samples(g.heights.size());
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] = (uint16_t)std::lround((g.heights[k] - low) / (high - low) * 65535);
    write_output(dir + "terrain.png", png16_bytes(samples, g.points, g.points));

    std::vector<uint8_t> shadow = cast_shadows(g);
    Picture shading(g.points, g.points);
    std::string shadows = "P5\n" + std::to_string(g.points) + " " + std::to_string(g.points) + "\n255\n";
    static const Colour base[4] = {
        {0.42f, 0.62f, 0.30f, 1}, {0.66f, 0.50f, 0.36f, 1}, {0.58f, 0.45f, 0.33f, 1}, {0.40f, 0.31f, 0.24f, 1}};
    for (int j = 0; j < g.points; ++j) {
        for (int i = 0; i < g.points; ++i) {
            int col = std::min(i / 2, g.tiles - 1), row = std::min(j / 2, g.tiles - 1);
            int type = g.tile_map[(size_t)row * g.tiles + col];
            Colour colour = type < SURFACE_FIRST_TRANSITION ? base[type] : mix(base[0], base[1], 0.5f);
            float variation = 0.9f + 0.2f * fbm(i * 0.11f, j * 0.11f, 3, d.seed + 7);
            bool dark = shadow[(size_t)j * g.points + i] != 0;
            float light = light_at(g, i, j) * variation * (dark ? 0.6f : 1.0f);
            shading.at(i, j) = shade(colour, light * 1.25f);
            shadows += (char)(dark ? 150 : 0);
        }
    }
    write_output_gz(dir + "shading.ppm", ppm_bytes(shading));
    write_output_gz(dir + "shadows.pgm", shadows);
    write_output(dir + "tilemap", std::string(g.tile_map.begin(), g.tile_map.end()));
    write_output(dir + "tileinfo", tileinfo_text());

    // Ruts along the racing line, in pairs either side of the packed groove.
    std::string decals;
    Random random(d.seed + 11);
    for (float s = 30; s < c.length - 20; s += 14 + random.range(0, 8)) {
        if (in_feature(c, MUD, s))
            continue;
        const PathPoint &p = course_at(c, s);
        for (float side : {-2.2f, 2.2f}) {
            float x = p.x + p.tz * side, z = p.z - p.tx * side;
            char line[160];
            snprintf(line, sizeof line, "[%.2f %.2f] %.4f %.2f %.3f @decals/rut.png\n", x, z, std::atan2(p.tx, p.tz),
                     12 + random.range(0, 6), 0.12f);
            decals += line;
        }
    }
    write_output(dir + "decals", decals);

    // The HUD map: the course in white on a clear ground, start marked.
    Picture map(256, 256);
    float scale = 256 / c.extent;
    for (size_t k = 0; k < c.points.size(); k += 2) {
        const PathPoint &p = c.points[k];
        map.fill_circle(p.x * scale, p.z * scale, 3.2f, {0.1f, 0.1f, 0.1f, 0.8f});
    }
    for (size_t k = 0; k < c.points.size(); k += 2) {
        const PathPoint &p = c.points[k];
        map.fill_circle(p.x * scale, p.z * scale, 1.8f, {1, 1, 1, 1});
    }
    const PathPoint &start = course_at(c, 20);
    map.fill_circle(start.x * scale, start.z * scale, 4, {0.9f, 0.15f, 0.1f, 1});
    write_output(dir + "map.png", png_bytes(map, true));
    write_output(dir + "desc", d.name + "\n");
}
