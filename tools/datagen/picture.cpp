#include "picture.h"

#include <png.h>

#include <algorithm>
#include <cmath>

Picture::Picture(int w, int h, Colour fill) : width(w), height(h), pixels((size_t)w * h, fill) {}

void Picture::blend(int x, int y, Colour c)
{
    if (x < 0 || y < 0 || x >= width || y >= height || c.a <= 0)
        return;
    Colour &d = at(x, y);
    float a = c.a + d.a * (1 - c.a);
    if (a <= 0)
        return;
    d.r = (c.r * c.a + d.r * d.a * (1 - c.a)) / a;
    d.g = (c.g * c.a + d.g * d.a * (1 - c.a)) / a;
    d.b = (c.b * c.a + d.b * d.a * (1 - c.a)) / a;
    d.a = a;
}

void Picture::fill_rect(float x0, float y0, float x1, float y1, Colour c)
{
    for (int y = (int)std::floor(y0); y < (int)std::ceil(y1); ++y)
        for (int x = (int)std::floor(x0); x < (int)std::ceil(x1); ++x)
            blend(x, y, c);
}

void Picture::fill_circle(float cx, float cy, float r, Colour c)
{
    for (int y = (int)(cy - r - 1); y <= (int)(cy + r + 1); ++y) {
        for (int x = (int)(cx - r - 1); x <= (int)(cx + r + 1); ++x) {
            float d = std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy));
            float cover = std::min(1.0f, std::max(0.0f, r - d + 0.5f));
            blend(x, y, {c.r, c.g, c.b, c.a * cover});
        }
    }
}

void Picture::line(float x0, float y0, float x1, float y1, float w, Colour c)
{
    float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
    int steps = (int)(len * 2) + 1;
    for (int k = 0; k <= steps; ++k) {
        float t = (float)k / steps;
        fill_circle(x0 + dx * t, y0 + dy * t, w / 2, {c.r, c.g, c.b, c.a / 2});
    }
}

void Picture::fill_polygon(const std::vector<float> &pts, Colour c)
{
    size_t n = pts.size() / 2;
    float y_lo = 1e9f, y_hi = -1e9f;
    for (size_t k = 0; k < n; ++k) {
        y_lo = std::min(y_lo, pts[2 * k + 1]);
        y_hi = std::max(y_hi, pts[2 * k + 1]);
    }
    for (int y = (int)std::floor(y_lo); y <= (int)std::ceil(y_hi); ++y) {
        float sy = y + 0.5f;
        std::vector<float> xs;
        for (size_t k = 0; k < n; ++k) {
            float ax = pts[2 * k], ay = pts[2 * k + 1];
            float bx = pts[2 * ((k + 1) % n)], by = pts[2 * ((k + 1) % n) + 1];
            if ((ay <= sy && by > sy) || (by <= sy && ay > sy))
                xs.push_back(ax + (sy - ay) / (by - ay) * (bx - ax));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2)
            for (int x = (int)std::floor(xs[k] + 0.5f); x < (int)std::floor(xs[k + 1] + 0.5f); ++x)
                blend(x, y, c);
    }
}

Colour mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour shade(Colour c, float f)
{
    return {c.r * f, c.g * f, c.b * f, c.a};
}

namespace
{

uint8_t to_byte(float v)
{
    v = v < 0 ? 0 : v > 1 ? 1 : v;
    return (uint8_t)std::lround(v * 255);
}

void append(png_structp png, png_bytep data, png_size_t length)
{
    ((std::string *)png_get_io_ptr(png))->append((const char *)data, length);
}

std::string encode_png(const std::vector<std::vector<uint8_t>> &rows, int width, int height, int colour_type, int depth,
                       const std::string &text)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, append, nullptr);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, depth, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_text chunk = {};
    if (!text.empty()) {
        chunk.compression = PNG_TEXT_COMPRESSION_NONE;
        chunk.key = (png_charp) "Comment";
        chunk.text = (png_charp)text.c_str();
        png_set_text(png, info, &chunk, 1);
    }
    png_write_info(png, info);
    for (const auto &row : rows)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

std::string png_bytes(const Picture &p, bool alpha, const std::string &text)
{
    int ch = alpha ? 4 : 3;
    std::vector<std::vector<uint8_t>> rows(p.height, std::vector<uint8_t>((size_t)p.width * ch));
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const Colour &c = p.at(x, y);
            uint8_t *d = &rows[y][(size_t)x * ch];
            d[0] = to_byte(c.r);
            d[1] = to_byte(c.g);
            d[2] = to_byte(c.b);
            if (alpha)
                d[3] = to_byte(c.a);
        }
    return encode_png(rows, p.width, p.height, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, text);
}

std::string ppm_bytes(const Picture &p)
{
    std::string out = "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    out.reserve(out.size() + p.pixels.size() * 3);
    for (const Colour &c : p.pixels) {
        out += (char)to_byte(c.r);
        out += (char)to_byte(c.g);
        out += (char)to_byte(c.b);
    }
    return out;
}

std::string png16_bytes(const std::vector<uint16_t> &samples, int width, int height)
{
    std::vector<std::vector<uint8_t>> rows(height, std::vector<uint8_t>((size_t)width * 2));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint16_t s = samples[(size_t)y * width + x];
            rows[y][2 * x] = (uint8_t)(s >> 8); // PNG stores big-endian samples
            rows[y][2 * x + 1] = (uint8_t)s;
        }
    return encode_png(rows, width, height, PNG_COLOR_TYPE_GRAY, 16, "");
}
