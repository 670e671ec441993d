#include "render/solid_texture.h"

#include "files/image.h"
#include "render/texture_gl.h"

unsigned solid_texture(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Image image;
    image.width = image.height = 4;
    image.channels = 4;
    for (int k = 0; k < 16; ++k)
        image.pixels.insert(image.pixels.end(), {r, g, b, a});
    make_mipmaps(&image);
    return texture_gl_create(image, true, true);
}
