#include "track/track_fixture.h"

void write_small_track(const std::string &root, const std::string &folder)
{
    for (const auto &file : small_track_files(folder))
        write_file(root + "/" + file.first, file.second);
}

Terrain memory_terrain(int level, float spacing, const std::function<float(int i, int j)> &height, bool surface)
{
    Terrain t;
    int tiles = 1 << level, points = 2 * tiles + 1;
    t.level = level;
    t.tiles_per_side = tiles;
    t.points_per_side = points;
    t.spacing = spacing;
    t.double_spacing = 2 * spacing;
    t.extent = tiles * 2 * spacing;
    for (int j = 0; j < points; ++j)
        for (int i = 0; i < points; ++i)
            t.heights.push_back(height(i, j));
    t.tile_map.assign((size_t)tiles * tiles, 0);
    if (surface) {
        SurfaceType s;
        for (int k = 0; k < SURFACE_POINTS; ++k) {
            s.friction[k] = 1;
            s.friction_speed[k] = k == 0 ? 1 : 0;
            s.roll_low[k] = 5;
            s.roll_high[k] = 15;
            s.roll_speed[k] = k == 0 ? 1 : 0;
        }
        t.surfaces.push_back(s);
    }
    return t;
}
