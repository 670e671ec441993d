#include "glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

const char *const font_files[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
};

FT_Face face_at(FontFace which, float size)
{
    static FT_Library library;
    static FT_Face faces[3];
    if (!library && FT_Init_FreeType(&library) != 0) {
        fprintf(stderr, "datagen: can't start FreeType\n");
        exit(1);
    }
    if (!faces[which] && FT_New_Face(library, font_files[which], 0, &faces[which]) != 0) {
        fprintf(stderr, "datagen: can't read the font '%s' (package fonts-dejavu-core)\n", font_files[which]);
        exit(1);
    }
    FT_Set_Char_Size(faces[which], 0, (FT_F26Dot6)std::lround(size * 64), 72, 72);
    return faces[which];
}

} // namespace

void face_metrics(FontFace which, float size, float *ascender, float *descender)
{
    FT_Face f = face_at(which, size);
    *ascender = f->size->metrics.ascender / 64.0f;
    *descender = f->size->metrics.descender / 64.0f;
}

float text_advance(FontFace which, float size, const std::string &text)
{
    FT_Face f = face_at(which, size);
    float x = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(f, c, FT_LOAD_DEFAULT) == 0)
            x += f->glyph->advance.x / 64.0f;
    return x;
}

float draw_text(Picture *p, FontFace which, float size, float x, float y, const std::string &text, Colour colour)
{
    FT_Face f = face_at(which, size);
    float start = x;
    for (unsigned char c : text) {
        if (FT_Load_Char(f, c, FT_LOAD_RENDER) != 0)
            continue;
        FT_GlyphSlot g = f->glyph;
        int left = (int)std::lround(x) + g->bitmap_left, top = (int)std::lround(y) - g->bitmap_top;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                float cover = g->bitmap.buffer[row * g->bitmap.pitch + col] / 255.0f;
                if (cover > 0)
                    p->blend(left + (int)col, top + (int)row, {colour.r, colour.g, colour.b, colour.a * cover});
            }
        x += g->advance.x / 64.0f;
    }
    return x - start;
}
