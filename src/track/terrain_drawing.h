// What a terrain asks of the renderer as it loads and is freed, as one
// table of operations: build its drawing data from the height field, its
// low-detail textures, load its ground textures and decals, and free them.
// The renderer installs its table once at start-up; until then (and always
// when headless) every entry does nothing, so callers never check for one.
#pragma once

struct Decal;
struct Terrain;

struct TerrainDrawing {
    // A terrain's height field has loaded: its level-of-detail data.
    void (*heights)(Terrain *terrain);
    // Its shading and tile maps have loaded: the low-detail textures.
    void (*low_detail)(Terrain *terrain);
    // Its ground textures are listed: load them.
    void (*textures)(Terrain *terrain);
    // One of its decals has been read.
    void (*decal)(Terrain *terrain, const Decal &decal);
    // The terrain is being freed.
    void (*free)(Terrain *terrain);
};

// The installed table, or the one that does nothing.
const TerrainDrawing &terrain_drawing();

// Installs a table (null: the one that does nothing again). Entries left
// null do nothing.
void terrain_drawing_install(const TerrainDrawing *drawing);
