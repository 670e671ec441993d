// The GL side of textures: wrap modes, filters, border colour and levels.
#include "render/texture_gl.h"

#include "files/texture.h"
#include "render/gl_caps.h"

namespace
{

GLenum format_of(int channels)
{
    return channels == 4 ? GL_RGBA : channels == 1 ? GL_LUMINANCE : GL_RGB;
}

void upload_levels(const Image &image, int first_level, bool replace)
{
    int w = image.width, h = image.height;
    for (int level = 0; level < image.levels; ++level) {
        if (level >= first_level) {
            const uint8_t *pixels = image.pixels.data() + image_level_offset(image, level);
            GLenum format = format_of(image.channels);
            if (replace)
                glTexSubImage2D(GL_TEXTURE_2D, level - first_level, 0, 0, w, h, format, GL_UNSIGNED_BYTE, pixels);
            else
                glTexImage2D(GL_TEXTURE_2D, level - first_level, (GLint)format, w, h, 0, format, GL_UNSIGNED_BYTE,
                             pixels);
        }
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
}

unsigned create(const Image &image, int first_level, bool repeat_h, bool repeat_v)
{
    GLuint id = 0;
    glGenTextures(1, &id);
    if (!id)
        return 0;
    glBindTexture(GL_TEXTURE_2D, id);
    while (glGetError() != GL_NO_ERROR) {
    }
    bool clamp_refused = false;
    for (auto [axis, repeat] :
         {std::pair<GLenum, bool>{GL_TEXTURE_WRAP_S, repeat_h}, std::pair<GLenum, bool>{GL_TEXTURE_WRAP_T, repeat_v}}) {
        if (repeat) {
            glTexParameteri(GL_TEXTURE_2D, axis, GL_REPEAT);
            continue;
        }
        glTexParameteri(GL_TEXTURE_2D, axis, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, axis, GL_CLAMP_TO_EDGE);
        if (glGetError() != GL_NO_ERROR) {
            glTexParameteri(GL_TEXTURE_2D, axis, GL_CLAMP);
            clamp_refused = true;
        }
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    clamp_refused ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (image.channels == 3) {
        float border[4];
        image_border_colour(image, border);
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    }
    upload_levels(image, first_level, false);
    return id;
}

void replace(unsigned id, const Image &image, int first_level)
{
    glBindTexture(GL_TEXTURE_2D, id);
    upload_levels(image, first_level, true);
}

void destroy(unsigned id)
{
    GLuint name = id;
    glDeleteTextures(1, &name);
}

} // namespace

unsigned texture_gl_upload(const Image &image, int first_level, bool repeat_h, bool repeat_v)
{
    return create(image, first_level, repeat_h, repeat_v);
}

void texture_gl_replace(unsigned id, const Image &image, int first_level)
{
    replace(id, image, first_level);
}

void texture_gl_delete(unsigned id)
{
    destroy(id);
}

unsigned texture_gl_create(const Image &image, bool repeat_h, bool repeat_v)
{
    return create(image, 0, repeat_h, repeat_v);
}
