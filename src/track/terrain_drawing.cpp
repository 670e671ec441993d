// The installed terrain drawing table and the one that does nothing.
#include "track/terrain_drawing.h"

namespace
{

void no_terrain(Terrain *) {}
void no_decal(Terrain *, const Decal &) {}

const TerrainDrawing no_drawing = {no_terrain, no_terrain, no_terrain, no_decal, no_terrain};

TerrainDrawing installed = no_drawing; // from the renderer's start to its end

template <typename F> void fill(F *entry, F fallback)
{
    if (!*entry)
        *entry = fallback;
}

} // namespace

const TerrainDrawing &terrain_drawing()
{
    return installed;
}

void terrain_drawing_install(const TerrainDrawing *drawing)
{
    installed = drawing ? *drawing : no_drawing;
    fill(&installed.heights, no_drawing.heights);
    fill(&installed.low_detail, no_drawing.low_detail);
    fill(&installed.textures, no_drawing.textures);
    fill(&installed.decal, no_drawing.decal);
    fill(&installed.free, no_drawing.free);
}
