// Fonts from separator-grid pictures and the text routines.
#include "render/text.h"

#include "files/image.h"
#include "platform/log.h"
#include "render/gl_caps.h"
#include "render/render_target.h"
#include "render/texture_gl.h"

#include <cstring>
#include <vector>

Font text_font, numbers_font, condensed_numbers_font;

namespace
{

const Font *current_font = &text_font;

bool is_separator(const uint8_t *pixel, const uint8_t *separator)
{
    return memcmp(pixel, separator, 4) == 0;
}

// The [start, end) pixel ranges between separator pixels along a line.
std::vector<std::pair<int, int>> cells_along(const Image &image, bool rows, const uint8_t *separator)
{
    std::vector<std::pair<int, int>> cells;
    int count = rows ? image.height : image.width;
    int start = -1;
    for (int i = 0; i <= count; ++i) {
        bool separates = i == count;
        if (!separates) {
            size_t offset = rows ? (size_t)i * image.width * 4 : (size_t)i * 4;
            separates = is_separator(&image.pixels[offset], separator);
        }
        if (separates) {
            if (start >= 0)
                cells.push_back({start, i});
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    return cells;
}

void reset(Font *font)
{
    for (int c = 0; c < 256; ++c) {
        font->rect[c][0] = font->rect[c][1] = font->rect[c][2] = font->rect[c][3] = 0;
        font->width[c] = MISSING_GLYPH_WIDTH;
    }
}

// How far a character moves the pen; a line break returns true.
bool advance(const Font &font, unsigned char c, float *x, float *y)
{
    float blank = font.width[(unsigned char)' '];
    switch (c) {
    case '\n':
        *x = 0;
        *y -= 1;
        return true;
    case '\r':
        *x = 0;
        return true;
    case '\t': {
        float tab = 8 * blank;
        *x = (float)((int)(*x / tab) + 1) * tab;
        return false;
    }
    default:
        *x += font.width[c];
        return false;
    }
}

} // namespace

void font_layout(Font *font, Image *image, const char *characters)
{
    reset(font);
    if (image->channels != 4 || image->width < 1 || image->height < 1)
        return;
    uint8_t separator[4];
    memcpy(separator, image->pixels.data(), 4);
    auto columns = cells_along(*image, false, separator);
    auto rows = cells_along(*image, true, separator);
    const unsigned char *c = (const unsigned char *)characters;
    for (const auto &row : rows)
        for (const auto &column : columns) {
            if (!*c)
                break;
            float *rect = font->rect[*c];
            rect[0] = (float)column.first / image->width;
            rect[1] = (float)row.first / image->height;
            rect[2] = (float)column.second / image->width;
            rect[3] = (float)row.second / image->height;
            font->width[*c] = (float)(column.second - column.first) / (float)(row.second - row.first);
            ++c;
        }
    size_t pixels = (size_t)image->width * image->height;
    for (size_t i = 0; i < pixels; ++i)
        if (is_separator(&image->pixels[i * 4], separator))
            image->pixels[i * 4 + 3] = 0;
}

void font_load(Font *font, const char *image_name, const char *characters)
{
    Image image;
    if (!read_image_rgba(image_name, &image)) {
        reset(font);
        zeph_log("Can't load font \"%s\": %s\n", image_name, image_error());
        return;
    }
    font_layout(font, &image, characters);
    if (!is_power_of_two(image.width) || !is_power_of_two(image.height))
        resample_to_power_of_two(&image);
    make_mipmaps(&image);
    font->texture = texture_gl_create(image, false, false);
}

void fonts_load()
{
    char printable[95];
    for (int c = '!'; c <= '~'; ++c)
        printable[c - '!'] = (char)c;
    printable[94] = 0;
    font_load(&text_font, "@font.png", printable);
    font_load(&numbers_font, "@numbers.png", "0123456789");
    font_load(&condensed_numbers_font, "@numbers-condensed.png", "0123456789");
}

void font_select(const Font *font)
{
    current_font = font ? font : &text_font;
}

void text_draw(float r, float g, float b, float a, const char *text)
{
    const Font &font = *current_font;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, font.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    float x = 0, y = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; ++c) {
        float left = x;
        if (advance(font, *c, &x, &y) || *c == ' ' || *c == '\t')
            continue;
        const float *t = font.rect[*c];
        glTexCoord2f(t[0], t[3]);
        glVertex2f(left, y);
        glTexCoord2f(t[2], t[3]);
        glVertex2f(x, y);
        glTexCoord2f(t[2], t[1]);
        glVertex2f(x, y + 1);
        glTexCoord2f(t[0], t[1]);
        glVertex2f(left, y + 1);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void text_draw_shadowed(float r, float g, float b, float a, const char *text)
{
    glPushMatrix();
    glTranslatef(1.0f / 16, -1.0f / 16, 0);
    text_draw(0, 0, 0, a * 0.5f, text);
    glPopMatrix();
    text_draw(r, g, b, a, text);
}

void text_draw_centred(float r, float g, float b, float a, float left, float right, const char *text)
{
    glPushMatrix();
    glTranslatef((left + right - text_width(text)) * 0.5f, 0, 0);
    text_draw_shadowed(r, g, b, a, text);
    glPopMatrix();
}

float text_width(const char *text)
{
    float x = 0, y = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; ++c)
        advance(*current_font, *c, &x, &y);
    return x;
}

unsigned text_texture(const char *text, int size)
{
    Image image;
    image.width = image.height = size;
    image.channels = 4;
    image.pixels.assign((size_t)size * size * 4, 255);
    make_mipmaps(&image);
    unsigned id = texture_gl_create(image, false, false);
    if (!id || !text || !*text)
        return id;
    RenderTarget target;
    render_target_open(&target, true, false);
    const float area[4] = {0, 1, 0, 1};
    if (render_target_begin(&target, id, size, area)) {
        glRectf(0, 0, 1, 1);
        const Font *previous = current_font;
        font_select(std::strlen(text) >= 3 ? &condensed_numbers_font : &numbers_font);
        float height = 0.7f, width = text_width(text) * height;
        if (width > 0.9f) {
            height *= 0.9f / width;
            width = 0.9f;
        }
        glTranslatef((1 - width) / 2, (1 - height) / 2, 0);
        glScalef(height, height, 1);
        text_draw(0, 0, 0, 1, text);
        font_select(previous);
        render_target_end(&target, id, size, true);
    }
    render_target_close(&target);
    return id;
}

void free_text_texture(unsigned id)
{
    GLuint name = id;
    glDeleteTextures(1, &name);
}

void text_draw_box(float x, float y, float size, float r, float g, float b, float a, const char *text, float room)
{
    float wide = text_width(text) * size, squeeze = room > 0 && wide > room ? room / wide : 1;
    glPushMatrix();
    glTranslatef(x, y + size, 0);
    glScalef(size * squeeze, -size, 1);
    text_draw(r, g, b, a, text);
    glPopMatrix();
}
