// The GL renderer's table of operations.
#include "render/gl_renderer.h"

#include "files/renderer.h"
#include "render/model.h"
#include "render/terrain_render.h"
#include "render/texture_gl.h"
#include "track/terrain_drawing.h"

void gl_renderer_install(void (*loading_screen)(const char *text))
{
    Renderer r = {};
    r.draws = true;
    r.create_texture = texture_gl_upload;
    r.replace_texture = texture_gl_replace;
    r.destroy_texture = texture_gl_delete;
    r.new_track = model_generation_advance;
    r.race_set_up = free_stale_models;
    r.loading_screen = loading_screen;
    renderer_install(&r);
    TerrainDrawing t = {};
    t.heights = terrain_build_lod;
    t.low_detail = terrain_low_detail;
    t.textures = terrain_ground_textures;
    t.decal = terrain_add_decal;
    t.free = terrain_free_drawing;
    terrain_drawing_install(&t);
}
