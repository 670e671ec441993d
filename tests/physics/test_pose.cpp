// Limb poses: the two-bone solver, feet on pegs, dabbing and crashing.
#include "physics/pose.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "track/track.h"

#include "test_folders.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

float distance(const float *a, const float *b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

TEST(TwoBone, MiddleJointKeepsBoneLengthsAndBendsTowardThePole)
{
    const float root[3] = {0, 0, 0}, up[3] = {0, 5, 0}, down[3] = {0, -5, 0};
    struct Case {
        float target[3];
        const float *pole;
        float middle[3];
    } cases[] = {
        {{1, 0, 0}, up, {0.5f, 0.8660254f, 0}},
        {{1, 0, 0}, down, {0.5f, -0.8660254f, 0}},
        // Out of reach: the limb reaches 1.9 and stays bent by sqrt(1 - 0.95^2).
        {{5, 0, 0}, up, {0.95f, 0.3122499f, 0}},
    };
    for (const Case &c : cases) {
        float middle[3];
        two_bone_solve(root, c.target, 1, 1, c.pole, middle);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(middle[i], c.middle[i], 1e-5) << c.target[0] << " " << c.pole[1];
        EXPECT_NEAR(distance(root, middle), 1, 1e-5);
    }
}

TEST(TwoBone, DegenerateInputsStayFinite)
{
    const float root[3] = {1, 2, 3}, on_line[3] = {3, 2, 3};
    float middle[3];
    two_bone_solve(root, root, 1, 2, on_line, middle); // target at the root
    for (float v : middle)
        EXPECT_TRUE(std::isfinite(v));
    const float target[3] = {2, 2, 3};
    two_bone_solve(root, target, 1, 1, on_line, middle); // pole on the line
    for (float v : middle)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(distance(root, middle), 1, 1e-5);
}

// A rider standing on flat ground (no terrain: height 0).
class Pose : public ::testing::Test
{
  protected:
    TempDir home;
    PhysicsWorld world;
    Rider *r = nullptr;
    void SetUp() override
    {
        use_game_folders(home.path, GAME_DIR);
        physics_world_create(&world, nullptr);
        r = rider_create(&world, "yz250f(2009)", 0, "1");
        rider_place_at(r, 100, 0, 100, 0);
    }
    void TearDown() override
    {
        rider_destroy(r);
        physics_world_destroy(&world);
        use_game_folders("", "");
    }
    void peg(int side, float out[3])
    {
        dVector3 w;
        const float *p = r->spec.pegs[side];
        dBodyGetRelPointPos(r->bodies[FRAME], p[0], p[1], p[2], w);
        out[0] = (float)w[0], out[1] = (float)w[1], out[2] = (float)w[2];
    }
};

TEST_F(Pose, RidingFeetStandOnThePegsAndTheLimbsBendTheRightWay)
{
    r->dab_amount = 0;
    r->crash_timer = 0;
    FootPose feet = foot_pose(r);
    for (int side = 0; side < 2; ++side) {
        float p[3];
        peg(side, p);
        EXPECT_LT(distance(feet.feet[side], p), 1e-5);
        EXPECT_FALSE(feet.off_peg[side]);
    }
    LimbPose arms = arm_pose(r), legs = leg_pose(r);
    for (int side = 0; side < 2; ++side) {
        EXPECT_NEAR(distance(arms.root[side], arms.middle[side]), r->spec.upper_arm, 1e-4);
        EXPECT_LT(arms.middle[side][1], arms.root[side][1]); // elbows hang below the shoulders
        EXPECT_NEAR(distance(legs.root[side], legs.middle[side]), r->spec.thigh, 1e-4);
        // Heading 0 faces -z: knees point forward of the hips.
        EXPECT_LT(legs.middle[side][2], legs.root[side][2]);
    }
    EXPECT_LT(arms.middle[0][0], arms.middle[1][0]); // the left elbow on the left
}

TEST_F(Pose, DabbingFeetReachTheGroundAndCrashedFeetFollowTheBody)
{
    r->dab_amount = 1;
    r->crash_timer = 0;
    FootPose dab = foot_pose(r); // upright and still: both feet down
    for (int side = 0; side < 2; ++side) {
        EXPECT_TRUE(dab.off_peg[side]);
        EXPECT_NEAR(dab.feet[side][1], 0.125f, 1e-4);
    }
    r->dab_amount = 0;
    r->crash_timer = 128;
    for (int side = 0; side < 2; ++side)
        for (int i = 0; i < 3; ++i)
            r->limb_points[2 * side][i] = 50.0f + (float)(side * 3 + i);
    FootPose crashed = foot_pose(r);
    for (int side = 0; side < 2; ++side) {
        EXPECT_TRUE(crashed.off_peg[side]);
        EXPECT_LT(distance(crashed.feet[side], r->limb_points[2 * side]), 1e-4);
    }
}

} // namespace
