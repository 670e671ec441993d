// The texture cache: textures loaded by name, shared, counted in memory and
// freed when a new race no longer uses them; and animated (".seq") textures.
//
// GL work goes through the installed renderer; with the null renderer (no
// GL context) every load returns no texture and nothing is decoded.
#pragma once

#include "files/image.h"

// Sets the detail reduction (levels skipped while both sides exceed 128) and
// whether loads and frees are logged.
void texture_settings(int detail_reduction, bool verbose);

// Loads (or finds in the cache) the texture of a game-file name; a leading
// "!" keeps full detail. Returns its id, or 0.
unsigned load_texture(const char *name);

// The name a texture was loaded by, or null.
const char *texture_name(unsigned id);

// Starts a new texture generation (a new track) and resets the memory count.
void texture_generation_advance();

// Bytes of texture data uploaded since the last track change.
long texture_memory();

// Deletes cached textures not used since the generation started.
void free_stale_textures();

// Forgets every texture without deleting it: the GL context that held
// them has gone.
void forget_textures();

// Shows each animated texture's frame for the tick.
void update_animated_textures(int tick);

// Starts an animation at a tick, or pauses it.
void start_animation(unsigned id, int tick);
void pause_animation(unsigned id);

// Chooses an animation's step for a tick: the frame index shown.
struct AnimationTiming {
    int steps, ticks_per_step, loop, start_tick;
};
int animation_step(const AnimationTiming &timing, int tick);
