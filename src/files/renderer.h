// What the simulation asks of a renderer, as one table of operations: make
// textures from images, build and free a terrain's drawing data as it
// loads, start a new track's generation of cached models, and show the
// loading screen. The renderer installs its table once at start-up; until
// then (and always when headless) the null renderer answers every call by
// doing nothing, so callers never check for one.
#pragma once

struct Decal;
struct Image;
struct Terrain;

struct Renderer {
    // False for the null renderer: texture images are not even decoded.
    bool draws;
    // Creates a texture from the levels of `image` from `first_level` on;
    // its id, or 0 on failure.
    unsigned (*create_texture)(const Image &image, int first_level, bool repeat_h, bool repeat_v);
    // Replaces every level of an existing texture (animation frames).
    void (*replace_texture)(unsigned id, const Image &image, int first_level);
    // Deletes a texture.
    void (*destroy_texture)(unsigned id);
    // A new track is loading: the models the old one alone used may go.
    void (*new_track)();
    // A terrain's height field has loaded: its level-of-detail data.
    void (*terrain_heights)(Terrain *terrain);
    // Its shading and tile maps have loaded: the low-detail textures.
    void (*terrain_low_detail)(Terrain *terrain);
    // Its ground textures are listed: load them.
    void (*terrain_textures)(Terrain *terrain);
    // One of its decals has been read.
    void (*terrain_decal)(Terrain *terrain, const Decal &decal);
    // The terrain is being freed.
    void (*terrain_free)(Terrain *terrain);
    // Shows a loading step's message (the loading screen also logs it).
    void (*loading_screen)(const char *text);
};

// The installed renderer, or the null renderer.
const Renderer &renderer();

// Installs a renderer (null: the null renderer again). Entries left null
// in the table do nothing.
void renderer_install(const Renderer *renderer);
