// Pictures being generated: an RGBA canvas with drawing helpers, and its
// encodings (PNG through libpng, PPM, PGM).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Colour {
    float r, g, b, a;
};

struct Picture {
    int width, height;
    std::vector<Colour> pixels; // rows top to bottom

    Picture(int w, int h, Colour fill = {0, 0, 0, 0});
    Colour &at(int x, int y) { return pixels[(size_t)y * width + x]; }
    const Colour &at(int x, int y) const { return pixels[(size_t)y * width + x]; }

    // Blends a colour over a pixel (alpha compositing); outside is ignored.
    void blend(int x, int y, Colour c);
    void fill_rect(float x0, float y0, float x1, float y1, Colour c);
    void fill_circle(float cx, float cy, float radius, Colour c);
    void line(float x0, float y0, float x1, float y1, float width, Colour c);
    // A convex polygon of n points (x, y pairs).
    void fill_polygon(const std::vector<float> &points, Colour c);
};

Colour mix(Colour a, Colour b, float t);
Colour shade(Colour c, float factor);

// PNG with alpha (RGBA) or without (RGB); optional text chunk.
std::string png_bytes(const Picture &p, bool alpha, const std::string &text = "");

// Binary PPM (P6) of the RGB channels.
std::string ppm_bytes(const Picture &p);

// 16-bit grey PNG of samples, rows top to bottom.
std::string png16_bytes(const std::vector<uint16_t> &samples, int width, int height);
