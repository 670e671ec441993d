// Starting races, the tick, the roster, and the test pilot riding laps.
#include "test_folders.h"

#include "physics/contact.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "race/line_plans.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/roster.h"
#include "race/sim_fixture.h"
#include "robots/pilot.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <sys/wait.h>

namespace
{

using Races = GameRaceTest;

TEST_F(Races, FortyRobotsStartOnTheirPlacesTouchingNothing)
{
    int lineup[SLOTS];
    std::fill(lineup, lineup + SLOTS, (int)LINEUP_ROBOT);
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 5, 0, 77));
    EXPECT_EQ(race.tick, 0);
    EXPECT_GE(race.start_tick, 13 * 128);
    EXPECT_LT(race.start_tick, 15 * 128);
    EXPECT_EQ(race.race_laps, 5);
    EXPECT_EQ(race.half_race_lap, 3);
    const auto &starts = track.objects.gates.starts;
    for (int k = 0; k < SLOTS; ++k) {
        Rider *r = race.slots[k].rider;
        ASSERT_NE(r, nullptr) << k;
        EXPECT_EQ(race.slots[k].kind, KIND_ROBOT);
        EXPECT_EQ(rider_ground_contacts(r), 0) << k;
        physics_contacts_clear(&sim.physics);
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
        // On its own gate position (the grid rule sets the bike's origin
        // 0.625 ft behind it; the frame sits 3.6 ft behind the origin).
        float gx = starts[k].x + std::sin(starts[k].angle) * 0.625f,
              gz = starts[k].z + std::cos(starts[k].angle) * 0.625f;
        float fx = gx + std::sin(starts[k].angle) * 3.6f, fz = gz + std::cos(starts[k].angle) * 3.6f;
        EXPECT_NEAR(p[0], fx, 0.05) << k;
        EXPECT_NEAR(p[2], fz, 0.05) << k;
    }
    // Every robot is a different roster rider, riding with its personality.
    std::set<std::string> numbers;
    const RosterRider *roster = robot_roster();
    for (int k = 0; k < SLOTS; ++k) {
        const Rider *r = race.slots[k].rider;
        numbers.insert(r->number);
        EXPECT_EQ(r->personality, roster[atoi(r->number) - 20].personality) << k;
    }
    EXPECT_EQ(numbers.size(), (size_t)SLOTS);
}

TEST_F(Races, TimeTrialsStartLiveAndLineUpsAreCleanedUp)
{
    ASSERT_TRUE(race_start(&sim, nullptr, false, false, 0, 5, 0, 1));
    EXPECT_TRUE(race.time_trial);
    EXPECT_EQ(race.tick, 38400);
    EXPECT_EQ(race.slots[0].kind, KIND_LOCAL);
    EXPECT_EQ(race.slots[1].rider, nullptr);

    int two_humans[SLOTS] = {};
    two_humans[3] = two_humans[7] = LINEUP_HUMAN;
    ASSERT_TRUE(race_start(&sim, two_humans, false, false, 0, 3, 0, 1));
    EXPECT_EQ(race.watched_slot, 3);
    EXPECT_EQ(race.slots[7].rider, nullptr);

    int empty[SLOTS] = {};
    ASSERT_TRUE(race_start(&sim, empty, false, false, 0, 3, 0, 1));
    EXPECT_EQ(race.slots[0].kind, KIND_ROBOT);

    int numbered[SLOTS] = {};
    numbered[0] = LINEUP_NUMBER + 42;
    numbered[1] = LINEUP_ROBOT_125;
    ASSERT_TRUE(race_start(&sim, numbered, false, false, 0, 3, 0, 1));
    EXPECT_STREQ(race.slots[0].rider->number, "42");
    EXPECT_NE(strstr(race.slots[1].rider->spec.name, "125"), nullptr);

    sim.settings.track_folder = "nowhere";
    EXPECT_FALSE(race_start(&sim, empty, false, false, 0, 3, 0, 1));
}

// A stopped rider turns round toward where its race goes on: along the
// best learnt line ahead of it (on a bend that is not the way to the next
// gate's centre), and toward that centre only when no line is known.
TEST_F(Races, TheTurnAroundAimsAlongTheBestLineAhead)
{
    int lineup[SLOTS] = {LINEUP_HUMAN};
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
    RiderSlot &player = race.slots[race.watched_slot];
    const TimingGates &g = track.objects.gates;
    ASSERT_FALSE(g.gates.empty());
    const Checkpoint &gate = g.checkpoints[gate_sequence(g, 1) % UNTIMED_GATE];
    for (auto &section : sim.lines.sections)
        for (LineSlot &line : section)
            line = LineSlot();
    player.next_gate = 1;
    sim_tick(&sim);
    ASSERT_TRUE(player.rider->has_course_aim);
    EXPECT_EQ(player.rider->course_aim[0], gate.centre[0]) << "no line: the gate's centre";
    EXPECT_EQ(player.rider->course_aim[2], gate.centre[2]);

    // A bending line from where the rider stands; a slower one beside it.
    int section = table_section(sim.lines, section_of(g, 1));
    ASSERT_LT(section, (int)sim.lines.sections.size());
    const dReal *p = dBodyGetPosition(player.rider->bodies[FRAME]);
    LineSlot bend, slower;
    for (int i = 0; i < 12; ++i) {
        float a = 0.25f * i;
        bend.points.push_back(
            {(float)p[0] + 30 * std::sin(a), (float)p[1], (float)p[2] + 30 * (1 - std::cos(a)), 20, 0});
        slower.points.push_back({(float)p[0] - 3.0f * i, (float)p[1], (float)p[2], 20, 0});
    }
    bend.own_time = 900, slower.own_time = 1200;
    sim.lines.sections[(size_t)section][0] = slower;
    sim.lines.sections[(size_t)section][1] = bend;
    sim_tick(&sim);
    const float *aim = player.rider->course_aim;
    EXPECT_FLOAT_EQ(aim[0], bend.points[4].x) << "four points past the nearest, on the faster line";
    EXPECT_FLOAT_EQ(aim[2], bend.points[4].z);
}

// In a server's race the server says where the remote riders are in it: a
// remote rider on a gate records no crossing locally, where offline a
// replayed rider on it does.
TEST_F(Races, AConnectedTickRecordsNoGateForARemoteRider)
{
    int lineup[SLOTS] = {LINEUP_HUMAN, LINEUP_ROBOT};
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
    RiderSlot &other = race.slots[1];
    sim_set_controller(&sim, 1, SlotController());
    other.kind = KIND_REPLAYED;
    rider_disable(other.rider);
    const TimingGates &g = track.objects.gates;
    const Checkpoint &gate = g.checkpoints[gate_sequence(g, 0) % UNTIMED_GATE];
    const dReal *wheel = dBodyGetPosition(other.rider->bodies[FRONT_WHEEL]);
    double dx = gate.centre[0] + gate.direction[0] - wheel[0], dz = gate.centre[2] + gate.direction[2] - wheel[2];
    for (dBodyID b : other.rider->bodies) {
        const dReal *p = dBodyGetPosition(b);
        dBodySetPosition(b, p[0] + dx, p[1], p[2] + dz);
    }
    for (bool connected : {true, false}) {
        sim.network.connected = connected;
        set_race_position(&sim, 1, 0);
        sim_tick(&sim);
        EXPECT_EQ(other.next_gate, connected ? 0 : 1) << (connected ? "connected" : "offline");
    }
    sim.network.connected = false;
}

TEST(Roster, EightyRidersInNumberOrder)
{
    const RosterRider *roster = robot_roster();
    for (int k = 0; k < ROSTER_SIZE; ++k)
        EXPECT_EQ(roster[k].number, 20 + k);
    EXPECT_NE(roster[0].outfit.bike.find("125"), std::string::npos);
    EXPECT_EQ(roster[39].outfit.bike, "yz250f_se(2006)");
    EXPECT_EQ(roster[60].personality, PERSONALITY_FINCH);
    EXPECT_FALSE(roster[60].outfit.bike_texture.empty());
}

TEST_F(Races, TheGateDropsAfterTheStartTick)
{
    int lineup[SLOTS] = {LINEUP_ROBOT};
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 5));
    int piece = track.objects.gates.start_statues[0];
    const Statue &gate = track.objects.statues[piece];
    const float *pose = sim.physics.statues[piece].orientation; // as the race has it
    auto matrix = [](const float *m) { return std::vector<float>(m, m + 9); };
    std::vector<float> own = matrix(gate.orientation), raised = matrix(pose);
    EXPECT_NE(raised, own);
    while (race.tick <= race.start_tick)
        sim_tick(&sim);
    EXPECT_EQ(race.gate_raise[0], 1.0f);
    EXPECT_EQ(matrix(pose), raised);
    for (int k = 0; k < 20; ++k)
        sim_tick(&sim);
    EXPECT_EQ(race.gate_raise[0], 0.0f);
    EXPECT_EQ(matrix(pose), own) << "down, the piece lies as the track placed it";
    EXPECT_EQ(matrix(gate.orientation), own) << "the track itself is never changed";
}

TEST_F(Races, ThePilotRidesThreeLapsOfEachTrack)
{
    for (const char *folder : {"rabbithill", "quarry"}) {
        sim.settings.track_folder = folder;
        int lineup[SLOTS] = {LINEUP_ROBOT};
        ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 5, 0, 3));
        pilot_take(&sim, 0);
        const PilotLog &log = pilot_log(sim, 0);
        for (int n = 0; n < 600 * 128 && log.laps < 3; ++n)
            sim_tick(&sim);
        printf("%s: pilot laps", folder);
        int previous = race.start_tick;
        for (int t : log.lap_ticks) {
            printf(" %.1f s", (t - previous) / 128.0);
            previous = t;
        }
        printf(", %d crashes\n", log.crashes);
        EXPECT_GE(log.laps, 3) << folder;
    }
}

// The "state hash: " line of the simulator's output, or "".
std::string hash_line(const std::string &out)
{
    size_t at = out.rfind("\nstate hash: ");
    return at == std::string::npos ? "" : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

TEST(Simulator, ReportsEveryRiderItsSpeedAndTheStateHash)
{
    std::string out;
    EXPECT_EQ(simulator("--riders 40 --seconds 2", &out), 0) << out;
    EXPECT_NE(out.find("slot 39: gates 0 laps 0 crashes 0"), std::string::npos) << out;
    EXPECT_NE(out.find("simulation: 256 ticks in "), std::string::npos) << out;
    // The last-but-one line is the state hash: 16 hexadecimal digits.
    std::string hash = hash_line(out);
    ASSERT_EQ(hash.size(), 12u + 16u) << out;
    EXPECT_EQ(hash.find_first_not_of("0123456789abcdef", 12), std::string::npos) << hash;
    EXPECT_EQ(out.find("\nsimulation: "), out.find(hash) + hash.size()) << out;

    // The same options give the same hash on every run; another seed another.
    std::string again, other;
    EXPECT_EQ(simulator("--riders 6 --pilot --seconds 16 --seed 5", &out), 0) << out;
    EXPECT_EQ(simulator("--riders 6 --pilot --seconds 16 --seed 5", &again), 0) << again;
    EXPECT_EQ(simulator("--riders 6 --pilot --seconds 16 --seed 6", &other), 0) << other;
    EXPECT_EQ(hash_line(out), hash_line(again));
    EXPECT_NE(hash_line(out), hash_line(other));
    // Stepping on two threads changes nothing.
    std::string threaded;
    EXPECT_EQ(simulator("--riders 6 --pilot --seconds 16 --seed 5 --threads 2", &threaded), 0) << threaded;
    EXPECT_EQ(hash_line(out), hash_line(threaded));
    EXPECT_EQ(simulator("--threads 0", &threaded), 2);
    EXPECT_NE(threaded.find("--threads needs a whole number from 1 to 64"), std::string::npos) << threaded;

    EXPECT_EQ(simulator("--riders 41", &out), 2);
    EXPECT_NE(out.find("--riders needs a number from 0 to 40"), std::string::npos) << out;
    EXPECT_EQ(simulator("--help", &out), 0);
    EXPECT_EQ(out.rfind("usage: rutvale-sim", 0), 0u) << out;
}

// The number of stored lines in each section of a lines file.
std::vector<int> lines_per_section(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "r");
    std::vector<int> counts;
    int sections;
    if (!f || fscanf(f, "ct03 %d", &sections) != 1) {
        if (f)
            fclose(f);
        return counts;
    }
    for (int j = 0; j < sections; ++j) {
        int lines, points, skip;
        if (fscanf(f, " %d", &lines) != 1)
            break;
        counts.push_back(lines);
        for (int k = 0; k < lines; ++k) {
            if (fscanf(f, " %d %d %d %d %d %d %d %d %d", &points, &skip, &skip, &skip, &skip, &skip, &skip, &skip,
                       &skip) != 9)
                break;
            for (int n = 0; n < points; ++n) {
                float v;
                if (fscanf(f, " [ %f %f %f ] %f %f", &v, &v, &v, &v, &v) != 5)
                    break;
            }
        }
    }
    fclose(f);
    return counts;
}

TEST(Simulator, ThePilotsLapsTeachLinesThatTheNextRaceLoads)
{
    for (const char *track : {"rabbithill", "quarry"}) {
        TempDir home;
        std::string out, file = home / ("Rutvale/" + std::string(track) + "/lines_amateur");
        std::string options = std::string("--track ") + track + " --pilot --riders 0 --laps 3 --seconds 600";
        ASSERT_EQ(simulator(options + " --skill 1 --nolearn", &out, home.path), 0) << out;
        EXPECT_FALSE(path_exists(file)) << "--nolearn writes no lines";
        EXPECT_EQ(out.find("lines saved: "), std::string::npos) << out;
        ASSERT_EQ(simulator(options + " --skill 1", &out, home.path), 0) << out;
        EXPECT_NE(out.find("lines saved: " + file + "\n"), std::string::npos) << out;
        std::vector<int> counts = lines_per_section(file);
        ASSERT_FALSE(counts.empty()) << file;
        int covered = 0, stored = 0;
        for (int c : counts) {
            covered += c > 0;
            stored += c;
        }
        printf("%s: %d lines cover %d of %d sections\n", track, stored, covered, (int)counts.size());
        EXPECT_NE(out.find("lines: " + std::to_string(stored) + " in " + std::to_string(covered) + " of " +
                           std::to_string(counts.size()) + " sections (lines_amateur)"),
                  std::string::npos)
            << out;
        // A section is stored once it and the one after it are ridden
        // cleanly: three clean laps teach every section.
        EXPECT_EQ(covered, (int)counts.size()) << track;

        // The next race starts from them and adds its own.
        ASSERT_EQ(simulator(options + " --skill 1 --seed 2", &out, home.path), 0) << out;
        std::vector<int> after = lines_per_section(file);
        ASSERT_EQ(after.size(), counts.size());
        for (size_t j = 0; j < counts.size(); ++j)
            EXPECT_GE(after[j], counts[j]) << "section " << j;
    }
}

} // namespace
