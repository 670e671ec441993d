// What the simulation asks of a renderer when one exists: models and text
// pictures. Headless (no renderer installed) both give nothing, and riders,
// statues and tracks simply have no drawing resources.
#pragma once

struct Model;

struct RenderHooks {
    // Loads (or finds) a model; `warn` logs a missing one. Null when absent.
    Model *(*load_model)(const char *name, bool warn);
    // Renders a text into a square mipmapped texture of `size` pixels.
    unsigned (*text_texture)(const char *text, int size);
    // Deletes a texture made by text_texture.
    void (*free_texture)(unsigned id);
    // A new track is loading: what the old one alone used may be freed later.
    void (*new_generation)();
};

// The installed hooks; members are null until a renderer installs them.
extern RenderHooks render_hooks;

// load_model through the hooks; null without a renderer.
Model *hook_load_model(const char *name, bool warn);
