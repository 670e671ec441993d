// PNG reading and writing through libpng, over game-file streams.
#include "files/image.h"

#include "files/game_file.h"
#include "platform/messages.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace
{

// The most one chunk (a text, a palette, a profile) may make libpng
// allocate: far beyond any picture's needs.
const png_alloc_size_t PNG_CHUNK_LIMIT = 1 << 20;

// libpng's own allocations (rows, inflation, chunk buffers) are refused
// above this: a chunk claiming a gigabyte fails without asking for it,
// whatever limits this build of libpng applies itself.
const png_alloc_size_t PNG_ALLOCATION_LIMIT = 8 << 20;

png_voidp limited_malloc(png_structp, png_alloc_size_t size)
{
    return size <= PNG_ALLOCATION_LIMIT ? malloc(size) : nullptr;
}

void limited_free(png_structp, png_voidp p)
{
    free(p);
}

void read_from_stream(png_structp png, png_bytep data, png_size_t length)
{
    GameFile *f = (GameFile *)png_get_io_ptr(png);
    if (gf_read(f, data, length) != length)
        png_error(png, "PNG data cut short");
}

void write_to_stream(png_structp png, png_bytep data, png_size_t length)
{
    GameFile *f = (GameFile *)png_get_io_ptr(png);
    if (gf_write(f, data, length) != length)
        png_error(png, "Can't write PNG data");
}

void flush_stream(png_structp png)
{
    gf_flush((GameFile *)png_get_io_ptr(png));
}

void on_png_warning(png_structp, png_const_charp) {}

void on_png_error(png_structp png, png_const_charp message)
{
    image_fail(message);
    png_longjmp(png, 1);
}

void scan_text(png_structp png, png_infop info, Image *image)
{
    png_textp text;
    int count = 0;
    if (!info || png_get_text(png, info, &text, &count) <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        if (!text[i].text)
            continue;
        if (strstr(text[i].text, "[mip_max_alpha]"))
            image->mip_max_alpha = true;
        if (strstr(text[i].text, "[mip_custom]"))
            image->mip_custom = true;
    }
}

// Reads a PNG with the given transformations into rows of `channels` bytes
// per pixel (16-bit samples when `sixteen`).
struct PngRead {
    int width = 0, height = 0, channels = 0;
    bool sixteen = false;
    std::vector<uint8_t> pixels;
    Image flags;
};

bool read_png(const char *name, bool heights, PngRead *out)
{
    GameFile *f = gf_open(name, "rb");
    if (!f)
        return image_fail("Can't open PNG file");
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning, nullptr,
                                               limited_malloc, limited_free);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_infop end_info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || !end_info) {
        png_destroy_read_struct(&png, &info, &end_info);
        gf_close(f);
        return image_fail("Can't start PNG reading");
    }
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &end_info);
        gf_close(f);
        return false;
    }
    png_set_read_fn(png, f, read_from_stream);
    // No chunk may make libpng allocate more than the largest texts and
    // tables a picture needs, nor may a file hold endless small chunks.
    png_set_user_limits(png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
    png_set_chunk_malloc_max(png, PNG_CHUNK_LIMIT);
    png_set_chunk_cache_max(png, 1000);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE)
        png_error(png, "PNG too large");
    int colour = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if ((colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (heights) {
        if (colour == PNG_COLOR_TYPE_RGB || colour == PNG_COLOR_TYPE_RGB_ALPHA || colour == PNG_COLOR_TYPE_PALETTE)
            png_set_rgb_to_gray_fixed(png, 1, -1, -1);
        png_set_strip_alpha(png);
        if (depth == 16)
            png_set_swap(png);
    } else {
        if (png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(png);
        png_set_strip_16(png);
        if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    scan_text(png, info, &out->flags);
    out->width = (int)width;
    out->height = (int)height;
    out->channels = png_get_channels(png, info);
    out->sixteen = png_get_bit_depth(png, info) == 16;
    size_t row_bytes = png_get_rowbytes(png, info);
    // The pixels are inflated from what is left of the file (at most 1032
    // bytes out of one in): a header asking for more cannot be filled.
    if ((row_bytes + 1) * height / 1032 > gf_remaining(f) + 1)
        png_error(png, "PNG data cut short");
    out->pixels.resize(row_bytes * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = out->pixels.data() + y * row_bytes;
    png_read_image(png, rows.data());
    png_read_end(png, end_info);
    scan_text(png, end_info, &out->flags);
    png_destroy_read_struct(&png, &info, &end_info);
    gf_close(f);
    return true;
}

// Splits a "[mip_custom]" image: level 0 on top; level 1 at the left of the
// bottom third, later levels to its right stacked downwards.
void unpack_custom_levels(Image *image, const char *name)
{
    int full_height = image->height;
    if ((full_height * 2) % 3 != 0) {
        char text[1100];
        snprintf(text, sizeof text, "Warning: Invalid height for custom MIP map in '%.950s'", name);
        show_message(text);
    }
    int h0 = full_height * 2 / 3;
    if (h0 <= 0) {
        image->mip_custom = false;
        return;
    }
    Image out = *image;
    out.height = h0;
    int count = mipmap_level_count(out.width, h0);
    out.pixels.assign(image_level_offset(out, count), 0);
    int ch = image->channels, src_w = image->width;
    auto copy_block = [&](int level, int sx, int sy) {
        int w = out.width, h = out.height;
        for (int i = 0; i < level; ++i) {
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
        }
        uint8_t *dst = out.pixels.data() + image_level_offset(out, level);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int px = sx + x, py = sy + y;
                if (px >= src_w || py >= full_height)
                    continue; // an invalid height leaves the rest as read
                memcpy(dst + ((size_t)y * w + x) * ch, &image->pixels[((size_t)py * src_w + px) * ch], ch);
            }
        return std::make_pair(w, h);
    };
    copy_block(0, 0, 0);
    int level1_width = copy_block(1, 0, h0).first;
    int y = h0;
    for (int level = 2; level < count; ++level)
        y += copy_block(level, level1_width, y).second;
    out.levels = count;
    *image = std::move(out);
}

} // namespace

bool read_image_png(const char *name, Image *image)
{
    PngRead r;
    if (!read_png(name, false, &r))
        return false;
    Image img = r.flags;
    img.width = r.width;
    img.height = r.height;
    img.channels = r.channels;
    img.levels = 1;
    img.pixels = std::move(r.pixels);
    if (img.mip_custom)
        unpack_custom_levels(&img, name);
    *image = std::move(img);
    return true;
}

bool read_heights_png(const char *name, std::vector<uint16_t> *samples, int *width, int *height)
{
    PngRead r;
    if (!read_png(name, true, &r))
        return false;
    size_t n = (size_t)r.width * r.height;
    samples->resize(n);
    if (r.sixteen)
        memcpy(samples->data(), r.pixels.data(), n * 2);
    else
        for (size_t i = 0; i < n; ++i)
            (*samples)[i] = (uint16_t)(r.pixels[i] * 257);
    *width = r.width;
    *height = r.height;
    return true;
}

static bool write_png(const char *name, const void *pixels, int width, int height, int colour, int depth,
                      size_t row_bytes, bool swap)
{
    // Written beside the old file and put in its place when whole.
    GameFile *f = gf_open_new(name);
    if (!f)
        return image_fail("Can't create PNG file");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        gf_close(f);
        return false;
    }
    png_set_write_fn(png, f, write_to_stream, flush_stream);
    png_set_IHDR(png, info, width, height, depth, colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (swap)
        png_set_swap(png);
    for (int y = 0; y < height; ++y)
        png_write_row(png, (png_const_bytep)pixels + row_bytes * y);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return gf_replace(f, name) || image_fail("Can't write PNG data");
}

bool write_heights_png(const char *name, const uint16_t *samples, int width, int height)
{
    return write_png(name, samples, width, height, PNG_COLOR_TYPE_GRAY, 16, (size_t)width * 2, true);
}

bool write_rgb_png(const char *name, const uint8_t *pixels, int width, int height)
{
    return write_png(name, pixels, width, height, PNG_COLOR_TYPE_RGB, 8, (size_t)width * 3, false);
}

bool read_image_rgba(const char *name, Image *image)
{
    Image img;
    if (!read_image_png(name, &img)) {
        GameFile *f = gf_open(name, "rb");
        if (!f)
            return false;
        bool ok = read_image_j(f, &img);
        gf_close(f);
        if (!ok)
            return false;
    }
    if (img.channels == 3) {
        size_t total = img.pixels.size() / 3;
        std::vector<uint8_t> rgba(total * 4);
        for (size_t i = 0; i < total; ++i) {
            memcpy(&rgba[i * 4], &img.pixels[i * 3], 3);
            rgba[i * 4 + 3] = 255;
        }
        img.pixels = std::move(rgba);
        img.channels = 4;
    }
    *image = std::move(img);
    return true;
}
