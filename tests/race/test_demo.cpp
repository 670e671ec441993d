// Demos: recording, playback alone and raced against, skipping and
// rewinding, damaged and hostile files, and the time-trial ghost.
#include "physics/rider.h"
#include "race/demo.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/sim_fixture.h"
#include "robots/pilot.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// Races on the generated quarry track, demos in a home folder of their own.
class Demos : public GameRaceTest
{
  protected:
    std::string demo_file() const { return home.path + "/Rutvale/demos/default.rvdemo"; }
    void SetUp() override
    {
        GameRaceTest::SetUp();
        sim.settings.track_folder = "quarry";
        sim.settings.learning = false;
    }
    // The player (ridden by the pilot) in slot 0 and three robots, recorded.
    void record(float seconds)
    {
        int lineup[SLOTS] = {LINEUP_HUMAN, LINEUP_ROBOT, LINEUP_ROBOT, LINEUP_ROBOT};
        ASSERT_TRUE(race_start(&sim, lineup, false, true, 0, 2, 0, 5));
        pilot_take(&sim, 0);
        sim_run(&sim, seconds);
    }
    // Plays the default demo alone: every start slot Empty.
    bool play()
    {
        int lineup[SLOTS] = {};
        return race_start(&sim, lineup, true, false, 0, 5, 0, 9) && sim.demo.in;
    }
};

TEST_F(Demos, ARecordedRacePlaysBackAsItWasRidden)
{
    record(30);
    int ticks = race.tick;
    const dReal *p = dBodyGetPosition(race.slots[0].rider->bodies[FRAME]);
    float end[3] = {(float)p[0], (float)p[1], (float)p[2]};
    int gates = race.slots[0].next_gate;
    ASSERT_GT(gates, 3) << "the pilot got going";

    // One player and three robots: 4 riders of 39 bytes a tick.
    std::string bytes = read_file(demo_file());
    std::string header = "RV05 4 0 2 " + std::to_string(race.start_tick) + "\nquarry\n";
    ASSERT_EQ(bytes.compare(0, header.size(), header), 0) << bytes.substr(0, 40);
    size_t block = bytes.size() - (size_t)(ticks + 1) * 156;
    EXPECT_EQ(bytes[block - 1], '\n') << "the block follows the last description line";

    ASSERT_TRUE(play());
    EXPECT_EQ(race.time_limit, 0);
    EXPECT_EQ(race.laps, 2) << "the race's numbers come from the demo";
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(race.slots[k].kind, KIND_REPLAYED) << k;
    EXPECT_EQ(race.slots[4].rider, nullptr);
    EXPECT_EQ(race.slots[0].rider->spec.name, std::string("crf250(2009)"));
    while (!sim.demo.at_end)
        sim_tick(&sim);
    EXPECT_EQ(sim.demo.ticks_played, ticks + 1);
    p = dBodyGetPosition(race.slots[0].rider->bodies[FRAME]);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(p[i], end[i], 0.05) << i;
    EXPECT_EQ(race.slots[0].next_gate, gates) << "the replayed rider passes the same gates";
    EXPECT_EQ(race.slots[0].demo_sound, 0.0f) << "past the end the replay is silent";
}

TEST_F(Demos, RacingAgainstADemoAndRecordingNothingFromTheSameFile)
{
    record(10);
    std::string before = read_file(demo_file());
    // The player in slot 2, the demo's riders in the empty slots around it.
    int lineup[SLOTS] = {LINEUP_EMPTY, LINEUP_EMPTY, LINEUP_HUMAN};
    sim.demo.chosen = DEFAULT_DEMO;
    ASSERT_TRUE(race_start(&sim, lineup, true, true, 0, 5, 0, 3));
    EXPECT_EQ(race.slots[2].kind, KIND_LOCAL);
    EXPECT_EQ(race.watched_slot, 2);
    int replayed = 0;
    for (const RiderSlot &s : race.slots)
        replayed += s.rider && s.kind == KIND_REPLAYED;
    EXPECT_EQ(replayed, 4);
    EXPECT_EQ(sim.demo.out, nullptr) << "not recorded over the demo being played";
    sim_run(&sim, 2);
    EXPECT_EQ(read_file(demo_file()), before);
    sim.demo.chosen.clear();
}

TEST_F(Demos, SkippingAndRewindingMoveThroughTheRecording)
{
    record(30);
    ASSERT_TRUE(play());
    sim_run(&sim, 25);
    RiderSlot &s = race.slots[0];
    int gates = s.next_gate;
    ASSERT_GT(gates, 2);
    int crossed = s.gate_ticks[(size_t)gates - 1];
    // Back to just before the last crossing: it has not happened yet.
    sim_skip_demo(&sim, (float)(crossed - race.tick - 64) / 128, false);
    EXPECT_EQ(race.tick, crossed - 64);
    EXPECT_EQ(s.next_gate, gates - 1);
    sim_run(&sim, 1);
    EXPECT_EQ(s.next_gate, gates) << "and it happens again";
    EXPECT_NEAR(s.gate_ticks[(size_t)gates - 1], crossed, 1);

    int tick = race.tick;
    sim_skip_demo(&sim, 1, false);
    EXPECT_EQ(race.tick, tick + 128);
    sim_skip_demo(&sim, 1, true);
    EXPECT_EQ(race.tick, tick + 256) << "accurately, by running the ticks";
    sim_skip_demo(&sim, 60, false);
    EXPECT_EQ(race.tick, tick + 256) << "past the end nothing moves";
}

TEST_F(Demos, ACutOffRecordingPlaysToItsLastWholeTick)
{
    record(5);
    int ticks = race.tick;
    sim_destroy(&sim);
    sim_create(&sim, &track);
    sim.settings.track_folder = "quarry";
    std::string bytes = read_file(demo_file());
    write_file(demo_file(), bytes.substr(0, bytes.size() - 100)); // the last tick and a half gone
    ASSERT_TRUE(play());
    while (!sim.demo.at_end)
        sim_tick(&sim);
    EXPECT_EQ(sim.demo.ticks_played, ticks) << "all but the tick cut short";
    for (int k = 0; k < 4; ++k) {
        const dReal *p = dBodyGetPosition(race.slots[k].rider->bodies[FRAME]);
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]));
    }
}

TEST_F(Demos, BrokenAndHostileDemosAreRefused)
{
    const struct {
        const char *why, *text;
    } cases[] = {
        {"no header", "hello\nquarry\n"},
        {"too few numbers", "RV05 1\nquarry\n"},
        {"an unknown version", "RV07 1 0 2 1800\nquarry\nkx125||||\n7\n"},
        {"version 4", "RV04 1 0 2 1800\nquarry\nkx125||||\n7\n"},
        {"41 riders", "RV05 41 0 2 1800\nquarry\n"},
        {"negative laps", "RV05 1 0 -2 1800\nquarry\nkx125||||\n7\n"},
        {"a track path", "RV05 1 0 2 1800\n../../etc\nkx125||||\n7\n"},
        {"a description cut off", "RV05 2 0 2 1800\nquarry\nkx125||||\n7\nkx125|||"},
        {"no newline after the header", "RV05 1 0 2 1800"},
    };
    for (const auto &c : cases) {
        write_file(demo_file(), c.text);
        EXPECT_FALSE(demo_open(&sim)) << c.why;
        EXPECT_EQ(sim.demo.in, nullptr) << c.why;
    }
    // A track that is not here: the race runs on its own track, no replays.
    write_file(demo_file(), "RV05 1 0 2 1800\nnowhere\nkx125||||\n7\n");
    int lineup[SLOTS] = {LINEUP_HUMAN};
    ASSERT_TRUE(race_start(&sim, lineup, true, false, 0, 3, 0, 1));
    EXPECT_EQ(track.folder, "quarry");
    EXPECT_EQ(race.slots[1].rider, nullptr);

    // Garbage snapshots play as far as the file goes, at finite places.
    std::string garbage = "RV05 2 0 2 1800\nquarry\nkx125||||\n7\nyz125|a|b|c|d|e|f\n8\n";
    for (int k = 0; k < 39 * 2 * 50 + 17; ++k)
        garbage += (char)(k * 131 + k / 7);
    write_file(demo_file(), garbage);
    ASSERT_TRUE(play());
    sim_run(&sim, 1);
    EXPECT_TRUE(sim.demo.at_end);
    EXPECT_EQ(sim.demo.ticks_played, 50);
    for (int k = 0; k < 2; ++k)
        for (dBodyID b : race.slots[k].rider->bodies) {
            const dReal *p = dBodyGetPosition(b), *v = dBodyGetLinearVel(b);
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(std::isfinite(p[i]) && std::isfinite(v[i]));
        }
}

// In a server's race the demo holds every rider: the player (with a start
// slot) and the remote riders, as the server described them, each from the
// snapshots a second behind.
TEST_F(Demos, ANetworkDemoHoldsEveryRiderASecondBehind)
{
    int lineup[SLOTS] = {LINEUP_HUMAN};
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 2, 0, 5));
    NetworkRace &network = sim.network;
    network.connected = true;
    network.start_slot = 0;
    remote_clear(&network);
    for (int k : {1, 2}) {
        RiderDescription &d = network.riders[k];
        d.bike = "kx125", d.number = std::to_string(40 + k), d.name = "Remote";
        sim_put_rider(&sim, k, "kx125", d.number.c_str());
        race.slots[k].kind = KIND_REPLAYED;
    }
    demo_record_start(&sim);
    int start = race.tick;
    sim_run(&sim, 2);
    int written = race.tick - std::max(start + 1, 127);
    demo_record_stop(&sim);
    network.connected = false;
    std::string bytes = read_file(demo_file());
    std::string header = "RV05 3 0 2 " + std::to_string(race.start_tick) + "\nquarry\n";
    ASSERT_EQ(bytes.compare(0, header.size(), header), 0) << bytes.substr(0, 80);
    EXPECT_NE(bytes.find("kx125||||\n41\nkx125||||\n42\n"), std::string::npos);
    size_t descriptions = bytes.find("\n42\n") + 4;
    EXPECT_EQ(bytes.size() - descriptions, (size_t)(written + 1) * 3 * SNAPSHOT_BYTES);
}

TEST_F(Demos, TimeTrialLapsLeaveTheLastLapAndTheGhost)
{
    sim.settings.track_folder = "quarry";
    ASSERT_TRUE(race_start(&sim, nullptr, false, false, 0, 1000, 0, 1));
    pilot_take(&sim, 0);
    std::string last = home.path + "/Rutvale/quarry/lastlap.rvdemo",
                fastest = home.path + "/Rutvale/quarry/fastlap.rvdemo";
    // The run starts before the lap line; the first lap ends at the next.
    for (int n = 0; n < 200 * 128 && race.last_lap_time == 0; ++n)
        sim_tick(&sim);
    ASSERT_GT(race.last_lap_time, 0) << "a whole lap ridden";
    EXPECT_EQ(race.best_lap_time, race.last_lap_time);
    EXPECT_TRUE(path_exists(last));
    EXPECT_TRUE(path_exists(fastest)) << "the first whole lap is the ghost";
    ASSERT_NE(race.slots[1].rider, nullptr) << "the ghost rides";
    EXPECT_EQ(race.slots[1].kind, KIND_REPLAYED);
    EXPECT_EQ(sim.demo.riders.size(), 1u);
    // The ghost rides the lap it recorded: a second later it is where the
    // player was a second into that lap.
    sim_run(&sim, 3);
    EXPECT_GT(race.slots[1].next_gate, race.slots[0].next_gate - 3);
}

TEST(DemoSimulator, RecordsPlaysAndSurvivesBeingKilled)
{
    TempDir home;
    std::string demo = home / "race.rvdemo", out;
    ASSERT_EQ(simulator("--track quarry --pilot --riders 3 --seconds 20 --record " + demo, &out, home.path), 0) << out;
    ASSERT_EQ(simulator("--play " + demo, &out, home.path), 0) << out;
    EXPECT_NE(out.rfind("\ndemo: 2561 ticks played, the end reached\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("unknown"), std::string::npos);
    // The pilot races the demo's riders.
    ASSERT_EQ(simulator("--play " + demo + " --pilot --seconds 5", &out, home.path), 0) << out;
    EXPECT_NE(out.find("slot 0: gates"), std::string::npos);
    EXPECT_NE(out.find("(pilot)"), std::string::npos);
    EXPECT_NE(out.find("stopped before the end"), std::string::npos) << out;

    // Killed while recording, the demo plays up to its last tick.
    std::string killed = home / "killed.rvdemo";
    pid_t child = fork();
    if (child == 0) {
        setenv("XDG_DATA_HOME", home.path.c_str(), 1);
        execl(SIM_EXE, SIM_EXE, "--track", "quarry", "--riders", "40", "--seconds", "600", "--record", killed.c_str(),
              (char *)nullptr);
        _exit(127);
    }
    // Forty riders write 1560 bytes a tick: some hundred ticks, then kill.
    for (int n = 0; n < 1500 && read_file(killed).size() < 200000; ++n)
        usleep(20000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_GT(read_file(killed).size(), 200000u);
    ASSERT_EQ(simulator("--play " + killed, &out, home.path), 0) << out;
    EXPECT_NE(out.find("the end reached"), std::string::npos) << out;
    EXPECT_EQ(simulator("--play " + home / "missing.rvdemo", &out, home.path), 1);
    EXPECT_NE(out.find("can't play the demo"), std::string::npos) << out;
}

} // namespace
