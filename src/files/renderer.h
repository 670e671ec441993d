// What the simulation asks of a renderer, as one table of operations: make
// textures from images, start a new track's generation of cached models,
// and show the loading screen (the terrain's drawing data has a table of
// its own in the track layer). The renderer installs its table once at
// start-up; until then (and always when headless) the null renderer
// answers every call by doing nothing, so callers never check for one.
#pragma once

struct Image;

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
    // A new race is set up: the cached models it did not use again go.
    void (*race_set_up)();
    // Shows a loading step's message (the loading screen also logs it).
    void (*loading_screen)(const char *text);
};

// The installed renderer, or the null renderer.
const Renderer &renderer();

// Installs a renderer (null: the null renderer again). Entries left null
// in the table do nothing.
void renderer_install(const Renderer *renderer);
