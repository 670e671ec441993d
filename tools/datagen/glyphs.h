// Text drawn into generated pictures with FreeType and the DejaVu fonts
// (at generation time only; the game reads the finished pictures).
#pragma once

#include "picture.h"

#include <string>

enum FontFace { FACE_SANS_BOLD, FACE_SANS, FACE_CONDENSED_BOLD };

// Width in pixels of a text at a pixel size.
float text_advance(FontFace face, float size, const std::string &text);

// Draws a text with its baseline starting at (x, y); returns the advance.
float draw_text(Picture *p, FontFace face, float size, float x, float y, const std::string &text, Colour colour);

// Ascender and descender of a face at a pixel size (descender negative).
void face_metrics(FontFace face, float size, float *ascender, float *descender);
