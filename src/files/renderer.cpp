// The installed renderer and the null renderer that stands in for it.
#include "files/renderer.h"

#include "platform/log.h"

namespace
{

unsigned no_texture(const Image &, int, bool, bool)
{
    return 0;
}
void no_replace(unsigned, const Image &, int) {}
void no_texture_id(unsigned) {}
void nothing() {}
void no_terrain(Terrain *) {}
void no_decal(Terrain *, const Decal &) {}
void log_step(const char *text)
{
    zeph_log("%s\n", text);
}

const Renderer null_renderer = {false,      no_texture, no_replace, no_texture_id, nothing, no_terrain,
                                no_terrain, no_terrain, no_decal,   no_terrain,    log_step};

Renderer installed = null_renderer;

template <typename F> void fill(F *entry, F fallback)
{
    if (!*entry)
        *entry = fallback;
}

} // namespace

const Renderer &renderer()
{
    return installed;
}

void renderer_install(const Renderer *r)
{
    installed = r ? *r : null_renderer;
    fill(&installed.create_texture, null_renderer.create_texture);
    fill(&installed.replace_texture, null_renderer.replace_texture);
    fill(&installed.destroy_texture, null_renderer.destroy_texture);
    fill(&installed.new_track, null_renderer.new_track);
    fill(&installed.terrain_heights, null_renderer.terrain_heights);
    fill(&installed.terrain_low_detail, null_renderer.terrain_low_detail);
    fill(&installed.terrain_textures, null_renderer.terrain_textures);
    fill(&installed.terrain_decal, null_renderer.terrain_decal);
    fill(&installed.terrain_free, null_renderer.terrain_free);
    fill(&installed.loading_screen, null_renderer.loading_screen);
}
