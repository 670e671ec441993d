// Gate crossings, laps and lap times, the race order, the cutting penalty,
// the finish and the results file.
#include "physics/rider.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/remote.h"
#include "race/sim_fixture.h"
#include "race/timing.h"
#include "test_folders.h"
#include "track/track.h"
#include "track/track_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Four gates in a row along +x on flat ground, 50 ft apart, crossed going
// +x; the first lap is all four, every later lap gates 1 to 3 and 0.
class Timing : public GameFolderTest
{
  protected:
    Track track;
    Sim sim;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        track.terrain = memory_terrain(
            6, 4, [](int, int) { return 0.0f; }, true);
        TimingGates &g = track.objects.gates;
        for (int k = 0; k < 4; ++k)
            g.checkpoints.push_back({{50.0f + 50 * k, 0, 100}, {1, 0, 0}, 10, 0});
        g.gates = {0, 1, 2, 3, 1, 2, 3, 0};
        g.first_lap_count = g.normal_lap_count = 4;
        g.first_lap_timed = g.normal_lap_timed = 4;
        sim_create(&sim, &track);
        sim.race.race_laps = 2;
        sim.race.start_tick = 100;
    }
    void TearDown() override
    {
        sim_destroy(&sim);
        GameFolderTest::TearDown();
    }
    // A rider in a slot whose gate crossings are given (-1: skipped).
    void progress(int slot, std::vector<int> ticks)
    {
        if (!sim.race.slots[slot].rider)
            sim_put_rider(&sim, slot, "kx125");
        RiderSlot &s = sim.race.slots[slot];
        s.gate_ticks = ticks;
        s.next_gate = (int)ticks.size();
    }
    // Puts slot 0's front wheel at (x, 100) and runs its progress step.
    void wheel_at(float x, int tick)
    {
        Rider *r = sim.race.slots[0].rider;
        const dReal *p = dBodyGetPosition(r->bodies[FRONT_WHEEL]);
        rider_translate(r, x - (float)p[0], 0, 100 - (float)p[2]);
        sim.race.tick = tick;
        rider_progress_step(&sim, 0);
    }
};

TEST(Gates, CrossedWithinReachOnThePositiveSide)
{
    Checkpoint c = {{10, 0, 10}, {0, 0, 1}, 4, 0};
    const struct {
        float x, z;
        bool crosses;
    } cases[] = {{10, 10, true}, {10, 12, true},  {10, 9.9f, false},
                 {13, 11, true}, {15, 11, false}, {10, 14.5f, false}};
    for (const auto &k : cases)
        EXPECT_EQ(crosses_gate(c, k.x, k.z), k.crosses) << k.x << " " << k.z;
}

TEST_F(Timing, CrossingsCountInOrderAndMissedGatesMayBeTakenAfter)
{
    sim_put_rider(&sim, 0, "kx125");
    RiderSlot &s = sim.race.slots[0];
    wheel_at(45, 200); // before gate 0: nothing
    EXPECT_EQ(s.next_gate, 0);
    wheel_at(51, 210); // past it
    EXPECT_EQ(s.next_gate, 1);
    EXPECT_EQ(s.gate_ticks[0], 210);
    wheel_at(49, 220); // back behind gate 0 and over it again: already taken
    wheel_at(52, 225);
    EXPECT_EQ(s.next_gate, 1);
    wheel_at(151, 300); // gate 2, gate 1 skipped
    EXPECT_EQ(s.next_gate, 3);
    EXPECT_EQ(s.gate_ticks[1], -1);
    EXPECT_EQ(s.gate_ticks[2], 300);
    wheel_at(101, 330); // turning back for the missed gate 1
    EXPECT_EQ(s.next_gate, 2);
    EXPECT_EQ(s.gate_ticks[1], 330);
    wheel_at(201, 350); // on to the lap line, gate 2 crossed before
    EXPECT_EQ(s.next_gate, 4);
    EXPECT_EQ(s.gate_ticks[2], 300);
    EXPECT_EQ(laps_completed(track.objects.gates, s.next_gate), 1);
    EXPECT_FLOAT_EQ(lap_time(sim, 0, 1), (350 - 100) / 128.0f);

    // The lap line is never skipped: past it, nothing counts until it is
    // crossed.
    set_race_position(&sim, 0, 3);
    wheel_at(101, 400); // the first gate of the next lap
    EXPECT_EQ(s.next_gate, 3);
    wheel_at(201, 410);
    EXPECT_EQ(s.next_gate, 4);
}

TEST_F(Timing, LapsLapTimesAndTheBestLap)
{
    // Laps end at positions 3, 7, 11; the second lap 200 ticks, the third 150.
    progress(0, {150, 200, 250, 300, 350, 400, 450, 500, 550, 600, 620, 650});
    const TimingGates &g = track.objects.gates;
    EXPECT_EQ(laps_completed(g, 12), 3);
    EXPECT_EQ(lap_position(g, 12), 1);
    EXPECT_EQ(lap_position(g, 2), 2);
    EXPECT_EQ(lap_ticks(sim, 0, 1), 200);
    EXPECT_EQ(lap_ticks(sim, 0, 2), 200);
    EXPECT_EQ(lap_ticks(sim, 0, 3), 150);
    EXPECT_EQ(lap_ticks(sim, 0, -1), 150);
    EXPECT_EQ(lap_ticks(sim, 0, 4), 0);
    EXPECT_EQ(best_lap(sim, 0), 3);
    progress(1, {150, 200, 250, 300, 350});
    EXPECT_EQ(best_lap(sim, 1), 0) << "one lap has no best lap";
}

TEST_F(Timing, TheOrderRanksLapsThenTimeThenSlot)
{
    progress(3, {150, 200, 250, 300, 350}); // second lap, 5 gates
    progress(1, {150, 200, 250, 300});      // first lap done
    progress(2, {150, 200, 250, 301, 340}); // 5 gates, later
    progress(0, {150, 200, 250, 300});      // as slot 1
    results_update(&sim);
    const RaceOrder &o = sim.race.order;
    ASSERT_EQ(o.count, 4);
    int slots[4] = {o.entries[0].slot, o.entries[1].slot, o.entries[2].slot, o.entries[3].slot};
    EXPECT_EQ(slots[0], 2); // five gates, the earlier last crossing
    EXPECT_EQ(slots[1], 3);
    EXPECT_EQ(slots[2], 0); // four gates at the same tick: the lower slot
    EXPECT_EQ(slots[3], 1);
    EXPECT_EQ(race_leader_laps(sim), 1);
}

TEST_F(Timing, PitboardPositionGapAndTheLappingNotice)
{
    // Slot 0 leads by a lap and is 2 s (256 ticks) behind slot 1 on the
    // track; slot 2 is 0.5 s behind slot 1 on the same gate.
    progress(1, {150, 200, 250, 300, 350, 400});
    progress(2, {150, 200, 250, 300, 350, 464});
    progress(0, {140, 190, 240, 290, 340, 390, 450, 500, 550, 656});
    results_update(&sim);
    EXPECT_EQ(race_position(sim, 0), 0);
    EXPECT_EQ(race_position(sim, 1), 1);
    EXPECT_EQ(race_position(sim, 2), 2);
    EXPECT_FLOAT_EQ(race_gap(sim, 2), -0.5f);
    EXPECT_FLOAT_EQ(race_gap(sim, 1), (390 - 400) / 128.0f); // at its own last gate
    EXPECT_FLOAT_EQ(race_gap(sim, 0), (400 - 390) / 128.0f); // the leader's lead
    EXPECT_EQ(lapping_notice(sim, 1), std::string(sim.race.slots[0].rider->number));
    EXPECT_EQ(lapping_notice(sim, 0), "");
}

TEST_F(Timing, CuttingCostsTheTypicalStretchPlusASecond)
{
    // Everyone rides gate 0 to gate 2 in 100 ticks; slot 1 skips gate 1 and
    // takes only 40: 100 + 128 - 40 = 188 ticks of penalty.
    progress(0, {200, 250, 300});
    progress(2, {200, 250, 300});
    progress(1, {200, -1, 240});
    results_update(&sim);
    EXPECT_EQ(stretch_time(sim, 0, 2), 100);
    EXPECT_EQ(cutting_penalty(sim, 1), 188);
    EXPECT_EQ(cutting_penalty(sim, 0), 0);
    progress(1, {200, -1, 600}); // slow enough: no penalty
    EXPECT_EQ(cutting_penalty(sim, 1), 0);
}

TEST_F(Timing, TheFinishTheFinalOrderAndTheResultsFile)
{
    // Two laps: slot 0 finishes first but cut a gate, slot 1 just after.
    progress(0, {150, -1, 180, 300, 350, 400, 450, 500});
    progress(1, {150, 200, 250, 300, 350, 400, 450, 510});
    results_update(&sim);
    EXPECT_TRUE(sim.race.slots[0].finished);
    EXPECT_TRUE(sim.race.slots[1].finished);
    ASSERT_TRUE(sim.race.results_final);
    const RaceOrder &f = sim.race.final_order;
    EXPECT_EQ(f.entries[0].slot, 1) << "the cut costs slot 0 the win";
    EXPECT_GT(f.entries[1].total, f.entries[1].last_tick);
    std::string results = read_file(home() + "/results.txt");
    EXPECT_EQ(results.rfind("Time=0.00|Laps=0|Track=|Date=", 0), 0u) << results;
    EXPECT_NE(results.find(" No. |         Bike | Laps | Total Time | BLap |  Best Time\r\n"), std::string::npos);
    // Slot 1 first (410 ticks after the start); slot 0's 198-tick penalty
    // (the typical 100 plus 128 less the 30 it took) is less than its best
    // lap, so it keeps its laps.
    EXPECT_NE(results.find("kx125 |    2 |   0:03.203 |    2 |   0:01.640\r\n"), std::string::npos) << results;
    EXPECT_NE(results.find("kx125 |    2 |   0:04.671 |    2 |   0:01.562\r\n"), std::string::npos) << results;
    EXPECT_NE(results.find("\r\n8\r\n   0.391       -1    0.625    1.562\r\n"), std::string::npos) << results;
    std::vector<BoardLine> board = results_board(sim);
    ASSERT_GE(board.size(), 5u);
    EXPECT_EQ(board[0].text, "Final Results");
    EXPECT_TRUE(board.back().penalty);
    EXPECT_NE(board.back().text.find("seconds for cutting track"), std::string::npos);
}

// In a server's race the remote riders' crossings come from the server. A
// remote player who leaves before finishing sends none: once they have been
// silent five seconds the player's results become final without another
// crossing to prompt them.
TEST_F(Timing, ResultsDoNotWaitForARemotePlayerWhoLeft)
{
    progress(0, {150, 200, 250, 300, 350, 400, 450, 500});
    progress(1, {150, 200, 260, 320});
    sim.race.slots[1].kind = KIND_REPLAYED;
    remote_clear(&sim.network);
    sim.network.connected = true;
    sim.network.start_slot = 0;
    sim.race.tick = 510;
    sim.network.last_received[1] = 505;
    results_update(&sim);
    ASSERT_TRUE(sim.race.slots[0].finished);
    EXPECT_FALSE(sim.race.results_final) << "slot 1 is still riding";
    for (; sim.race.tick < 505 + 4 * TICKS_PER_SECOND; ++sim.race.tick)
        remote_riders_set(&sim);
    EXPECT_FALSE(sim.race.results_final) << "a few seconds' gap may be a slow network";
    for (; sim.race.tick < 505 + 6 * TICKS_PER_SECOND; ++sim.race.tick)
        remote_riders_set(&sim);
    ASSERT_TRUE(sim.race.results_final);
    EXPECT_EQ(sim.race.final_order.entries[0].slot, 0);
}

TEST_F(Timing, TimeTrialLapsRunFromTheLapLineAndKeepTheBest)
{
    // Slot 0 alone on a track whose every lap is gates 0 to 3, its run
    // starting two gates before the first lap's end; the tick moves its
    // front wheel to where the test says.
    track.objects.gates.gates = {0, 1, 2, 3, 0, 1, 2, 3};
    RaceState &race = sim.race;
    race.time_trial = true;
    race.race_laps = 1000;
    sim.stages = SIM_RIDER_STEPS;
    sim_put_rider(&sim, 0, "kx125");
    set_race_position(&sim, 0, 2);
    RiderSlot &s = race.slots[0];
    auto tick_at = [&](float x) {
        Rider *r = s.rider;
        const dReal *p = dBodyGetPosition(r->bodies[FRONT_WHEEL]);
        rider_translate(r, x - (float)p[0], 0, 100 - (float)p[2]);
        for (dBodyID b : r->bodies)
            dBodySetLinearVel(b, 40, 0, 0);
        sim_tick(&sim);
        return race.tick - 1;
    };
    // A lap: gates 0 to 3, the wheel staying past each for `ticks` ticks.
    auto lap = [&](int ticks) {
        int end = 0;
        for (float x : {51.0f, 101.0f, 151.0f, 201.0f})
            for (int k = 0; k < ticks; ++k)
                end = tick_at(x);
        return end;
    };
    race.tick = 1000;
    tick_at(151);
    int start = tick_at(201); // the lap line: the run's first lap, incomplete
    EXPECT_EQ(race.last_lap_time, 0);
    EXPECT_EQ(race.best_lap_time, 0);
    EXPECT_EQ(s.next_gate, 4) << "back on the lap line it stands on";
    EXPECT_EQ(s.gate_ticks[3], start + 1);

    int end = lap(50) - 49; // the crossing comes on the first tick at gate 3
    EXPECT_EQ(race.last_lap_time, end - (start + 1));
    EXPECT_EQ(race.best_lap_time, race.last_lap_time);
    int first = race.last_lap_time;
    lap(30);
    EXPECT_LT(race.last_lap_time, first);
    EXPECT_EQ(race.best_lap_time, race.last_lap_time);
    int best = race.best_lap_time;
    lap(80);
    EXPECT_GT(race.last_lap_time, best);
    EXPECT_EQ(race.best_lap_time, best) << "a slower lap keeps the best";
}

} // namespace
