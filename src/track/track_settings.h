// How the track code behaves in this run, and what the renderer does when a
// track's ground loads (nothing until a renderer installs its hooks, so
// tracks load headless).
#pragma once

struct Terrain;
struct Decal;

struct TrackSettings {
    int verbose = 0;                // 1: texture memory and loading lines, 2: also digests
    bool editor = false;            // the track editor is reachable
    bool load_normal_maps = true;   // statues look for "_norm" maps
    bool load_specular_maps = true; // statues look for "_spec" maps
};

extern TrackSettings track_settings;

// The renderer's part of loading and freeing a terrain; any entry may be null.
struct TerrainRenderHooks {
    void (*build_lod)(Terrain *terrain);
    void (*low_detail_textures)(Terrain *terrain);
    void (*ground_textures)(Terrain *terrain);
    void (*add_decal)(Terrain *terrain, const Decal &decal);
    void (*free)(Terrain *terrain);
    void (*loading_screen)(const char *text);
};

extern TerrainRenderHooks terrain_render_hooks;
