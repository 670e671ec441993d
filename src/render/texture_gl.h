// Texture uploads to GL for the texture cache.
#pragma once

// Makes the texture cache upload through the current GL context.
void texture_gl_install();

struct Image;

// Uploads an image with all its levels as a new texture the cache does not
// own (fonts, number plates); 0 on failure.
unsigned texture_gl_create(const Image &image, bool repeat_h, bool repeat_v);
