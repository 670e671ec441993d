// The texture cache's loading of every format, animated ".seq" textures
// included, through a renderer that takes the images without a GL context.
#include "fuzz_target.h"

#include "files/renderer.h"
#include "files/texture.h"

namespace
{

unsigned next_id;

unsigned create(const Image &, int, bool, bool)
{
    return ++next_id;
}

void install()
{
    static bool done;
    if (done)
        return;
    done = true;
    Renderer r = {};
    r.draws = true;
    r.create_texture = create;
    renderer_install(&r);
}

} // namespace

FUZZ_TARGET(textures)
{
    install();
    for (const char *name : {"texture.seq", "texture-repeat.png", "texture.ppm"}) {
        fuzz_write(name, data, size);
        unsigned id = load_texture((std::string("@") + name).c_str());
        if (id) {
            start_animation(id, 0);
            for (int tick = 0; tick < 512; tick += 37)
                update_animated_textures(tick);
        }
        fuzz_remove(name);
    }
    texture_generation_advance();
    free_stale_textures();
    forget_textures();
}
