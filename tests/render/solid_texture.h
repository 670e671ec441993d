// A small one-colour mipmapped texture for drawing tests (needs a GL
// context with the texture uploads installed).
#pragma once

#include <cstdint>

unsigned solid_texture(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
