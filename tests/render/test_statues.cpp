// Statues: detail cut-off and turning toward a distant camera.
#include "render/rider_looks.h"
#include "render/statues.h"
#include "track/objects.h"

#include <gtest/gtest.h>

namespace
{

TEST(Statues, LowModelDetailLeavesOutFarStatues)
{
    EXPECT_FALSE(statue_too_far(80, 2)); // 20 x 2 x 2
    EXPECT_TRUE(statue_too_far(81, 2));
    EXPECT_FALSE(statue_too_far(1e6f, 11)); // above 10 nothing is left out
}

TEST(Statues, FaceTheCameraOnlyBeyondTheirFaceDistance)
{
    Statue s;
    StatueLook look; // upright, facing -z
    const float start[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    s.face_distance = 50;
    const float near[3] = {0, 0, -10}, far[3] = {100, 0, 0};
    statue_face_camera(s, &look, near, 1, 0);
    EXPECT_EQ(std::vector<float>(look.orientation, look.orientation + 9), std::vector<float>(start, start + 9));
    statue_face_camera(s, &look, far, 1, 0);
    // The model's z axis points at the camera, x across, y up.
    const float facing[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(look.orientation[i], facing[i]) << i;
    // A statue without a face distance never turns.
    Statue plain;
    StatueLook plain_look;
    statue_face_camera(plain, &plain_look, far, 1, 0);
    EXPECT_FLOAT_EQ(plain_look.orientation[0], 1);
}

} // namespace
