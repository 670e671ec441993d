// Drawing into a texture: through a frame buffer object when the driver
// has them, else in the back buffer and copied (the caller clears the frame
// afterwards).
#pragma once

struct RenderTarget {
    bool use_fbo = false;
    unsigned framebuffer = 0;
};

// Prepares a target; `use_fbo` asks for frame buffer objects when there are
// any. Reports "Using frame buffer objects" through the message log when
// `announce`.
void render_target_open(RenderTarget *target, bool use_fbo, bool announce);
void render_target_close(RenderTarget *target);

// Directs drawing to a texture of `size` pixels a side showing the flat
// area left, right, bottom, top (x and y; drawn at z = 0), with depth
// test, lighting, fog, culling, alpha test, blending and texturing off and
// the colour white; the state before is saved. False when the frame buffer
// is incomplete ("Framebuffer error %x" is shown and the target falls back
// to the back buffer for later textures).
bool render_target_begin(RenderTarget *target, unsigned texture, int size, const float area[4]);

// Copies or detaches the picture, rebuilds the mipmaps when asked and
// restores the state.
void render_target_end(RenderTarget *target, unsigned texture, int size, bool mipmaps);
