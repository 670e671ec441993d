// Command-line options and derived detail settings.
#include "core/settings.h"
#include "ui/config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace
{

struct Parsed {
    int status;
    std::string errors;
    Config config;
    GameSettings settings;
};

Parsed parse(std::vector<std::string> args)
{
    Parsed p;
    config_defaults(&p.config);
    args.insert(args.begin(), "rutvale");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    testing::internal::CaptureStderr();
    p.status = parse_command_line((int)argv.size(), argv.data(), &p.config, &p.settings);
    p.errors = testing::internal::GetCapturedStderr();
    return p;
}

struct OptionCase {
    std::vector<std::string> args;
    std::function<bool(const Parsed &)> holds;
};

TEST(CommandLine, OptionsTable)
{
    const OptionCase cases[] = {
        {{"--texture-detail", "9"},
         [](const Parsed &p) { return p.settings.model_texture_detail == 4 && p.settings.ground_texture_detail == 4; }},
        {{"--texture-detail=-3"},
         [](const Parsed &p) { return p.settings.model_texture_detail == 0 && p.settings.ground_texture_detail == 0; }},
        {{"--ground-texture-detail=2"}, [](const Parsed &p) { return p.settings.ground_texture_detail == 2; }},
        {{"--roostfrequency", "5000"}, [](const Parsed &p) { return p.settings.roost_frequency == 1000; }},
        {{"--erode=2"}, [](const Parsed &p) { return p.settings.erosion == 1.0f; }},
        {{"--detail", "0.01"}, [](const Parsed &p) { return p.settings.terrain_detail == 0.01f; }},
        {{"--max-detail-distance=100"},
         [](const Parsed &p) { return p.settings.max_detail_distance == 100 && p.settings.detail_fade_end == 105; }},
        {{"--lod-scale", "0"}, [](const Parsed &p) { return p.settings.lod_scale == 0.000001f; }},
        {{"--lod-bias=-4"}, [](const Parsed &p) { return p.settings.lod_bias == -4; }},
        {{"--lock-fps=-5"}, [](const Parsed &p) { return p.settings.lock_fps == 0; }},
        {{"--lock-fps", "60fps"}, [](const Parsed &p) { return p.settings.lock_fps == 60; }},
        {{"--fake-lag", "250"}, [](const Parsed &p) { return p.settings.fake_lag == 0.25; }},
        {{"--fake-lag=5000"}, [](const Parsed &p) { return p.settings.fake_lag == 1.0; }},
        {{"--fake-loss=150"}, [](const Parsed &p) { return p.settings.fake_loss == 100; }},
        {{"--width", "1024", "--height=768"},
         [](const Parsed &p) { return p.config.xres == 1024 && p.config.yres == 768; }},
        {{"--width", "wide"}, [](const Parsed &p) { return p.status == -1 && p.config.xres == 640; }},
        {{"--depth", "x"}, [](const Parsed &p) { return p.settings.depth == 0; }},
        {{"--draw-fps=1", "--draw-ping=0", "--draw-render-stats", "2"},
         [](const Parsed &p) {
             return p.config.draw_fps == 1 && p.config.draw_ping == 0 && p.settings.draw_render_stats == 2;
         }},
        {{"--connect", "rutvale:host.example:19801"},
         [](const Parsed &p) { return p.settings.connect == "host.example:19801"; }},
        {{"--connect=host.example"}, [](const Parsed &p) { return p.settings.connect == "host.example"; }},
        {{"--chase-center", "1,2.5,-3"},
         [](const Parsed &p) {
             return p.settings.chase_center[0] == 1 && p.settings.chase_center[1] == 2.5f &&
                    p.settings.chase_center[2] == -3;
         }},
        {{"--fugly", "--nosound", "--nolearn", "--super-debug", "--practice", "--warp", "--hidden-pause",
          "--hidden-hud", "--editor", "--glfinish", "--accurate-skip", "--record-video", "--novertexarrays"},
         [](const Parsed &p) {
             const GameSettings &s = p.settings;
             return s.fugly && !s.sound && !s.learning && s.debug == 2 && s.practice && s.warp && !s.show_pause &&
                    !s.show_hud && s.editor && s.glfinish && s.accurate_skip && s.record_video && s.no_vertex_arrays;
         }},
        {{"--track", "hill", "--password=secret", "--record-audio", "out.raw", "--rotate-lineup=3"},
         [](const Parsed &p) {
             return p.settings.track == "hill" && p.settings.password == "secret" &&
                    p.settings.record_audio == "out.raw" && p.settings.rotate_lineup == 3;
         }},
        {{"--bikes", "whatever", "demo.rvdemo"},
         [](const Parsed &p) {
             return p.status == -1 && p.errors == "--bikes doesn't do anything anymore\n" &&
                    p.settings.file_argument == "demo.rvdemo";
         }},
        {{"--", "-odd-name.rvdemo"},
         [](const Parsed &p) { return p.status == -1 && p.settings.file_argument == "-odd-name.rvdemo"; }},
        {{"--open-home", "--bogus"}, [](const Parsed &p) { return p.status == 0 && p.settings.open_home; }},
    };
    for (const OptionCase &c : cases) {
        Parsed p = parse(c.args);
        std::string shown;
        for (const std::string &a : c.args)
            shown += a + " ";
        EXPECT_TRUE(c.holds(p)) << shown << "status " << p.status << " " << p.errors;
        if (c.args[0] != "--bikes" && c.args[0] != "--open-home") {
            EXPECT_EQ(p.status, -1) << shown;
        }
    }
}

struct ErrorCase {
    std::vector<std::string> args;
    const char *message;
};

TEST(CommandLine, ErrorsExitWithStatusOne)
{
    const ErrorCase cases[] = {
        {{"--bogus"}, "bad option '--bogus'\n"},
        {{"--fugly=1"}, "bad option '--fugly=1'\n"},
        {{"-x"}, "bad option '-x'\n"},
        {{"a.rvdemo", "b.rvdemo"}, "Too many files!\n"},
        {{"--texture-detail", "high"}, "Bad arg for --texture-detail\n"},
        {{"--ground-texture-detail=x"}, "Bad arg for --ground-texture-detail\n"},
        {{"--roostfrequency="}, "Bad arg for --roostfrequency\n"},
        {{"--erode", "lots"}, "Bad arg for --erode\n"},
        {{"--detail=nan"}, "Bad arg for --detail\n"},
        {{"--max-detail-distance", "far"}, "Bad arg for --max-detail-distance\n"},
        {{"--lod-scale=big"}, "Bad arg for --lod-scale\n"},
        {{"--lod-bias", "?"}, "Bad arg for --lod-bias\n"},
        {{"--lock-fps=inf"}, "Bad arg for --lock-fps\n"},
        {{"--fake-lag", "slow"}, "Bad arg for --fake-lag\n"},
        {{"--fake-loss", "most"}, "Bad arg for --fake-loss\n"},
        {{"--chase-center", "1,2"}, "Bad arg for --chase-center\n"},
        {{"--erode"}, "Bad arg for --erode\n"},
        {{"--track"}, "Missing value for --track\n"},
    };
    for (const ErrorCase &c : cases) {
        Parsed p = parse(c.args);
        EXPECT_EQ(p.status, 1) << c.args[0];
        EXPECT_EQ(p.errors, c.message) << c.args[0];
    }
}

// Whole numbers beyond int clamp to its range instead of overflowing.
TEST(CommandLine, NumbersBeyondIntClamp)
{
    const OptionCase cases[] = {
        {{"--width", "99999999999"}, [](const Parsed &p) { return p.config.xres == INT_MAX; }},
        {{"--height=-99999999999"}, [](const Parsed &p) { return p.config.yres == INT_MIN; }},
        {{"--texture-detail", "-99999999999"}, [](const Parsed &p) { return p.settings.model_texture_detail == 0; }},
        {{"--roostfrequency=99999999999999"}, [](const Parsed &p) { return p.settings.roost_frequency == 1000; }},
        {{"--draw-fps", "9999999999999999999999"}, [](const Parsed &p) { return p.config.draw_fps == INT_MAX; }},
        {{"--draw-time", "x"}, [](const Parsed &p) { return p.config.draw_time == 0; }},
    };
    for (const OptionCase &c : cases) {
        Parsed p = parse(c.args);
        EXPECT_EQ(p.status, -1) << c.args[0];
        EXPECT_TRUE(c.holds(p)) << c.args[0];
    }
}

TEST(CommandLine, AttachedAndSeparateValuesAgree)
{
    for (const char *name : {"--texture-detail", "--erode", "--lod-scale", "--fake-lag", "--width", "--depth",
                             "--track", "--rotate-lineup"}) {
        Parsed separate = parse({name, "3"});
        Parsed attached = parse({std::string(name) + "=3"});
        EXPECT_EQ(separate.status, -1) << name;
        EXPECT_EQ(separate.config.xres, attached.config.xres) << name;
        EXPECT_EQ(separate.settings.ground_texture_detail, attached.settings.ground_texture_detail);
        EXPECT_EQ(separate.settings.erosion, attached.settings.erosion);
        EXPECT_EQ(separate.settings.lod_scale, attached.settings.lod_scale);
        EXPECT_EQ(separate.settings.fake_lag, attached.settings.fake_lag);
        EXPECT_EQ(separate.settings.depth, attached.settings.depth);
        EXPECT_EQ(separate.settings.track, attached.settings.track);
        EXPECT_EQ(separate.settings.rotate_lineup, attached.settings.rotate_lineup);
    }
}

TEST(DetailSettings, DerivedFromTheSliders)
{
    Config c;
    config_defaults(&c);
    GameSettings s;
    derive_detail_settings(c, &s);
    EXPECT_FLOAT_EQ(s.terrain_detail, 0.0025f);
    EXPECT_EQ(s.ground_texture_detail, 1);
    EXPECT_EQ(s.ground_texture_dim, 128);
    EXPECT_FLOAT_EQ(s.lod_scale, 1.0f);
    EXPECT_FLOAT_EQ(s.lod_bias, 0);
    EXPECT_EQ(s.model_texture_detail, 1);
    EXPECT_EQ(s.roost_frequency, 250);

    slider_set(&c.model_detail, 0);
    slider_set(&c.ground_detail, 0);
    slider_set(&c.roost_density, 999.9);
    c.ground_texture_dim.index = 5;
    derive_detail_settings(c, &s);
    EXPECT_FLOAT_EQ(s.lod_scale, 8.0f); // (100 x 0.02) cubed
    EXPECT_FLOAT_EQ(s.lod_bias, 50);
    EXPECT_EQ(s.roost_frequency, 999);
    EXPECT_EQ(s.ground_texture_dim, 1024);
    EXPECT_TRUE(std::isfinite(s.terrain_detail));
}

} // namespace
