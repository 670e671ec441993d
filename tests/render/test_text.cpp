// Font cells from separator-grid pictures, text widths and view extents.
#include "files/image.h"
#include "render/projection.h"
#include "render/text.h"

#include <gtest/gtest.h>

namespace
{

// A 7 x 5 picture of 2 x 2 glyph cells: separators at x = 0, 3 and 6 along
// the top row and at y = 0 and 3 down the left column.
Image grid_picture()
{
    const int width = 7, height = 5;
    Image image;
    image.width = width;
    image.height = height;
    image.channels = 4;
    image.pixels.assign((size_t)width * height * 4, 255); // glyph ink: opaque white
    auto paint = [&](int x, int y) {
        uint8_t *p = &image.pixels[((size_t)y * width + x) * 4];
        p[0] = 255, p[1] = 0, p[2] = 255, p[3] = 255; // magenta separator
    };
    for (int x : {0, 3, 6})
        paint(x, 0); // the top row marks the columns
    paint(0, 3);     // the left column marks the rows
    return image;
}

TEST(Fonts, CellsAreTakenRowByRowAndSeparatorsCleared)
{
    Image image = grid_picture();
    Font font;
    font_layout(&font, &image, "AB9");
    // Columns [1, 3) and [4, 6); rows [1, 3) and [4, 5).
    const float a[4] = {1.0f / 7, 1.0f / 5, 3.0f / 7, 3.0f / 5};
    for (int i = 0; i < 4; ++i)
        EXPECT_FLOAT_EQ(font.rect['A'][i], a[i]);
    EXPECT_FLOAT_EQ(font.rect['B'][0], 4.0f / 7);
    EXPECT_FLOAT_EQ(font.width['A'], 1.0f);
    EXPECT_FLOAT_EQ(font.rect['9'][1], 4.0f / 5);
    EXPECT_FLOAT_EQ(font.width['9'], 2.0f);
    // Characters beyond the string, and the blank, are missing glyphs.
    EXPECT_FLOAT_EQ(font.width['C'], MISSING_GLYPH_WIDTH);
    EXPECT_FLOAT_EQ(font.width[' '], MISSING_GLYPH_WIDTH);
    EXPECT_FLOAT_EQ(font.rect['C'][2], 0.0f);
    EXPECT_EQ(image.pixels[3], 0);                     // separator now transparent
    EXPECT_EQ(image.pixels[(1 * 7 + 1) * 4 + 3], 255); // ink untouched
}

TEST(Fonts, TextWidthFollowsBlanksTabsAndLineBreaks)
{
    Image image = grid_picture();
    font_layout(&text_font, &image, "AB9");
    const float blank = MISSING_GLYPH_WIDTH;
    struct Case {
        const char *text;
        float width;
    } cases[] = {
        {"", 0}, {"A9", 3}, {"A B", 2 + blank}, {"A\t9", 8 * blank + 2}, {"99\nA", 1}, {"99\r", 0}, {"?", blank},
    };
    for (const Case &c : cases)
        EXPECT_FLOAT_EQ(text_width(c.text), c.width) << c.text;
    text_font = Font();
}

TEST(Projection, WideScreensKeepTheVerticalExtentOfFourByThree)
{
    struct Case {
        int width, height;
        float fov, x, y;
    } cases[] = {
        {640, 480, 90, 1, 0.75f},
        {1280, 720, 90, 0.75f * 16 / 9, 0.75f},
        {480, 640, 90, 1, 4.0f / 3},
        {800, 600, 60, 0.5773503f, 0.4330127f},
    };
    for (const Case &c : cases) {
        ViewExtents e = compute_view_extents(c.width, c.height, c.fov);
        EXPECT_NEAR(e.x, c.x, 1e-5) << c.width << "x" << c.height;
        EXPECT_NEAR(e.y, c.y, 1e-5) << c.width << "x" << c.height;
    }
}

} // namespace
