// Learning lines from riding: sections, storing recorded lines, duplicates,
// skipped gates and stops, robots credited and blamed, eviction, pruning
// and the lap plans.
#include "physics/rider.h"
#include "race/learning.h"
#include "race/line_plans.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/sim_fixture.h"
#include "test_folders.h"
#include "track/track.h"
#include "track/track_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Points along a straight line from (x0, z0) to (x1, z1).
LineSlot straight(float x0, float z0, float x1, float z1, int n, float speed = 40)
{
    LineSlot s;
    for (int k = 0; k < n; ++k) {
        float f = (float)k / (float)(n - 1);
        s.points.push_back({x0 + (x1 - x0) * f, 0, z0 + (z1 - z0) * f, speed, 0});
    }
    s.own_time = s.pair_time = 1000;
    return s;
}

int filled(const std::vector<LineSlot> &section)
{
    int n = 0;
    for (const LineSlot &l : section)
        n += !l.points.empty();
    return n;
}

TEST(Sections, TimedGatesEndSectionsAndLaterLapsShareTheTable)
{
    // First lap: gates 0, (1 untimed), 2, 3; later laps 1, 2, 3, 0.
    TimingGates g;
    g.gates = {0, UNTIMED_GATE + 1, 2, 3, 1, 2, 3, 0};
    g.first_lap_count = g.normal_lap_count = 4;
    LineTable t = line_table_for(g);
    ASSERT_EQ(t.first_sections, 3);
    ASSERT_EQ(t.normal_sections, 4);
    const struct {
        int position, section, table;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 1, 1}, {3, 2, 2},   {4, 3, 3},
                 {5, 4, 4}, {8, 7, 3}, {9, 8, 4}, {13, 12, 4}, {14, 13, 5}};
    for (const auto &c : cases) {
        EXPECT_EQ(section_of(g, c.position), c.section) << c.position;
        EXPECT_EQ(table_section(t, c.section), c.table) << c.position;
    }
}

TEST(LineGeometry, StraddlingAndCircleCentres)
{
    LinePoint a = {0, 0, 0, 0, 0}, b = {10, 0, 0, 0, 0};
    LinePoint above = {5, 0, 3, 0, 0}, below = {5, 0, -3, 0, 0}, beyond = {20, 0, 3, 0, 0};
    EXPECT_TRUE(segments_straddle(a, b, above, below));
    EXPECT_FALSE(segments_straddle(a, b, above, beyond));

    LinePoint c = circle_center({10, 2, 0, 0, 0}, {0, 0, 10, 0, 0}, {-10, 0, 0, 0, 0});
    EXPECT_NEAR(c.x, 0, 1e-4);
    EXPECT_NEAR(c.z, 0, 1e-4);
    EXPECT_EQ(c.y, 2) << "the height of the first point";
    LinePoint far = circle_center(a, b, {20, 0, 0, 0, 0});
    EXPECT_NEAR(std::fabs(far.z), 1000000, 1);
    EXPECT_NEAR(far.x, 5, 1e-3);
}

TEST(LineCosts, ModesWeighFailuresAndRuns)
{
    LineSlot l;
    l.tested = 8;
    l.fails = 2;
    l.sum_own = 8 * 1000;
    // fail rate 0.2
    EXPECT_EQ(line_cost(l, 0), 1000 + 128);
    EXPECT_EQ(line_cost(l, 1), 1000 + (int)std::lround(640 * 0.2 * 1.1428572));
    EXPECT_EQ(line_cost(l, 2), 1000 + 512);
    EXPECT_EQ(line_cost(l, 3), 1000 * (5 + 4)) << "bit length of 8 + 8 is 5";
    l.tested = 3;
    EXPECT_EQ(line_cost(l, 0), 1000000) << "too few runs for the careful modes";
    EXPECT_LT(line_cost(l, 2), 1000000);
    l.tested = 1;
    l.fails = 6;
    EXPECT_EQ(line_cost(l, 3), 100000) << "an explorer gives up on a line that mostly fails";
}

TEST(Eviction, HighestBarGoesUniqueLinesAndGoodLinesStay)
{
    TimingGates g;
    g.gates = {0, 0};
    g.first_lap_count = g.normal_lap_count = 1;
    LineTable t = line_table_for(g);
    std::vector<LineSlot> &s = t.sections[0];
    for (int k = 0; k < LINE_SLOTS; ++k) {
        s[(size_t)k] = straight(0, 0.5f * (k % 3), 100, 0, 5); // starts close together in threes
        s[(size_t)k].pair_time = 1000 + k;
    }
    EXPECT_EQ(line_evict_choice(t, 0), 44) << "the slowest untested line";
    s[44] = straight(0, 100, 100, 100, 5); // far from all others: its bar counts 3/4
    s[44].pair_time = 1044;
    EXPECT_EQ(line_evict_choice(t, 0), 43);
    // A tested line with fewer failures than runs is kept while fewer than
    // 23 such lines exist, however slow it is.
    s[43].tested = 2;
    s[43].sum_pair = 2 * 5000;
    EXPECT_EQ(line_evict_choice(t, 0), 42);
    for (int k = 0; k < 23; ++k) {
        s[(size_t)k].tested = 1;
        s[(size_t)k].sum_pair = 900;
    }
    EXPECT_EQ(line_evict_choice(t, 0), 43) << "with 23 good lines the slowest goes, good or not";
    EXPECT_EQ(line_bar(LineSlot()), 1250000) << "an empty slot takes any line";
}

TEST(Pruning, CrossingLinesGoFirstInFullFirstLapSections)
{
    TimingGates g;
    g.gates = {0, 0};
    g.first_lap_count = g.normal_lap_count = 1;
    LineTable t = line_table_for(g);
    for (int k = 0; k < LINE_SLOTS; ++k) {
        t.sections[0][(size_t)k] = straight(0, 3.0f * k, 100, 3.0f * k, 6); // parallel lanes
        t.sections[1][(size_t)k] = t.sections[0][(size_t)k];
    }
    t.sections[0][7] = straight(0, 0, 100, 130, 6); // across many lanes
    lines_prune(&t);
    EXPECT_EQ(filled(t.sections[0]), 43);
    EXPECT_TRUE(t.sections[0][7].points.empty()) << "the line crossing the others goes";
    EXPECT_EQ(filled(t.sections[1]), LINE_SLOTS) << "later laps' sections are not pruned";
}

// A table of four sections (two in the first lap, two in the others), each
// with a fast lane at z = 0 and a slow one at z = 20, lines following on
// from each other along x.
class Plans : public GameFolderTest
{
  protected:
    TimingGates g;
    LineTable t;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        g.gates = {0, 1, 0, 1};
        g.first_lap_count = g.normal_lap_count = 2;
        t = line_table_for(g);
        for (int s = 0; s < 4; ++s)
            for (int lane = 0; lane < 2; ++lane) {
                LineSlot l = straight(100.0f * s, 20.0f * lane, 100.0f * s + 90, 20.0f * lane, 10);
                l.tested = 6;
                l.sum_own = 6 * (lane ? 1400 : 1000);
                l.id = ++t.next_id;
                t.sections[(size_t)s][(size_t)(3 + lane * 5)] = l;
            }
    }
    // The lane of the line planned for a section (-1: none).
    int planned_lane(int mode, int section)
    {
        int id = t.plans[mode][(size_t)section];
        for (const LineSlot &l : t.sections[(size_t)section])
            if (id && l.id == id)
                return (int)l.points[0].z / 20;
        return -1;
    }
};

TEST_F(Plans, TheCheapestChainIsPlannedAndSurvivesTheFile)
{
    lines_plan(&t);
    for (int mode = 0; mode < PLAN_MODES; ++mode)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(planned_lane(mode, s), 0) << "mode " << mode << " section " << s;

    ASSERT_TRUE(lines_save(t, "plans", 1));
    LineTable loaded = line_table_for(g);
    ASSERT_EQ(lines_load(&loaded, "plans", 1), 8);
    lines_plan(&loaded);
    t = std::move(loaded);
    for (int s = 0; s < 4; ++s)
        EXPECT_EQ(planned_lane(0, s), 0) << "section " << s;

    LineSlot &fast = t.sections[1][0]; // lines load into the first slots, in order
    ASSERT_EQ(fast.points[0].z, 0);
    fast.tested = 4;
    fast.sum_own = 4 * 1000;
    lines_plan(&t);
    EXPECT_EQ(t.plans[0][1], 0) << "a line with fewer than five runs is no preference";
    EXPECT_EQ(planned_lane(0, 2), 0) << "the other sections keep their plans";
}

// Riders going round a circle of radius 80 about (150, 150) at one lap in
// 10 s, through four gates a quarter lap apart; every lap is one circle.
class Learning : public GameFolderTest
{
  protected:
    Track track;
    Sim sim;
    const float radius = 80;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        track.terrain = memory_terrain(
            6, 8, [](int, int) { return 0.0f; }, true);
        TimingGates &g = track.objects.gates;
        for (int k = 0; k < 4; ++k) {
            float a = (float)M_PI / 2 * k;
            g.checkpoints.push_back(
                {{150 + radius * std::cos(a), 0, 150 + radius * std::sin(a)}, {-std::sin(a), 0, std::cos(a)}, 12, 0});
        }
        g.gates = {0, 1, 2, 3, 0, 1, 2, 3};
        g.first_lap_count = g.normal_lap_count = 4;
        sim_create(&sim, &track);
        sim.lines = line_table_for(g);
        sim.race.race_laps = 1000;
        sim.race.start_tick = 0;
        sim.race.tick = 0;
    }
    void TearDown() override
    {
        sim_destroy(&sim);
        GameFolderTest::TearDown();
    }
    // Places a slot's rider at an angle on the circle (or `off` outside it),
    // riding round it at a speed, and runs its progress step.
    void ride_to(int slot, double angle, float speed, float off = 0)
    {
        Rider *r = sim.race.slots[slot].rider;
        float x = 150 + (radius + off) * (float)std::cos(angle), z = 150 + (radius + off) * (float)std::sin(angle);
        float tx = -(float)std::sin(angle), tz = (float)std::cos(angle);
        // Placing resets the rider; a moving rider keeps its picked lines
        // and whether it has stopped.
        int picked[4], stop_state = r->stop_state;
        std::copy(r->picked_lines, r->picked_lines + 4, picked);
        rider_place_at(r, x, 0, z, std::atan2(-tx, -tz));
        std::copy(picked, picked + 4, r->picked_lines);
        r->stop_state = stop_state;
        for (dBodyID b : r->bodies)
            dBodySetLinearVel(b, tx * speed, 0, tz * speed);
        rider_progress_step(&sim, slot);
    }
    // Rides from an angle for a number of ticks at `laps_per_10s` of the
    // lap speed; `each` runs before every step.
    double ride(int slot, double angle, int ticks, double pace = 1, std::function<void()> each = {})
    {
        double step = 2 * M_PI / 1280 * pace;
        float speed = (float)(2 * M_PI * radius / 10 * pace);
        for (int k = 0; k < ticks; ++k) {
            if (each)
                each();
            ride_to(slot, angle, speed);
            angle += step;
            ++sim.race.tick;
        }
        return angle;
    }
    int table_lines(int section) { return filled(sim.lines.sections[(size_t)section]); }
};

TEST_F(Learning, RiddenSectionsAreStoredOnceAndDuplicatesRejected)
{
    sim_put_rider(&sim, 0, "kx125");
    sim.race.slots[0].rider->personality = 0;
    // Three laps from a quarter lap before the first gate.
    double angle = ride(0, -M_PI / 2, 3 * 1280 + 320 + 40);
    RiderSlot &s = sim.race.slots[0];
    ASSERT_EQ(s.next_gate, 13) << "every gate of three laps and the first crossed";
    for (int section = 0; section < 8; ++section)
        EXPECT_EQ(table_lines(section), 1) << "section " << section << ": later laps ride the same line again";
    const LineSlot &l = sim.lines.sections[5][0];
    EXPECT_NEAR(l.own_time, 320, 2);
    EXPECT_NEAR(l.pair_time, 640, 2);
    EXPECT_NEAR((int)l.points.size(), 10, 1) << "four samples a second";
    EXPECT_EQ(l.tested, 0);

    // Slowing down makes new lines: the section where the pace changed and
    // the slower laps' (once: the laps after repeat it).
    ride(0, angle, 1600 * 2, 0.8);
    EXPECT_EQ(table_lines(5), 3);
    bool slow = false;
    for (const LineSlot &x : sim.lines.sections[5])
        slow |= !x.points.empty() && std::abs(x.own_time - 400) <= 2;
    EXPECT_TRUE(slow);
}

TEST_F(Learning, SkippedGatesAndStopsSpoilTheRecording)
{
    sim_put_rider(&sim, 0, "kx125");
    sim.race.slots[0].rider->personality = 0;
    // Past gate 0 and then off the circle past gate 1: it is skipped, and
    // gate 2 comes at offset 1.
    double angle = ride(0, -M_PI / 4, 160 + 40);
    for (int k = 0; k < 700; ++k, ++sim.race.tick, angle += 2 * M_PI / 1280)
        ride_to(0, angle, 50, std::sin(angle) > 0.5 ? 30 : 0);
    RiderSlot &s = sim.race.slots[0];
    ASSERT_EQ(s.next_gate, 3);
    EXPECT_EQ(s.gate_ticks[1], -1);
    angle = ride(0, angle, 640);
    for (int section = 0; section < 8; ++section)
        EXPECT_EQ(table_lines(section), section == 3) << "only the section after the skip is clean: " << section;

    // A stop spoils the section it happens in.
    lines_clear(&sim.lines);
    sim.race.tick = 10000;
    angle = ride(0, angle, 100);
    for (int k = 0; k < 10; ++k, ++sim.race.tick)
        ride_to(0, angle, 0); // standing still
    EXPECT_EQ(s.rider->stop_state, 2);
    int spoiled = section_of(track.objects.gates, s.next_gate);
    ride(0, angle, 1280);
    EXPECT_EQ(table_lines(table_section(sim.lines, spoiled)), 0) << "the stopped section is not stored";
    EXPECT_EQ(table_lines(table_section(sim.lines, spoiled + 1)), 1);
}

TEST_F(Learning, RobotsCreditCleanRunsAndBlameStops)
{
    // A human rides two laps to teach the table.
    sim_put_rider(&sim, 0, "kx125");
    sim.race.slots[0].rider->personality = 0;
    ride(0, -M_PI / 2, 2 * 1280 + 320 + 40);

    // A robot rides the same circle on the learnt lines.
    Rider *robot = sim_put_rider(&sim, 1, "kx125");
    robot->personality = 1;
    RiderSlot &s = sim.race.slots[1];
    const TimingGates &g = track.objects.gates;
    // The line of the section it rides and the next one joined up.
    auto follow = [&] {
        int section = section_of(g, s.next_gate);
        const LineSlot &line = sim.lines.sections[(size_t)table_section(sim.lines, section)][0];
        const LineSlot &next = sim.lines.sections[(size_t)table_section(sim.lines, section + 1)][0];
        s.robot_line = line.points;
        s.robot_line.insert(s.robot_line.end(), next.points.begin(), next.points.end());
        s.robot_target = (int)line.points.size() + 1;
        robot->picked_lines[section & 3] = line.id;
    };
    sim.race.tick = 0;
    double angle = ride(1, -M_PI / 2, 1280 + 320 + 40, 1, follow);
    int credited = 0, failed = 0;
    for (const auto &section : sim.lines.sections)
        for (const LineSlot &l : section) {
            credited += l.tested;
            failed += l.fails;
            if (l.tested) {
                EXPECT_NEAR(l.sum_own, 320 * l.tested, 4 * l.tested);
            }
        }
    EXPECT_GE(credited, 4) << "each section judged after the next one";
    EXPECT_EQ(failed, 0);

    // Stopping blames the line being ridden.
    int section = section_of(g, s.next_gate);
    const LineSlot &line = sim.lines.sections[(size_t)table_section(sim.lines, section)][0];
    angle = ride(1, angle, 100, 1, follow);
    ride_to(1, angle, 0);
    EXPECT_EQ(line.fails, 1);
    EXPECT_EQ(robot->picked_lines[0] | robot->picked_lines[1] | robot->picked_lines[2] | robot->picked_lines[3], 0);

    // A robot far off its line is blamed at the next gate, not credited.
    int tested = 0;
    for (const auto &sec : sim.lines.sections)
        for (const LineSlot &l : sec)
            tested += l.tested;
    for (int k = 0; k < 640; ++k, ++sim.race.tick, angle += 2 * M_PI / 1280) {
        follow();
        ride_to(1, angle, 50, 8);
    }
    int tested_after = 0, fails_after = 0;
    for (const auto &sec : sim.lines.sections)
        for (const LineSlot &l : sec) {
            tested_after += l.tested;
            fails_after += l.fails;
        }
    EXPECT_EQ(tested_after, tested);
    EXPECT_GE(fails_after, 2);
}

TEST_F(Learning, AFinishingRobotsLineRollsToAStop)
{
    Rider *robot = sim_put_rider(&sim, 0, "kx125");
    robot->personality = 2;
    RiderSlot &s = sim.race.slots[0];
    s.robot_line = straight(0, 0, 100, 0, 11, 40).points;
    s.robot_target = 0;
    learn_finished(&sim, 0);
    EXPECT_FLOAT_EQ(s.robot_line[0].speed, 40);
    EXPECT_FLOAT_EQ(s.robot_line[10].speed, 40 * (1.0f / 11 * 0.75f + 0.25f));
}

} // namespace
