// PPM, PGM and J6/J7 readers, mipmaps, resampling and border colours.
#include "files/image.h"

#include "files/game_file_local.h"

#include <cctype>
#include <cstring>
#include <map>

namespace
{

std::string last_error;

} // namespace

bool image_fail(const char *text)
{
    last_error = text;
    return false;
}

namespace
{

bool fail(const char *text)
{
    return image_fail(text);
}

// Skips white space and "#" comment lines, then reads a decimal number.
bool read_header_number(GameFile *f, int *out)
{
    int c = gf_getc(f);
    for (;;) {
        while (c >= 0 && isspace(c))
            c = gf_getc(f);
        if (c != '#')
            break;
        while (c >= 0 && c != '\n')
            c = gf_getc(f);
    }
    if (c < '0' || c > '9')
        return false;
    long value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
        if (value > 1000000000L)
            return false;
        c = gf_getc(f);
    }
    gf_unget(f, c);
    *out = (int)value;
    return true;
}

bool read_magic(GameFile *f, char *word)
{
    word[0] = (char)gf_getc(f);
    word[1] = (char)gf_getc(f);
    word[2] = '\0';
    return true;
}

bool sane_size(int width, int height)
{
    return width > 0 && height > 0 && width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE;
}

// The body of a PPM or PGM after its magic word.
bool read_pnm(GameFile *f, bool binary, int channels, Image *image, const char *size_error)
{
    int width, height, maximum;
    if (!read_header_number(f, &width) || !read_header_number(f, &height) || !read_header_number(f, &maximum) ||
        !sane_size(width, height) || maximum <= 0 || maximum > 65535)
        return fail(size_error);
    Image img;
    img.width = width;
    img.height = height;
    img.channels = channels;
    size_t count = (size_t)width * height * channels;
    // Every sample takes at least a byte: a header asking for more than the
    // file holds fails before anything is allocated.
    if (count > gf_remaining(f))
        return fail("Image data cut short");
    img.pixels.resize(count);
    if (binary) {
        if (maximum > 255)
            return fail("Can't read 16-bit PNM data");
        if (gf_getc(f) < 0)
            return fail("Image data missing");
        if (gf_read(f, img.pixels.data(), count) != count)
            return fail("Image data cut short");
        if (maximum != 255)
            for (uint8_t &v : img.pixels)
                v = (uint8_t)(v > maximum ? 255 : v * 255 / maximum);
    } else {
        for (size_t i = 0; i < count; ++i) {
            int v;
            if (!read_header_number(f, &v))
                return fail("Image data cut short");
            v = v > maximum ? maximum : v;
            img.pixels[i] = (uint8_t)(v * 255 / maximum);
        }
    }
    *image = std::move(img);
    return true;
}

} // namespace

const char *image_error()
{
    return last_error.c_str();
}

bool read_image_ppm(GameFile *f, Image *image)
{
    char word[3];
    read_magic(f, word);
    if (strcmp(word, "P6") != 0 && strcmp(word, "P3") != 0)
        return fail("Can't parse PPM header");
    return read_pnm(f, word[1] == '6', 3, image, "Can't get PPM dimensions");
}

bool read_image_pgm(GameFile *f, Image *image)
{
    char word[3];
    read_magic(f, word);
    if (strcmp(word, "P5") != 0 && strcmp(word, "P2") != 0)
        return fail("Can't parse PGM header");
    return read_pnm(f, word[1] == '5', 1, image, "Can't get PGM dimensions");
}

bool read_image_j(GameFile *f, Image *image)
{
    char word[3];
    read_magic(f, word);
    if (strcmp(word, "J6") != 0 && strcmp(word, "J7") != 0)
        return fail("Can't parse J header");
    return read_image_j_after_word(f, word[1] == '6' ? 3 : 4, image);
}

bool read_image_j_after_word(GameFile *f, int channels, Image *image)
{
    int width, height;
    if (!read_header_number(f, &width) || !read_header_number(f, &height) || !sane_size(width, height))
        return fail("Can't get J dimensions");
    if (gf_getc(f) < 0)
        return fail("Image data missing");
    Image img;
    img.width = width;
    img.height = height;
    img.channels = channels;
    size_t row = (size_t)width * channels;
    if (row * height > gf_remaining(f))
        return fail("Image data cut short");
    img.pixels.resize(row * height);
    if (gf_read(f, img.pixels.data(), img.pixels.size()) != img.pixels.size())
        return fail("Image data cut short");
    uint8_t *p = img.pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                size_t at = y * row + (size_t)x * channels + c;
                int predicted;
                if (x == 0 && y == 0)
                    predicted = 0;
                else if (y == 0)
                    predicted = p[at - channels];
                else if (x == 0)
                    predicted = p[at - row];
                else {
                    predicted = p[at - channels] + p[at - row] - p[at - row - channels];
                    predicted = predicted < 0 ? 0 : predicted > 255 ? 255 : predicted;
                }
                p[at] = (uint8_t)(predicted + p[at]);
            }
        }
    }
    *image = std::move(img);
    return true;
}

int mipmap_level_count(int width, int height)
{
    int levels = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

static void level_size(const Image &image, int level, int *w, int *h)
{
    *w = image.width;
    *h = image.height;
    for (int i = 0; i < level; ++i) {
        *w = *w > 1 ? *w / 2 : 1;
        *h = *h > 1 ? *h / 2 : 1;
    }
}

size_t image_level_size(const Image &image, int level)
{
    int w, h;
    level_size(image, level, &w, &h);
    return (size_t)w * h * image.channels;
}

size_t image_level_offset(const Image &image, int level)
{
    size_t offset = 0;
    for (int i = 0; i < level; ++i)
        offset += image_level_size(image, i);
    return offset;
}

void make_mipmaps(Image *image)
{
    int count = mipmap_level_count(image->width, image->height);
    int first = image->mip_custom ? image->levels : 1;
    size_t total = image_level_offset(*image, count);
    image->pixels.resize(total);
    int ch = image->channels;
    for (int level = first; level < count; ++level) {
        int sw, sh, dw, dh;
        level_size(*image, level - 1, &sw, &sh);
        level_size(*image, level, &dw, &dh);
        const uint8_t *src = image->pixels.data() + image_level_offset(*image, level - 1);
        uint8_t *dst = image->pixels.data() + image_level_offset(*image, level);
        int xs = sw > 1 ? 2 : 1, ys = sh > 1 ? 2 : 1, n = xs * ys;
        for (int y = 0; y < dh; ++y) {
            for (int x = 0; x < dw; ++x) {
                const uint8_t *s[4];
                int k = 0;
                for (int j = 0; j < ys; ++j)
                    for (int i = 0; i < xs; ++i)
                        s[k++] = src + (((size_t)(y * ys + j) * sw) + x * xs + i) * ch;
                uint8_t *d = dst + ((size_t)y * dw + x) * ch;
                int alpha_sum = 0, alpha_max = 0;
                if (ch == 4)
                    for (int q = 0; q < n; ++q) {
                        alpha_sum += s[q][3];
                        alpha_max = s[q][3] > alpha_max ? s[q][3] : alpha_max;
                    }
                bool weighted = ch == 4 && alpha_sum != 0 && alpha_sum != n * 255;
                for (int c = 0; c < ch; ++c) {
                    int sum = 0;
                    if (c < 3 && weighted) {
                        for (int q = 0; q < n; ++q)
                            sum += s[q][c] * s[q][3];
                        d[c] = (uint8_t)(sum / alpha_sum);
                    } else if (c == 3 && image->mip_max_alpha) {
                        d[c] = (uint8_t)alpha_max;
                    } else {
                        for (int q = 0; q < n; ++q)
                            sum += s[q][c];
                        d[c] = (uint8_t)(sum / n);
                    }
                }
            }
        }
    }
    image->levels = count;
}

bool is_power_of_two(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

bool resample_to_power_of_two(Image *image)
{
    if (is_power_of_two(image->width) && is_power_of_two(image->height))
        return false;
    int w = 1, h = 1;
    while (w < image->width)
        w *= 2;
    while (h < image->height)
        h *= 2;
    int ch = image->channels;
    std::vector<uint8_t> out((size_t)w * h * ch);
    for (int y = 0; y < h; ++y) {
        int sy = (int)((long)y * image->height / h);
        for (int x = 0; x < w; ++x) {
            int sx = (int)((long)x * image->width / w);
            memcpy(&out[((size_t)y * w + x) * ch], &image->pixels[((size_t)sy * image->width + sx) * ch], ch);
        }
    }
    image->width = w;
    image->height = h;
    image->pixels = std::move(out);
    image->levels = 1;
    image->mip_custom = false;
    make_mipmaps(image);
    return true;
}

void image_border_colour(const Image &image, float rgba[4])
{
    std::map<int, int> counts;
    auto count = [&](int x, int y) {
        const uint8_t *p = &image.pixels[((size_t)y * image.width + x) * image.channels];
        int key = 0;
        for (int c = 0; c < 3; ++c)
            key = key * 8 + (p[c * (image.channels >= 3)] * 7 + 127) / 255;
        ++counts[key];
    };
    for (int x = 0; x < image.width; ++x) {
        count(x, 0);
        count(x, image.height - 1);
    }
    for (int y = 0; y < image.height; ++y) {
        count(0, y);
        count(image.width - 1, y);
    }
    int best = 0, best_count = -1;
    for (const auto &kv : counts)
        if (kv.second > best_count) {
            best = kv.first;
            best_count = kv.second;
        }
    rgba[0] = (float)((best >> 6) & 7) / 7.0f;
    rgba[1] = (float)((best >> 3) & 7) / 7.0f;
    rgba[2] = (float)(best & 7) / 7.0f;
    rgba[3] = 1.0f;
}
