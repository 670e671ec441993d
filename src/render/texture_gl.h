// Texture uploads to GL for the texture cache.
#pragma once

struct Image;

// The texture cache's uploads through the current GL context: a new
// texture from the levels from `first_level` on (0 on failure), new levels
// for an existing one, and deleting one.
unsigned texture_gl_upload(const Image &image, int first_level, bool repeat_h, bool repeat_v);
void texture_gl_replace(unsigned id, const Image &image, int first_level);
void texture_gl_delete(unsigned id);

// Uploads an image with all its levels as a new texture the cache does not
// own (fonts, number plates); 0 on failure.
unsigned texture_gl_create(const Image &image, bool repeat_h, bool repeat_v);
