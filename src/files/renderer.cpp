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
void log_step(const char *text)
{
    zeph_log("%s\n", text);
}

const Renderer null_renderer = {false, no_texture, no_replace, no_texture_id, nothing, nothing, log_step};

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
    fill(&installed.race_set_up, null_renderer.race_set_up);
    fill(&installed.loading_screen, null_renderer.loading_screen);
}
