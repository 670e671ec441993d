// The GL renderer's table of operations.
#include "render/gl_renderer.h"

#include "files/renderer.h"
#include "render/model.h"
#include "render/terrain_render.h"
#include "render/texture_gl.h"

void gl_renderer_install(void (*loading_screen)(const char *text))
{
    Renderer r = {};
    r.draws = true;
    r.create_texture = texture_gl_upload;
    r.replace_texture = texture_gl_replace;
    r.destroy_texture = texture_gl_delete;
    r.new_track = model_generation_advance;
    r.terrain_heights = terrain_build_lod;
    r.terrain_low_detail = terrain_low_detail;
    r.terrain_textures = terrain_ground_textures;
    r.terrain_decal = terrain_add_decal;
    r.terrain_free = terrain_free_drawing;
    r.loading_screen = loading_screen;
    renderer_install(&r);
}
