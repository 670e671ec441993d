// Surface types from "tileinfo" and "texturelist", codes and curve lookups.
#include "track/track_fixture.h"

#include "files/game_file.h"
#include "platform/messages.h"
#include "track/terrain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

class Surfaces : public GameFolderTest
{
  protected:
    Terrain t;
    void read(const std::string &text)
    {
        write_file(data / "tileinfo", text);
        GameFile *f = gf_open("@tileinfo", "rb");
        ASSERT_NE(f, nullptr);
        load_tileinfo(&t, f);
        gf_close(f);
    }
    std::vector<std::string> messages()
    {
        std::vector<std::string> out;
        for (int k = 0; k < 1000 && message_log_line(k)[0]; ++k)
            out.insert(out.begin(), message_log_line(k));
        return out;
    }
};

TEST_F(Surfaces, FrictionPointsSortAndInterpolateInSquaredSpeed)
{
    read("friction 0.9 20\nfriction 1.2 5\naddtile\n");
    ASSERT_EQ(t.surfaces.size(), 1u);
    const SurfaceType &s = t.surfaces[0];
    EXPECT_FLOAT_EQ(s.friction[0], 1.2f);
    EXPECT_FLOAT_EQ(s.friction_speed[1], 20);
    EXPECT_NEAR(surface_friction(s, 12.5f), 1.095f, 1e-5);
    EXPECT_FLOAT_EQ(surface_friction(s, 2), 1.2f);
    EXPECT_FLOAT_EQ(surface_friction(s, 30), 0.9f);
    EXPECT_FLOAT_EQ(s.friction[2], 1.0f);
    EXPECT_FLOAT_EQ(s.friction_speed[2], 0);
    float low, high;
    surface_roll_resist(s, 3, &low, &high); // default curve
    EXPECT_FLOAT_EQ(low, 5);
    EXPECT_FLOAT_EQ(high, 15);
}

TEST_F(Surfaces, RollingResistanceIsLinearInSpeed)
{
    read("roll_resist 2 4 10\nroll_resist -1 8 0\naddtile\n");
    const SurfaceType &s = t.surfaces[0];
    EXPECT_FLOAT_EQ(s.roll_low[0], 0);              // clamped at 0
    EXPECT_FLOAT_EQ(s.roll_speed[0], 9.536743e-7f); // speed raised to 2^-20
    float low, high;
    surface_roll_resist(s, 5, &low, &high);
    EXPECT_NEAR(low, 1, 1e-4);
    EXPECT_NEAR(high, 6, 1e-4);
}

TEST_F(Surfaces, RoostItemsQuotesFadeAndBytes)
{
    read("roost count=3 \"texture=@my roost.png\" r=300 fade_a=128 fade_r=100 splash=1 size=x bogus=1\n"
         "addtile\n");
    const RoostEmitter &e = t.surfaces[0].roost[0];
    EXPECT_EQ(e.kind, 2);
    EXPECT_FLOAT_EQ(e.count, 3);
    EXPECT_EQ(e.colour[0], 44);
    EXPECT_EQ(e.fade[3], 1);
    EXPECT_EQ(e.fade[0], 0);
    EXPECT_FLOAT_EQ(e.size, 0);
    EXPECT_EQ(t.surfaces[0].roost[1].kind, 0);
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], "tileinfo warning: bad size\n");
    EXPECT_EQ(m[1], "tileinfo warning: unknown roost parameter 'bogus=1'\n");
}

TEST_F(Surfaces, StatementsBelongToTheTypeBeingBuilt)
{
    read("friction 0.5 1\naddtile\nAddtile\nfriction 0.7 1\n  \n\troll_resist 1 2\n"
         "friction a b\nroost\nroost\nroost\nroost\nroost\n");
    ASSERT_EQ(t.surfaces.size(), 1u);
    EXPECT_FLOAT_EQ(t.surfaces[0].friction[0], 0.5f);
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0], "tileinfo warning: Unknown identifier 'Addtile'\n");
    EXPECT_EQ(m[1], "tileinfo warning: bad roll_resist parameters\n");
    EXPECT_EQ(m[2], "tileinfo warning: bad friction parameters\n");
    EXPECT_EQ(m[3], "tileinfo warning: too many roost types\n");
}

TEST_F(Surfaces, NinthPointsAreRefused)
{
    std::string text;
    for (int k = 1; k <= 9; ++k)
        text += "friction 1 " + std::to_string(k) + "\nroll_resist 1 1 " + std::to_string(k) + "\n";
    read(text + "addtile\n");
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], "tileinfo warning: too many friction points\n");
    EXPECT_EQ(m[1], "tileinfo warning: too many roll_resist points\n");
}

struct CodeCase {
    const char *name;
    int32_t code;
};

TEST(SurfaceCodes, TransitionTilesNameTheirCorners)
{
    std::vector<std::string> names = {
        "dirt.png",          "grass.png",           "dirt-grass-0110.png", "dirt-alt1.png",
        "dirt-mud-1111.png", "dirt-grass-01x1.png", "grass-dirt-1000.png", "plain",
        "dirt-grass.png"};
    const CodeCase cases[] = {
        {"dirt.png", -1},
        {"dirt-grass-0110.png", (0 << 16) + (1 << 8) + 6},
        {"dirt-alt1.png", 0},
        {"dirt-mud-1111.png", -256},
        {"dirt-grass-01x1.png", (0 << 16) + (1 << 8)},
        {"grass-dirt-1000.png", (1 << 16) + (0 << 8) + 8},
        {"plain", -1},
        {"rock-dirt-0000.png", -1},
        {"dirt-grass.png", -256},
    };
    for (const CodeCase &c : cases)
        EXPECT_EQ(surface_code(c.name, names), c.code) << c.name;

    std::vector<SurfaceType> types(3);
    types[0].texture_file = "dirt.png";
    types[1].texture_file = "grass.png";
    types[2].texture_file = "dirt-grass-1001.png";
    compute_surface_codes(&types);
    EXPECT_EQ(types[0].code, 0);
    EXPECT_EQ(types[1].code, (1 << 16) + (1 << 8));
    EXPECT_EQ(types[2].code, (1 << 8) + 9);
}

// Numbers no surface has are warned about and never reach a conversion:
// roost numbers become 0, friction and rolling lines are dropped, and a
// texture list line falls back to the defaults.
TEST_F(Surfaces, HostileNumbersAreWarnedAboutAndReplaced)
{
    read("roost r=1e300 g=nan b=-inf fade_a=1e300 count=inf size=nan\n"
         "friction nan 10\nfriction 1e39 10\nroll_resist 1 inf 5\naddtile\n");
    const SurfaceType &s = t.surfaces[0];
    const RoostEmitter &e = s.roost[0];
    EXPECT_EQ(e.colour[0], 0);
    EXPECT_EQ(e.colour[1], 0);
    EXPECT_EQ(e.colour[2], 0);
    EXPECT_EQ(e.fade[3], 0);
    EXPECT_EQ(e.count, 0);
    EXPECT_EQ(e.size, 0);
    std::vector<std::string> m = messages();
    ASSERT_EQ(m.size(), 9u);
    EXPECT_EQ(m[0], "tileinfo warning: bad r\n");
    EXPECT_EQ(m[6], "tileinfo warning: bad friction parameters\n");
    EXPECT_EQ(m[8], "tileinfo warning: bad roll_resist parameters\n");
    for (int k = 0; k < SURFACE_POINTS; ++k) {
        EXPECT_TRUE(std::isfinite(s.friction[k]));
        EXPECT_TRUE(std::isfinite(s.roll_high[k]));
    }

    write_file(data / "texturelist", "nan 4 12 dirt.png\n1 inf 12 grass.png\n");
    GameFile *f = gf_open("@texturelist", "rb");
    ASSERT_NE(f, nullptr);
    load_texturelist(&t, f);
    gf_close(f);
    ASSERT_EQ(t.surfaces.size(), 2u);
    for (const SurfaceType &type : t.surfaces) {
        EXPECT_FLOAT_EQ(type.friction[0], 1);
        EXPECT_FLOAT_EQ(type.roll_high[0], 15);
    }
}

} // namespace
