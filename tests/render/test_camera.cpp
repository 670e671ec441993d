// Cameras: the rider's own eyes and the upright looking camera.
#include "render/camera.h"

#include <gtest/gtest.h>

namespace {

void expect_near(const float *actual, std::initializer_list<float> expected, const char *what)
{
    int i = 0;
    for (float e : expected)
        EXPECT_NEAR(actual[i++], e, 1e-5) << what << " [" << i - 1 << "]";
}

TEST(Camera, FirstPersonEyeRisesWithHeightAndTiltsDownWithAngle)
{
    BodyFrame torso = {{10, 20, 30}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0}};
    SceneCamera low = first_person_camera(torso, 0, 0);
    expect_near(low.position, {10, 20.5f, 29.6f}, "low eye");
    expect_near(low.orientation, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "level");
    SceneCamera high = first_person_camera(torso, 1, 90);
    expect_near(high.position, {10, 21.058383f, 28.8066305f}, "high eye");
    // Looking along minus the third column: straight down.
    expect_near(high.orientation, {1, 0, 0, 0, 0, 1, 0, -1, 0}, "tilted");
}

TEST(Camera, LookingCameraStaysUpright)
{
    const float eye[3] = {1, 2, 3};
    const float north[3] = {0, 0, -5}, east[3] = {2, 0, 0}, up[3] = {0, 1, 0};
    expect_near(camera_looking(eye, north).orientation, {1, 0, 0, 0, 1, 0, 0, 0, 1}, "north");
    expect_near(camera_looking(eye, east).orientation, {0, 0, -1, 0, 1, 0, 1, 0, 0}, "east");
    SceneCamera c = camera_looking(eye, up); // straight up keeps a right axis
    expect_near(c.orientation, {1, 0, 0}, "up");
    EXPECT_NEAR(c.orientation[5], -1, 1e-5);
    expect_near(c.position, {1, 2, 3}, "eye");
}

} // namespace
