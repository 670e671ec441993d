// Image decoders, mipmaps and the texture cache (with a recording driver in
// place of GL).
#include "test_folders.h"

#include "files/game_file.h"
#include "files/image.h"
#include "files/renderer.h"
#include "files/texture.h"
#include "platform/messages.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <png.h>

#include <cstring>

namespace
{

class Images : public GameFolderTest
{
  protected:
    bool read(bool (*reader)(GameFile *, Image *), const std::string &bytes, Image *image)
    {
        write_file(data / "img", bytes);
        GameFile *f = gf_open("@img", "rb");
        EXPECT_NE(f, nullptr);
        bool ok = reader(f, image);
        gf_close(f);
        return ok;
    }
};

TEST_F(Images, JPredictionRebuildsPixels)
{
    Image image;
    ASSERT_TRUE(read(read_image_j, "J7 3 2\n" + std::string(24, '\0'), &image));
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, std::vector<uint8_t>(24, 0));

    std::string deltas(3 * 3 * 3, '\0');
    deltas[0] = 10;
    ASSERT_TRUE(read(read_image_j, "J6\n# comment\n3\n# another\n3 " + deltas, &image));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(image.pixels[i * 3], 10) << i;
        EXPECT_EQ(image.pixels[i * 3 + 1], 0) << i;
    }

    // Gradient prediction: left + above - above-left, clamped.
    std::string grad = {100, 0, 0, (char)50, 0, 0, (char)-20, 0, 0, 7, 0, 0};
    ASSERT_TRUE(read(read_image_j, "J6 2 2 " + grad, &image));
    EXPECT_EQ(image.pixels[3], 150);     // left 100 + 50
    EXPECT_EQ(image.pixels[6], 80);      // above 100 - 20
    EXPECT_EQ(image.pixels[9], 130 + 7); // 150 + 80 - 100 + 7
    EXPECT_FALSE(read(read_image_j, "J6 2 2 " + grad.substr(0, 5), &image));
}

TEST_F(Images, PortableMapsWithCommentsAndScaling)
{
    Image image;
    ASSERT_TRUE(read(read_image_ppm, "P6\n# made by hand\n2 1\n# max\n255\n\x01\x02\x03\x04\x05\x06", &image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(read(read_image_ppm, "P3 1 1 15 # c\n15 0 # in between\n 5", &image));
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 0, 85}));
    ASSERT_TRUE(read(read_image_pgm, "P5 2 1 255\n\x10\x20", &image));
    EXPECT_EQ(image.channels, 1);
    ASSERT_TRUE(read(read_image_pgm, "P2 2 1 1 1 0", &image));
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 0}));

    struct Bad {
        bool (*reader)(GameFile *, Image *);
        const char *bytes;
        const char *error;
    };
    const Bad bad[] = {
        {read_image_ppm, "P5 1 1 255 x", "Can't parse PPM header"},
        {read_image_ppm, "P6 x 1 255 abc", "Can't get PPM dimensions"},
        {read_image_ppm, "P6 99999 99999 255 abc", "Can't get PPM dimensions"},
        {read_image_pgm, "P6 1 1 255 x", "Can't parse PGM header"},
        {read_image_pgm, "P5 2", "Can't get PGM dimensions"},
        {read_image_ppm, "P6 4 4 255 short", "Image data cut short"},
    };
    for (const Bad &b : bad) {
        EXPECT_FALSE(read(b.reader, b.bytes, &image)) << b.bytes;
        EXPECT_STREQ(image_error(), b.error) << b.bytes;
    }
}

// Writes a palette PNG with a transparent first entry.
void write_palette_png(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, 2, 1, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2] = {{255, 0, 0}, {0, 0, 255}};
    png_set_PLTE(png, info, palette, 2);
    png_byte alpha[1] = {0};
    png_set_tRNS(png, info, alpha, 1, nullptr);
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = (png_charp) "Comment";
    text.text = (png_charp) "[mip_max_alpha]";
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    png_byte row[2] = {0, 1};
    png_write_row(png, row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(f);
}

TEST_F(Images, PngTransparencyBecomesAlphaAndTextFlagsAreRead)
{
    write_palette_png(data / "pal.png");
    Image image;
    ASSERT_TRUE(read_image_png("@pal.png", &image));
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 0, 0, 0, 0, 0, 255, 255}));
    EXPECT_TRUE(image.mip_max_alpha);

    write_file(data / "junk.png", "not a png at all");
    EXPECT_FALSE(read_image_png("@junk.png", &image));
    std::string png = read_file(data / "pal.png");
    write_file(data / "cut.png", png.substr(0, png.size() / 2));
    EXPECT_FALSE(read_image_png("@cut.png", &image));
}

// A PNG chunk of the given type and data, with its length and CRC.
std::string png_chunk(const char *type, const std::string &data, uint32_t length)
{
    std::string body = std::string(type, 4) + data;
    uint32_t crc = (uint32_t)crc32(0, (const Bytef *)body.data(), (uInt)body.size());
    auto be = [](uint32_t v) { return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v}; };
    return be(length) + body + be(crc);
}

// Headers asking for more than their files hold fail at once, before
// anything is allocated for them (a 20-byte header must not cost a gigabyte).
TEST_F(Images, HeadersAskingForMoreThanTheFileHoldsFail)
{
    const struct {
        bool (*reader)(GameFile *, Image *);
        std::string bytes;
    } cases[] = {
        {read_image_ppm, "P6\n16384 16384\n255\nxy"},
        {read_image_ppm, "P3 16384 16384 255 1 2 3"},
        {read_image_pgm, "P5 16384 16384 255\n"},
        {read_image_j, "J7 16384 16384\n" + std::string(100, '\0')},
        {read_image_ppm, "P6 16385 1 255\n"}, // beyond the largest side
        {read_image_ppm, "P6 -5 1 255\n"},
    };
    for (const auto &c : cases) {
        Image image;
        EXPECT_FALSE(read(c.reader, c.bytes, &image)) << c.bytes.substr(0, 20);
        EXPECT_TRUE(image.pixels.empty());
    }

    // A small PNG whose text chunk claims a gigabyte, and one whose header
    // asks for 16384 x 16384 pixels with no data behind it.
    std::string signature = "\x89PNG\r\n\x1a\n";
    std::string ihdr_1x1 = png_chunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\0\0\0\0", 13), 13);
    std::string ihdr_huge = png_chunk("IHDR", std::string("\0\0\x40\0\0\0\x40\0\x08\x06\0\0\0", 13), 13);
    write_file(data / "text.png", signature + ihdr_1x1 + png_chunk("tEXt", "Comment\0xyz", 0x40000000));
    write_file(data / "huge.png", signature + ihdr_huge + png_chunk("IDAT", "x", 1) + png_chunk("IEND", "", 0));
    for (const char *name : {"@text.png", "@huge.png"}) {
        Image image;
        EXPECT_FALSE(read_image_png(name, &image)) << name;
        std::vector<uint16_t> samples;
        int w, h;
        EXPECT_FALSE(read_heights_png(name, &samples, &w, &h)) << name;
    }
}

TEST_F(Images, CustomMipLevelsAreCutFromTheirPlaces)
{
    // 4x6: level 0 is the top 4x4, level 1 the 2x2 at (0, 4), level 2 the
    // 1x1 at (2, 4). Each pixel's red holds its own position.
    FILE *f = fopen((data / "custom.png").c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, 4, 6, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_text text = {};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = (png_charp) "Comment";
    text.text = (png_charp) "made with [mip_custom]";
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    for (int y = 0; y < 6; ++y) {
        png_byte row[12];
        for (int x = 0; x < 4; ++x) {
            row[x * 3] = (png_byte)(y * 4 + x);
            row[x * 3 + 1] = row[x * 3 + 2] = 0;
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(f);

    Image image;
    ASSERT_TRUE(read_image_png("@custom.png", &image));
    EXPECT_EQ(image.height, 4);
    ASSERT_EQ(image.levels, 3);
    const uint8_t *level1 = &image.pixels[image_level_offset(image, 1)];
    EXPECT_EQ(level1[0], 16);                                  // (0, 4)
    EXPECT_EQ(level1[3 * 3], 21);                              // (1, 5)
    EXPECT_EQ(image.pixels[image_level_offset(image, 2)], 18); // (2, 4)
}

TEST_F(Images, HeightPngsRoundTripAndEightBitWidens)
{
    std::vector<uint16_t> heights = {0, 1, 256, 65535, 12345, 40000};
    ASSERT_TRUE(write_heights_png("@h.png", heights.data(), 3, 2));
    std::vector<uint16_t> back;
    int w, h;
    ASSERT_TRUE(read_heights_png("@h.png", &back, &w, &h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(back, heights);

    const uint8_t rgb[] = {10, 10, 10, 200, 200, 200};
    ASSERT_TRUE(write_rgb_png("@shot.png", rgb, 2, 1));
    ASSERT_TRUE(read_heights_png("@shot.png", &back, &w, &h));
    EXPECT_EQ(back, (std::vector<uint16_t>{10 * 257, 200 * 257}));
    Image shot;
    ASSERT_TRUE(read_image_png("@shot.png", &shot));
    EXPECT_EQ(shot.pixels, std::vector<uint8_t>(rgb, rgb + 6));
}

TEST(Mipmaps, AlphaWeightedColourAndPairsAtTheEdge)
{
    Image image;
    image.width = 2;
    image.height = 2;
    image.channels = 4;
    image.pixels = {200, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    make_mipmaps(&image);
    ASSERT_EQ(image.levels, 2);
    const uint8_t *one = &image.pixels[16];
    EXPECT_EQ(one[0], 200); // only the opaque pixel counts for colour
    EXPECT_EQ(one[3], 63);  // alpha is the mean
    image.levels = 1;
    image.mip_max_alpha = true;
    make_mipmaps(&image);
    EXPECT_EQ(image.pixels[19], 255);

    Image strip;
    strip.width = 4;
    strip.height = 1;
    strip.channels = 1;
    strip.pixels = {0, 10, 20, 31};
    make_mipmaps(&strip);
    EXPECT_EQ(strip.levels, 3);
    EXPECT_EQ(std::vector<uint8_t>(strip.pixels.begin() + 4, strip.pixels.end()), (std::vector<uint8_t>{5, 25, 15}));
}

// A renderer that records what would reach GL.
struct Upload {
    int width, height, first_level;
    bool repeat_h, repeat_v;
};
std::vector<Upload> uploads;
int replaced_frames;
unsigned next_id = 100;

unsigned record_create(const Image &image, int first, bool repeat_h, bool repeat_v)
{
    uploads.push_back({image.width, image.height, first, repeat_h, repeat_v});
    return next_id++;
}
void record_replace(unsigned, const Image &, int)
{
    ++replaced_frames;
}
void record_destroy(unsigned) {}
Renderer recording_renderer()
{
    Renderer r = {};
    r.draws = true;
    r.create_texture = record_create;
    r.replace_texture = record_replace;
    r.destroy_texture = record_destroy;
    return r;
}

class Textures : public Images
{
  protected:
    void SetUp() override
    {
        Images::SetUp();
        uploads.clear();
        Renderer recorder = recording_renderer();
        renderer_install(&recorder);
        texture_settings(2, false);
        message_log_clear();
    }
    void TearDown() override
    {
        renderer_install(nullptr);
        Images::TearDown();
    }
    void write_png(const std::string &name, int w, int h)
    {
        std::vector<uint8_t> rgb((size_t)w * h * 3, 90);
        ASSERT_TRUE(write_rgb_png(("@" + name).c_str(), rgb.data(), w, h));
    }
};

TEST_F(Textures, NonPowerOfTwoIsResampledWithAWarning)
{
    write_png("odd.png", 300, 200);
    unsigned id = load_texture("@odd.png");
    ASSERT_NE(id, 0u);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].width, 512);
    EXPECT_EQ(uploads[0].height, 256);
    EXPECT_STREQ(message_log_line(0), "Warning: Non power of 2 texture '@odd.png'");
}

TEST_F(Textures, DetailReductionSkipsLevelsOnlyAboveOneTwentyEight)
{
    write_png("big.png", 1024, 1024);
    write_png("wide.png", 256, 128);
    load_texture("@big.png");
    load_texture("@wide.png");
    load_texture("!@big-repeat.png"); // missing file: no upload
    write_png("big-repeat.png", 1024, 1024);
    unsigned full = load_texture("!@big-repeat.png");
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].first_level, 2);
    EXPECT_EQ(uploads[1].first_level, 0);
    EXPECT_EQ(uploads[2].first_level, 0);
    EXPECT_TRUE(uploads[2].repeat_h && uploads[2].repeat_v);
    EXPECT_STREQ(texture_name(full), "@big-repeat.png");
    EXPECT_EQ(load_texture("@big-repeat.png"), full); // cached without the "!"
}

TEST_F(Textures, CacheMatchesCaseWithAWarningAndFreesStaleOnes)
{
    write_png("Skin.png", 8, 8);
    unsigned font = load_texture("@Skin.png"); // before any track: kept for ever
    EXPECT_EQ(load_texture("@skin.png"), font);
    EXPECT_STREQ(message_log_line(0), "Warning: case mismatch on '@skin.png'");

    texture_generation_advance();
    write_png("track.png", 8, 8);
    unsigned track = load_texture("@track.png");
    EXPECT_GT(texture_memory(), 0);
    texture_generation_advance();
    free_stale_textures();
    EXPECT_EQ(texture_name(track), nullptr);
    EXPECT_STREQ(texture_name(font), "@Skin.png");
}

TEST_F(Textures, SequencesStepThroughTheirFrames)
{
    AnimationTiming once = {3, 4, 0, 100};
    EXPECT_EQ(animation_step(once, 50), 0);
    EXPECT_EQ(animation_step(once, 104), 1);
    EXPECT_EQ(animation_step(once, 108), 2);
    EXPECT_EQ(animation_step(once, 100000), 2);
    AnimationTiming looping = {3, 4, 1, 100};
    EXPECT_EQ(animation_step(looping, 112), 0);

    std::string frame = "J7 2 2\n" + std::string(16, '\0');
    std::string other = "J7 2 2\n" + std::string(16, '\x05');
    write_file(data / "flag.seq", "ANIM1 3 2 4 0\n0 1 0\n" + frame + other);
    unsigned id = load_texture("@flag.seq");
    ASSERT_NE(id, 0u);
    replaced_frames = 0;
    start_animation(id, 0);
    update_animated_textures(3);
    EXPECT_EQ(replaced_frames, 0);
    update_animated_textures(4);
    EXPECT_EQ(replaced_frames, 1);
    pause_animation(id);
    update_animated_textures(8);
    EXPECT_EQ(replaced_frames, 1);

    // A broken sequence falls back to PNG and fails cleanly.
    write_file(data / "bad.seq", "ANIM1 2 1 4 0\n0 5\n" + frame);
    EXPECT_EQ(load_texture("@bad.seq"), 0u);
    write_file(data / "mixed.seq", "ANIM1 1 2 4 0\n0\n" + frame + "J7 4 4\n" + std::string(64, '\0'));
    EXPECT_EQ(load_texture("@mixed.seq"), 0u);
}

TEST_F(Textures, WithoutARendererNothingIsLoaded)
{
    renderer_install(nullptr);
    write_png("x.png", 4, 4);
    EXPECT_EQ(load_texture("@x.png"), 0u);
    EXPECT_TRUE(uploads.empty());
}

} // namespace
