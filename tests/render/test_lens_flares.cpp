// Lens flares: where they fall on the view and when they show.
#include "render/camera.h"
#include "render/lens_flares.h"
#include "track/objects.h"

#include <gtest/gtest.h>

namespace
{

LensFlare flare_at(FlareKind kind, float x, float y, float z)
{
    LensFlare f{};
    f.kind = kind;
    f.position[0] = x, f.position[1] = y, f.position[2] = z;
    return f;
}

TEST(LensFlares, ScreenPositionInsideTheViewOnly)
{
    SceneCamera camera; // at the origin looking down -z
    float sx, sy, depth;
    ASSERT_TRUE(flare_screen_position(flare_at(FLARE_POINT, 5, -2.5f, -10), camera, 1, 0.75f, &sx, &sy, &depth));
    EXPECT_FLOAT_EQ(sx, 0.5f);
    EXPECT_FLOAT_EQ(sy, -0.25f);
    EXPECT_FLOAT_EQ(depth, 10);
    EXPECT_FALSE(flare_screen_position(flare_at(FLARE_POINT, 20, 0, -10), camera, 1, 0.75f, &sx, &sy, &depth));
    EXPECT_FALSE(flare_screen_position(flare_at(FLARE_POINT, 0, 0, 10), camera, 1, 0.75f, &sx, &sy, &depth));
    // A vector flare is a direction: it stays put however far the eye moves.
    camera.position[0] = 1000;
    ASSERT_TRUE(flare_screen_position(flare_at(FLARE_VECTOR, 0, 0.5f, -1), camera, 1, 0.75f, &sx, &sy, &depth));
    EXPECT_FLOAT_EQ(sy, 0.5f);
}

TEST(LensFlares, VisibleOverBrightUnblockedPixelsAndFadingAtTheEdges)
{
    EXPECT_NEAR(linear_depth(0), 0, 1e-6);
    EXPECT_NEAR(linear_depth(1), 1, 1e-3);
    const uint8_t bright[3] = {255, 250, 240}, dim[3] = {255, 250, 200};
    LensFlare sun = flare_at(FLARE_VECTOR, 0, 0, -1), lamp = flare_at(FLARE_POINT, 0, 0, -100);
    EXPECT_FLOAT_EQ(flare_visibility(sun, 0, 0, 1, 1, 0.75f, bright, 1), 1);
    EXPECT_FLOAT_EQ(flare_visibility(sun, 0, 0, 1, 1, 0.75f, dim, 1), 0);
    EXPECT_FLOAT_EQ(flare_visibility(sun, 0, 0, 1, 1, 0.75f, bright, 0.9f), 0); // a hill in front
    // The lamp shows when nothing nearer than itself covers its pixel.
    EXPECT_FLOAT_EQ(flare_visibility(lamp, 0, 0, 100, 1, 0.75f, bright, 0.9999f), 1);
    EXPECT_FLOAT_EQ(flare_visibility(lamp, 0, 0, 100, 1, 0.75f, bright, 0.99f), 0);
    // Within 1/32 of the smaller extent of the edge it fades out.
    float margin = 0.75f / 32;
    EXPECT_NEAR(flare_visibility(sun, 1 - margin / 2, 0, 1, 1, 0.75f, bright, 1), 0.5f, 1e-4);
    EXPECT_NEAR(flare_visibility(sun, 0, -0.75f, 1, 1, 0.75f, bright, 1), 0, 1e-6);
}

} // namespace
