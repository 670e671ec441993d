#include "physics/rider.h"
#include "race/roost.h"
#include "race/sim_fixture.h"
#include "track/surface.h"
#include "track/terrain.h"

#include <gtest/gtest.h>

namespace
{

// A time trial on a shipped track with the player's rear wheel spun in
// place: full throttle against the front brake.
class Roost : public GameRaceTest
{
  protected:
    void SetUp() override
    {
        GameRaceTest::SetUp();
        sim.settings.track_folder = "rabbithill";
        ASSERT_TRUE(race_start(&sim, nullptr, false, false, 0, 1000, 0, 1));
        ASSERT_NE(race.slots[0].rider, nullptr);
        sim_drive(&sim, 0, [](RiderInput &in) {
            in.throttle = 1;
            in.front_brake = 1;
            in.clutch = 1;
            in.steer = 0;
        });
    }
    // The most particles in flight at once over a time.
    int most_in_flight(float seconds)
    {
        int most = 0;
        for (int t = 0; t < (int)(seconds * 128); ++t) {
            sim_run(&sim, 1.0f / 128);
            most = std::max(most, sim.roost.live_count);
        }
        return most;
    }
};

TEST_F(Roost, ASpinningRearWheelThrowsDirtOnlyWhereTheSurfaceHasEmitters)
{
    Rider *r = race.slots[0].rider;
    sim_run(&sim, 0.5f);
    const WheelContact &rear = r->rear_contact;
    ASSERT_GT(rear.depth, 0) << "the rear wheel is on the ground";
    int type = terrain_tile_at(track.terrain, rear.point[0], rear.point[2]);
    ASSERT_NE(track.terrain.surfaces[type].roost[0].kind, 0) << "the start stands on a surface with roost";
    int most = most_in_flight(2);
    EXPECT_GT(most, 10);
    // Particles fly from the back of the wheel and come down again.
    EXPECT_LE(most, ROOST_PARTICLES);

    // No emitters on any surface: nothing is thrown.
    for (SurfaceType &s : track.terrain.surfaces)
        for (RoostEmitter &e : s.roost)
            e.kind = 0;
    roost_reset(&sim);
    EXPECT_EQ(most_in_flight(1), 0);
}

// A replayed rider (a demo's, or a remote player's) is moved from outside,
// yet its wheels touch the ground: its spinning wheel throws roost, and
// what it teaches the line table was ridden on the ground, not flown.
TEST_F(Roost, AReplayedRiderOnTheGroundThrowsRoostAndTeachesGroundPoints)
{
    Rider *r = race.slots[0].rider;
    sim_run(&sim, 0.5f);
    ASSERT_GT(r->rear_contact.depth, 0);
    sim_set_controller(&sim, 0, SlotController());
    race.slots[0].kind = KIND_REPLAYED;
    rider_disable(r);
    for (dBodyID b : r->bodies) {
        const dReal *v = dBodyGetLinearVel(b);
        dBodySetLinearVel(b, v[0] + 10, v[1], v[2]);
    }
    roost_reset(&sim);
    for (auto &buffer : race.slots[0].record_buffer)
        buffer.clear();
    EXPECT_GT(most_in_flight(1), 0);
    int points = 0;
    for (const auto &buffer : race.slots[0].record_buffer)
        for (const LinePoint &p : buffer) {
            EXPECT_GT(p.speed, 0) << "on the ground";
            ++points;
        }
    EXPECT_GT(points, 0);
}

TEST_F(Roost, FrequencyZeroThrowsNothingAndThePoolIsBounded)
{
    sim.settings.roost_frequency = 0;
    EXPECT_EQ(most_in_flight(1), 0);
    const RoostEmitter &e = track.terrain.surfaces[0].roost[0];
    float at[3] = {0, 1e6f, 0}, up[3] = {0, 100, 0};
    int spawned = 0;
    while (roost_spawn(&sim, at, up, 0, &e) && spawned < 5000)
        ++spawned;
    EXPECT_EQ(spawned, ROOST_PARTICLES) << "further emission is dropped once every particle flies";
    sim.settings.roost_frequency = 1000;
    sim_run(&sim, 0.25f);
    EXPECT_EQ(sim.roost.live_count, ROOST_PARTICLES);
}

TEST_F(Roost, ErosionDigsWhereTheWheelSpinsAndOnlyWithErosionOn)
{
    std::vector<float> before = track.terrain.heights;
    sim_run(&sim, 1);
    EXPECT_EQ(track.terrain.heights, before) << "erosion off: the ground never changes";

    // Again from the start with erosion on: the ground under the spinning
    // rear wheel, sampled along its way, ends lower (the dirt lands behind).
    ASSERT_TRUE(race_start(&sim, nullptr, false, false, 0, 1000, 0, 1));
    sim.settings.erosion = 1;
    Terrain ground = track.terrain;
    Rider *r = race.slots[0].rider;
    std::vector<std::pair<float, float>> spun;
    for (int t = 0; t < 3 * 128; ++t) {
        sim_run(&sim, 1.0f / 128);
        const WheelContact &w = r->rear_contact;
        if (t % 8 == 0 && w.depth > 0)
            spun.push_back({w.point[0], w.point[2]});
    }
    ASSERT_GT(spun.size(), 20u);
    double change = 0;
    for (const auto &p : spun)
        change += terrain_height(track.terrain, p.first, p.second) - terrain_height(ground, p.first, p.second);
    EXPECT_LT(change / spun.size(), -1e-5) << "the ground where the wheel spun was dug out";
}

TEST(RoostGround, DepositsSpreadSmoothlyAndAddUp)
{
    Terrain t;
    t.points_per_side = 9;
    t.spacing = 2;
    t.heights.assign(81, 0);
    terrain_deposit(&t, 8.5f, 7, 1);
    float sum = 0;
    for (float h : t.heights)
        sum += h;
    EXPECT_NEAR(sum, 1, 1e-5);
    EXPECT_GT(t.heights[3 * 9 + 4], t.heights[3 * 9 + 3]) << "the nearest point gets the most";
    EXPECT_FLOAT_EQ(t.max_height, *std::max_element(t.heights.begin(), t.heights.end()));
    terrain_deposit(&t, 8.5f, 7, -1);
    for (float h : t.heights)
        EXPECT_NEAR(h, 0, 1e-6);
}

} // namespace
