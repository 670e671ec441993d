// Cameras (the rider's own eyes, the upright looking camera) and the drawn torso.
#include "physics/rider.h"
#include "physics/world.h"
#include "render/camera.h"
#include "render/rider_draw.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{

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

namespace
{

// The drawn torso leans back from bars that come too close.
TEST(RiderDrawing, ShouldersCloseToTheBarsLeanTheDrawnTorsoBack)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    PhysicsWorld world;
    physics_world_create(&world, nullptr);
    Rider *r = rider_create(&world, "yz250f(2009)", 0, "1");
    rider_place_at(r, 0, 0, 0, 0);
    const BikeSpec &s = r->spec;
    dVector3 shoulders, grips;
    dBodyGetRelPointPos(r->bodies[RIDER_TORSO], 0, s.shoulders[0][1], s.shoulders[0][2], shoulders);
    dBodyGetRelPointPos(r->bodies[FORK_UPPER], 0, s.grips[0][1], s.grips[0][2], grips);
    // Bring the grips to 0.25 ft in front of the shoulders.
    const dReal *p = dBodyGetPosition(r->bodies[FORK_UPPER]);
    dBodySetPosition(r->bodies[FORK_UPPER], p[0] + shoulders[0] - grips[0], p[1] + shoulders[1] - grips[1],
                     p[2] + shoulders[2] - grips[2] - 0.25);
    BodyFrame before = body_frame(r->bodies[RIDER_TORSO]);
    BodyFrame drawn = rider_draw_torso(r);
    const float *a = before.rotation, *b = drawn.rotation;
    float cosine = a[1] * b[1] + a[5] * b[5] + a[9] * b[9]; // the y axes
    EXPECT_NEAR(std::acos(cosine), std::atan(0.375f), 1e-4);
    EXPECT_FLOAT_EQ(a[0], b[0]); // the x axis stays
    // It pivots about the left hip.
    const float *hip = s.hips[0];
    for (int i = 0; i < 3; ++i) {
        float was = before.position[i] + a[4 * i] * hip[0] + a[4 * i + 1] * hip[1] + a[4 * i + 2] * hip[2];
        float now = drawn.position[i] + b[4 * i] * hip[0] + b[4 * i + 1] * hip[1] + b[4 * i + 2] * hip[2];
        EXPECT_NEAR(now, was, 1e-4);
    }
    // The simulation's torso is untouched.
    BodyFrame after = body_frame(r->bodies[RIDER_TORSO]);
    EXPECT_EQ(memcmp(&after, &before, sizeof after), 0);
    rider_destroy(r);
    physics_world_destroy(&world);
    use_game_folders("", "");
}

} // namespace
