// Images in memory and the image file formats: PPM, PGM, the predicted raw
// format J6/J7, PNG (libpng), 16-bit height PNGs and screenshots.
//
// J6 / J7 layout: the word "J6" (RGB) or "J7" (RGBA), width and height in
// decimal (comment lines "# ..." allowed before each), one separator byte,
// then one byte d per channel, pixel by pixel, rows top to bottom. A channel
// is (p + d) mod 256 with the prediction p: 0 for the first pixel, the pixel
// to the left on the first row, the one above in the first column, else
// left + above - above-left clamped to 0..255.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GameFile;

// Pixels of every mipmap level one after another, level 0 first; each level
// is max(1, size / 2) of the previous, down to 1x1. Rows top to bottom,
// channels r, g, b, a.
struct Image {
    int width = 0, height = 0, channels = 0;
    int levels = 1;             // levels held in `pixels`
    bool mip_max_alpha = false; // smaller levels take the largest alpha
    bool mip_custom = false;    // the file supplied its own smaller levels
    std::vector<uint8_t> pixels;
};

// Largest width or height an image file may declare.
enum { IMAGE_MAX_SIDE = 16384 };

// The error text of the latest failed read.
const char *image_error();

// Sets the error text and returns false: the failure path of the readers.
bool image_fail(const char *text);

// Readers: true with the image (level 0 only, unless the file holds more),
// or false with image_error() set.
bool read_image_ppm(GameFile *file, Image *image);
bool read_image_pgm(GameFile *file, Image *image);
bool read_image_j(GameFile *file, Image *image);
bool read_image_png(const char *name, Image *image);

// Reads a J6/J7 image whose header word has already been read.
bool read_image_j_after_word(GameFile *file, int channels, Image *image);

// Reads a PNG, then a J6/J7, as 4 channels (alpha 255 where there was none).
bool read_image_rgba(const char *name, Image *image);

// Reads a PNG as 16-bit grey heights.
bool read_heights_png(const char *name, std::vector<uint16_t> *samples, int *width, int *height);

// Writes 16-bit grey heights as a PNG; false when it cannot be written.
bool write_heights_png(const char *name, const uint16_t *samples, int width, int height);

// Writes 8-bit RGB pixels (rows top to bottom) as a PNG screenshot.
bool write_rgb_png(const char *name, const uint8_t *pixels, int width, int height);

// Number of mipmap levels of a size, down to 1x1.
int mipmap_level_count(int width, int height);

// Size in bytes of one level.
size_t image_level_size(const Image &image, int level);

// Offset of one level in `pixels`.
size_t image_level_offset(const Image &image, int level);

// Builds every level below level 0 by 2x2 averaging (alpha-weighted colour
// for RGBA; largest alpha with mip_max_alpha). Custom levels are kept.
void make_mipmaps(Image *image);

// Whether a number is a power of two.
bool is_power_of_two(int n);

// Resamples level 0 to the next powers of two (nearest pixel) and rebuilds
// the mipmaps. Returns false when the image already had such a size.
bool resample_to_power_of_two(Image *image);

// The border colour of an RGB image: the most frequent edge colour with each
// channel quantised to eight steps (0, 1/7, ... 1).
void image_border_colour(const Image &image, float rgba[4]);
