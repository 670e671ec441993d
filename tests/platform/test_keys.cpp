// Key names, button codes, the event queue and other window-free input rules.
#include "platform/event_queue.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "render/gl_caps.h"

#include <gtest/gtest.h>

#include <SDL.h>

namespace
{

struct NameCase {
    const char *name;
    int code;
};

TEST(Keys, NamesGiveSetOneCodes)
{
    const NameCase cases[] = {
        {"Left Shift", 4096 + 42},
        {"left shift", 4096 + 42},
        {"LEFT_SHIFT", 4096 + 42},
        {"0x1c", 4096 + 28},
        {"0x200", 0},
        {"0x1ff", 4096 + 511},
        {"Esc", 4096 + 1},
        {"x", 4096 + 0x2D},
        {"right ctrl", 4096 + 0x11D},
        {"keypad enter", 4096 + 0x11C},
        {"pause", 4096 + 0x45},
        {"\\", 4096 + 0x2B},
        {"page up", 4096 + 0x149},
        {"Close", 57005},
        {"Mouse Left", 8192},
        {"mouse middle", 8193},
        {"Mouse Right", 8194},
        {"no such key", 0},
        {" ", 4096 + 0x39},
        {"Keypad .", 4096 + 0x53},
    };
    for (const NameCase &c : cases)
        EXPECT_EQ(key_code(c.name), c.code) << c.name;
}

TEST(Keys, TableHasItsNinetyEightRowsAndEveryRowRoundTrips)
{
    EXPECT_STREQ(key_names[0].name, "Esc");
    EXPECT_STREQ(key_names[KEY_NAME_COUNT - 1].name, "Keypad .");
    for (const KeyName &k : key_names) {
        EXPECT_EQ(key_code(k.name), KEY_BASE + k.scan_code) << k.name;
        // Every key of the table can be typed on a real keyboard.
        int sdl = sdl_from_scan_code(k.scan_code);
        EXPECT_NE(sdl, 0) << k.name;
        EXPECT_EQ(scan_code_from_sdl(sdl), k.scan_code) << k.name;
        const char *shown = key_button_name(KEY_BASE + k.scan_code);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(key_code(shown), KEY_BASE + k.scan_code) << shown;
    }
    EXPECT_STREQ(key_button_name(4096 + 0x7f), "0x7f"); // no name anywhere
    EXPECT_EQ(key_button_name(100), nullptr);
}

TEST(Keys, SdlScancodesMapOntoSetOne)
{
    EXPECT_EQ(scan_code_from_sdl(SDL_SCANCODE_LSHIFT), 42);
    EXPECT_EQ(scan_code_from_sdl(SDL_SCANCODE_RETURN), 0x1C);
    EXPECT_EQ(scan_code_from_sdl(SDL_SCANCODE_KP_ENTER), 0x11C);
    EXPECT_EQ(scan_code_from_sdl(SDL_SCANCODE_UP), 0x148);
    EXPECT_EQ(scan_code_from_sdl(SDL_SCANCODE_KP_8), 0x48);
    EXPECT_EQ(scan_code_from_sdl(0), 0);
    EXPECT_EQ(scan_code_from_sdl(100000), 0);
}

TEST(EventQueue, KeepsTimeOrderAndDropsWhenFull)
{
    EventQueue q;
    event_queue_push(&q, {1, 1, 10, 500000});
    event_queue_push(&q, {2, 0, 10, 200000});
    event_queue_push(&q, {3, 1, 10, 500000});
    InputEvent e;
    ASSERT_TRUE(event_queue_pop(&q, &e));
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(e.pressed, 0);
    EXPECT_FALSE(event_queue_pop_until(&q, 10, 499999, &e));
    ASSERT_TRUE(event_queue_pop_until(&q, 10, 500000, &e));
    EXPECT_EQ(e.code, 1);
    ASSERT_TRUE(event_queue_pop(&q, &e));
    EXPECT_EQ(e.code, 3); // equal times keep their arrival order
    EXPECT_FALSE(event_queue_pop(&q, &e));

    for (int i = 0; i < EVENT_QUEUE_SIZE; ++i)
        EXPECT_TRUE(event_queue_push(&q, {i, 1, 20, i}));
    EXPECT_FALSE(event_queue_push(&q, {999, 1, 0, 0}));
    for (int i = 0; i < EVENT_QUEUE_SIZE; ++i) {
        ASSERT_TRUE(event_queue_pop(&q, &e));
        EXPECT_EQ(e.code, i);
    }
}

TEST(Devices, IdsComeFromTheName)
{
    // "Joystick1": even positions J,y,t,c,1 and odd o,s,i,k.
    int sum1 = 'J' + 'y' + 't' + 'c' + '1', sum2 = ('o' + 's' + 'i' + 'k') & 0xff;
    EXPECT_EQ(device_id_from_name("Joystick1"), (sum1 + sum2 * 256) & 0x7fff);
    EXPECT_NE(device_id_from_name("Joystick1"), device_id_from_name("Joystick2"));
}

TEST(DisplayModes, FullScreenChoiceTakesTheLeastLargerMode)
{
    const DisplayMode modes[] = {{1920, 1080, 32}, {800, 600, 32},  {1024, 768, 32},
                                 {1280, 720, 32},  {1024, 768, 16}, {0, 0, 0}};
    DisplayMode m = choose_fullscreen_mode(modes, 1000, 700);
    EXPECT_EQ(m.width, 1024);
    EXPECT_EQ(m.height, 768);
    EXPECT_EQ(m.bits, 32); // first of equals
    m = choose_fullscreen_mode(modes, 1280, 700);
    EXPECT_EQ(m.width, 1280);
}

TEST(GlCaps, ExtensionsMatchOnlyWholeTokens)
{
    EXPECT_FALSE(extension_present("GL_ARB_multitexture_plus GL_X", "GL_ARB_multitexture"));
    EXPECT_TRUE(extension_present("GL_X GL_ARB_multitexture_plus GL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_TRUE(extension_present("GL_ARB_multitexture GL_X", "GL_ARB_multitexture"));
    EXPECT_FALSE(extension_present("XGL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_FALSE(extension_present("GL_A GL_B", "GL_A GL_B"));
    EXPECT_FALSE(extension_present("", "GL_A"));
}

} // namespace
