// Robot riders: holding at the gate, the start, riding learnt lines.
#include "physics/aids.h"
#include "physics/rider.h"
#include "race/race.h"
#include "race/sim_fixture.h"
#include "robots/robot.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

class Robots : public GameRaceTest
{
  protected:
    void SetUp() override
    {
        GameRaceTest::SetUp();
        robots_install(&sim);
        sim.settings.track_folder = "quarry";
    }
    void start_robots(int count, unsigned seed)
    {
        int lineup[SLOTS] = {};
        for (int k = 0; k < count; ++k)
            lineup[k] = LINEUP_ROBOT;
        ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, seed));
    }
    float moved(int slot, const float from[3])
    {
        const dReal *p = dBodyGetPosition(race.slots[slot].rider->bodies[FRAME]);
        return (float)std::sqrt((p[0] - from[0]) * (p[0] - from[0]) + (p[2] - from[2]) * (p[2] - from[2]));
    }
};

TEST_F(Robots, WithoutLinesTheyHoldTheirBrakesWithAFootDown)
{
    // A lines file of the track's 66 sections, all empty, over the shipped one.
    std::string empty = "ct03 66\n";
    for (int k = 0; k < 66; ++k)
        empty += "0\n";
    write_file(home.path + "/Rutvale/quarry/lines_novice", empty);
    start_robots(3, 4);
    float grid[3][3];
    for (int k = 0; k < 3; ++k) {
        const dReal *p = dBodyGetPosition(race.slots[k].rider->bodies[FRAME]);
        std::copy(p, p + 3, grid[k]);
    }
    sim_run(&sim, 25);
    for (int k = 0; k < 3; ++k) {
        const Rider *r = race.slots[k].rider;
        EXPECT_LT(moved(k, grid[k]), 2.0f) << k;
        EXPECT_EQ(r->front_brake, 1.0f) << k;
        EXPECT_GT(r->sit_dab, 0.0f) << k;
    }
}

TEST_F(Robots, InPracticeEveryRobotIsATester)
{
    sim.settings.practice = true;
    start_robots(3, 1);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(personality(race.slots[k].rider->personality).plan_mode, 3) << k;
}

TEST_F(Robots, OnAFreshInstallTheyWaitForTheGateAndRideTheShippedLines)
{
    if (!SHIPPED_LINES)
        GTEST_SKIP() << "this build ships no learnt lines";
    start_robots(4, 2);
    float grid[4][3];
    for (int k = 0; k < 4; ++k) {
        const dReal *p = dBodyGetPosition(race.slots[k].rider->bodies[FRAME]);
        std::copy(p, p + 3, grid[k]);
    }
    while (race.tick < race.start_tick)
        sim_tick(&sim);
    for (int k = 0; k < 4; ++k)
        EXPECT_LT(moved(k, grid[k]), 1.0f) << "no false start: " << k;
    // A minute of racing: none thrown off its bike, each off the grid and
    // round the first turns, and all but one well round the lap (the test
    // pilot takes about a minute for its 33 gates; a robot knocked off its
    // line in the first corners loses some seconds riding back to it).
    int crashes[4] = {};
    bool down[4] = {};
    for (int n = 0; n < 60 * TICKS_PER_SECOND; ++n) {
        sim_tick(&sim);
        for (int k = 0; k < 4; ++k) {
            bool now_down = race.slots[k].rider->crash_timer > 0;
            crashes[k] += now_down && !down[k];
            down[k] = now_down;
        }
    }
    int far_round = 0;
    for (int k = 0; k < 4; ++k) {
        printf("robot %d: %d gates in a minute, %d crashes\n", k, race.slots[k].next_gate, crashes[k]);
        EXPECT_GE(race.slots[k].next_gate, 5) << k;
        far_round += race.slots[k].next_gate >= 20;
        EXPECT_EQ(crashes[k], 0) << k;
    }
    EXPECT_GE(far_round, 3);
}

TEST_F(Robots, OneWedgedAgainstABlockGetsGoingAgainWithinTenSeconds)
{
    if (!SHIPPED_LINES)
        GTEST_SKIP() << "this build ships no learnt lines";
    start_robots(1, 3);
    sim_run(&sim, 30);
    // Put it nose first against a tuff block on the inside of a turn,
    // stopped: it can neither ride on nor back up by itself.
    Rider *r = race.slots[0].rider;
    const Terrain &ground = track.terrain;
    const float at[3] = {850.0f, 0, 453.0f};
    rider_place_at(r, at[0], terrain_height(ground, at[0], at[2]), at[2], 0);
    int moving = 0;
    for (int n = 0; n < 10 * TICKS_PER_SECOND; ++n) {
        sim_tick(&sim);
        moving += frame_speed(r) >= 2;
    }
    EXPECT_GT(moved(0, at), 10.0f);
    EXPECT_GT(moving, 2 * TICKS_PER_SECOND);
}

} // namespace
