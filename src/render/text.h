// Bitmap fonts and screen text. A font picture is a grid of glyph cells
// divided by lines of one separator colour (the colour of its top-left
// pixel); text is drawn one unit high from the current origin.
#pragma once

struct Image;

struct Font {
    unsigned texture = 0;
    float rect[256][4]; // left, top, right, bottom texture coordinates
    float width[256];   // advance in units of the glyph height
};

// Width of a character the font does not hold (the blank among them).
constexpr float MISSING_GLYPH_WIDTH = 0.6666667f;

extern Font text_font, numbers_font, condensed_numbers_font;

// Gives the characters the picture's cells, left to right and then row by
// row, and makes every separator pixel fully transparent. The picture is
// RGBA, one level.
void font_layout(Font *font, Image *image, const char *characters);

// Reads a font picture and uploads it; a font that cannot be read keeps
// every character missing. Needs a GL context.
void font_load(Font *font, const char *image_name, const char *characters);

// Loads the three fonts of the game.
void fonts_load();

// The font the text routines draw with (the text font by default).
void font_select(const Font *font);

// Draws the text at the current origin, texture modulated by the colour.
void text_draw(float r, float g, float b, float a, const char *text);

// The text in black at half the alpha, offset by (1/16, -1/16), then in colour.
void text_draw_shadowed(float r, float g, float b, float a, const char *text);

// Shadowed text centred between two x positions.
void text_draw_centred(float r, float g, float b, float a, float left, float right, const char *text);

// In pixel drawing (y down): the text `size` pixels high with its box's
// top-left corner at (x, y), narrowed where it would pass `room` pixels
// (0: no limit).
void text_draw_box(float x, float y, float size, float r, float g, float b, float a, const char *text, float room = 0);

// The width of the last line of the text in units.
float text_width(const char *text);

// A square texture of `size` pixels (mipmapped) showing the text in black
// on white, as large as fits: number plates. Needs a GL context; the
// number fonts are used (condensed for three characters or more).
unsigned text_texture(const char *text, int size);

// Deletes a texture made by text_texture.
void free_text_texture(unsigned id);
