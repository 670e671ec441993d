// Fonts and HUD pictures: "font.png", "numbers.png", "numbers-condensed.png"
// in the separator-grid layout the font loader reads, "tach.png",
// "shifter.png", "pitboard.png" and the title picture "title.ppm".
#include "art.h"

#include "glyphs.h"
#include "noise.h"
#include "output.h"
#include "picture.h"

#include <algorithm>
#include <cmath>

namespace
{

const Colour separator = {1, 0, 1, 1};

// One row of glyph cells: the top row marks each column's left edge with the
// separator colour (as does the top-left pixel, which names the colour); the
// cells lie below it, each as wide as its glyph.
void write_font(const char *name, FontFace face, float size, int width, int height, const std::string &chars,
                float squeeze)
{
    Picture p(width, height);
    float ascender, descender;
    face_metrics(face, size, &ascender, &descender);
    int cell_height = height - 1;
    float baseline = 1 + (cell_height - (ascender - descender)) / 2 + ascender;
    int x = 0;
    for (char c : chars) {
        std::string s(1, c);
        int cell = (int)std::ceil(text_advance(face, size, s) * squeeze) + 2;
        p.at(x, 0) = separator;
        if (x + 1 + cell > width)
            break;
        if (squeeze == 1) {
            draw_text(&p, face, size, x + 2.0f, baseline, s, {1, 1, 1, 1});
        } else {
            // Narrower figures: draw wide, then keep every column scaled in.
            Picture wide(cell * 2 + 8, height);
            draw_text(&wide, face, size, 2, baseline, s, {1, 1, 1, 1});
            for (int y = 1; y < height; ++y)
                for (int i = 0; i < cell; ++i)
                    p.at(x + 1 + i, y) = wide.at(std::min(wide.width - 1, (int)(i / squeeze)), y);
        }
        x += cell + 1;
    }
    if (x < width)
        p.at(x, 0) = separator;
    p.at(0, 0) = separator;
    for (int y = 1; y < height; ++y)
        p.at(0, y) = {0, 0, 0, 0};
    write_output(name, png_bytes(p, true));
}

void write_tach()
{
    const int S = 256;
    const float c = S / 2.0f;
    Picture p(S, S);
    p.fill_circle(c, c, 126, {0.08f, 0.08f, 0.09f, 0.92f});
    p.fill_circle(c, c, 118, {0.16f, 0.16f, 0.18f, 0.95f});
    // 0 rpm points 135 degrees left of straight up, 16000 rpm 135 degrees right.
    auto angle_of = [](float rpm) { return ((rpm * 4.6875e-05f) - 0.375f) * 2 * (float)M_PI; };
    for (int rpm = 13500; rpm <= 16000; rpm += 50) {
        float a = angle_of((float)rpm);
        p.line(c + std::sin(a) * 100, c - std::cos(a) * 100, c + std::sin(a) * 114, c - std::cos(a) * 114, 3,
               {0.85f, 0.1f, 0.08f, 1});
    }
    for (int rpm = 0; rpm <= 16000; rpm += 500) {
        float a = angle_of((float)rpm);
        bool major = rpm % 1000 == 0;
        float inner = major ? 92 : 102;
        p.line(c + std::sin(a) * inner, c - std::cos(a) * inner, c + std::sin(a) * 114, c - std::cos(a) * 114,
               major ? 4 : 2, {0.95f, 0.95f, 0.95f, 1});
        if (major && rpm % 2000 == 0) {
            std::string label = std::to_string(rpm / 1000);
            float w = text_advance(FACE_SANS_BOLD, 20, label);
            draw_text(&p, FACE_SANS_BOLD, 20, c + std::sin(a) * 72 - w / 2, c - std::cos(a) * 72 + 7, label,
                      rpm >= 14000 ? Colour{1, 0.3f, 0.2f, 1} : Colour{1, 1, 1, 1});
        }
    }
    std::string unit = "x1000 rpm";
    draw_text(&p, FACE_SANS, 13, c - text_advance(FACE_SANS, 13, unit) / 2, c + 62, unit, {0.8f, 0.8f, 0.8f, 1});
    p.fill_circle(c, c, 10, {0.3f, 0.3f, 0.32f, 1});
    write_output("tach.png", png_bytes(p, true));
}

void write_shifter()
{
    // Gear g (0 is first gear: there is no neutral) sits in column g mod 3,
    // row g div 3: 1 .. 6, then three spare cells that repeat the top gear.
    const int S = 255, cell = S / 3;
    Picture p(256, 256);
    const char *labels[9] = {"1", "2", "3", "4", "5", "6", "6", "6", "6"};
    for (int g = 0; g < 9; ++g) {
        float x = (g % 3) * (float)cell, y = (g / 3) * (float)cell;
        p.fill_rect(x + 6, y + 6, x + cell - 6, y + cell - 6, {0.05f, 0.05f, 0.06f, 0.8f});
        Colour ink = {1, 0.85f, 0.2f, 1};
        float w = text_advance(FACE_SANS_BOLD, 58, labels[g]);
        draw_text(&p, FACE_SANS_BOLD, 58, x + (cell - w) / 2, y + cell / 2.0f + 21, labels[g], ink);
    }
    write_output("shifter.png", png_bytes(p, true));
}

void write_pitboard()
{
    // The HUD shows texture rows 0.1875 .. 0.875: the board fills them, with
    // its stick below.
    Picture p(256, 256);
    p.fill_rect(118, 220, 138, 256, {0.35f, 0.35f, 0.38f, 1});
    p.fill_rect(8, 44, 248, 228, {0.05f, 0.05f, 0.05f, 1});
    p.fill_rect(16, 52, 240, 220, {0.96f, 0.96f, 0.92f, 1});
    for (int k = 0; k < 3; ++k)
        p.fill_rect(24, 96.0f + k * 40, 232, 97.0f + k * 40, {0.8f, 0.8f, 0.78f, 1});
    write_output("pitboard.png", png_bytes(p, true));
}

void write_title()
{
    const int W = 512, H = 256;
    Picture p(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float t = (float)y / H;
            p.at(x, y) = mix({0.95f, 0.62f, 0.30f, 1}, {0.25f, 0.35f, 0.65f, 1}, 1 - t * 1.4f);
        }
    // Hills in layers, the nearest darkest.
    for (int layer = 0; layer < 3; ++layer) {
        Colour hill = shade({0.30f, 0.36f, 0.22f, 1}, 1.0f - layer * 0.3f);
        for (int x = 0; x < W; ++x) {
            float top = 150 + layer * 30 - 40 * fbm(x / 120.0f, layer * 7.0f, 3, 200 + layer);
            p.fill_rect((float)x, top, x + 1.0f, (float)H, hill);
        }
    }
    // A rider in the air over a jump: wheels, frame and rider in silhouette.
    Colour ink = {0.05f, 0.05f, 0.07f, 1};
    float bx = 440, by = 176;
    p.fill_circle(bx - 34, by + 18, 15, ink);
    p.fill_circle(bx + 34, by + 6, 15, ink);
    p.fill_circle(bx - 34, by + 18, 9, {0.95f, 0.62f, 0.30f, 0.4f});
    p.fill_circle(bx + 34, by + 6, 9, {0.95f, 0.62f, 0.30f, 0.4f});
    p.fill_polygon({bx - 34, by + 18, bx - 6, by - 4, bx + 22, by - 14, bx + 34, by + 6, bx + 6, by + 6}, ink);
    p.fill_polygon({bx - 10, by - 8, bx + 4, by - 40, bx + 16, by - 38, bx + 8, by - 8}, ink);
    p.fill_circle(bx + 10, by - 46, 8, ink);
    p.line(bx + 8, by - 34, bx + 24, by - 18, 5, ink);
    p.fill_polygon({300, 256, 330, 190, 350, 256}, shade({0.45f, 0.33f, 0.22f, 1}, 0.8f));
    float size = 86;
    std::string title = "RUTVALE";
    float w = text_advance(FACE_SANS_BOLD, size, title);
    draw_text(&p, FACE_SANS_BOLD, size, (W - w) / 2 + 4, 104, title, {0, 0, 0, 0.6f});
    draw_text(&p, FACE_SANS_BOLD, size, (W - w) / 2, 100, title, {1, 0.96f, 0.9f, 1});
    std::string sub = "MOTOCROSS SIMULATOR";
    float sw = text_advance(FACE_SANS_BOLD, 20, sub);
    draw_text(&p, FACE_SANS_BOLD, 20, (W - sw) / 2, 134, sub, {1, 0.85f, 0.3f, 1});
    write_output("title.ppm", ppm_bytes(p));
}

// The desktop icon: the title's rider over a jump on an evening disc.
void write_icon()
{
    const int S = 256;
    Picture p(S, S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float dx = x + 0.5f - S / 2.0f, dy = y + 0.5f - S / 2.0f, r = std::sqrt(dx * dx + dy * dy);
            if (r > 124)
                continue;
            Colour sky = mix({0.95f, 0.62f, 0.30f, 1}, {0.25f, 0.35f, 0.65f, 1}, 1 - (float)y / S * 1.4f);
            // A soft edge one pixel wide.
            sky.a = std::min(1.0f, 124 - r);
            p.at(x, y) = sky;
        }
    Colour ground = {0.30f, 0.36f, 0.22f, 1}, ink = {0.05f, 0.05f, 0.07f, 1};
    for (int x = 0; x < S; ++x) {
        float top = 190 - 30 * std::sin(x / 40.0f);
        for (int y = (int)top; y < S; ++y) {
            float dx = x + 0.5f - S / 2.0f, dy = y + 0.5f - S / 2.0f;
            if (dx * dx + dy * dy < 123 * 123)
                p.at(x, y) = ground;
        }
    }
    float bx = 128, by = 120, k = 1.9f;
    p.fill_circle(bx - 34 * k, by + 18 * k, 15 * k, ink);
    p.fill_circle(bx + 34 * k, by + 6 * k, 15 * k, ink);
    p.fill_circle(bx - 34 * k, by + 18 * k, 9 * k, {0.95f, 0.62f, 0.30f, 0.5f});
    p.fill_circle(bx + 34 * k, by + 6 * k, 9 * k, {0.95f, 0.62f, 0.30f, 0.5f});
    p.fill_polygon({bx - 34 * k, by + 18 * k, bx - 6 * k, by - 4 * k, bx + 22 * k, by - 14 * k, bx + 34 * k, by + 6 * k,
                    bx + 6 * k, by + 6 * k},
                   ink);
    p.fill_polygon({bx - 10 * k, by - 8 * k, bx + 4 * k, by - 40 * k, bx + 16 * k, by - 38 * k, bx + 8 * k, by - 8 * k},
                   ink);
    p.fill_circle(bx + 10 * k, by - 46 * k, 8 * k, ink);
    p.line(bx + 8 * k, by - 34 * k, bx + 24 * k, by - 18 * k, 5 * k, ink);
    write_output("icons/rutvale.png", png_bytes(p, true));
}

} // namespace

void generate_hud()
{
    std::string printable;
    for (char c = '!'; c <= '~'; ++c)
        printable += c;
    write_font("font.png", FACE_SANS_BOLD, 26, 2048, 32, printable, 1);
    write_font("numbers.png", FACE_SANS_BOLD, 54, 512, 64, "0123456789", 1);
    write_font("numbers-condensed.png", FACE_CONDENSED_BOLD, 54, 512, 64, "0123456789", 0.8f);
    write_tach();
    write_shifter();
    write_pitboard();
    write_title();
    write_icon();
}
