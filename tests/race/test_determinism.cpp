// Determinism: the same race, run again, ends in exactly the same state,
// even with another race stepped in the same process between its ticks.
#include "test_folders.h"

#include "physics/rider.h"
#include "race/race.h"
#include "robots/pilot.h"
#include "robots/robot.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace
{

// A 40-rider race on Rabbit Hill, every rider ridden by the test pilot.
void start_pilots(Sim *sim, unsigned seed)
{
    int lineup[SLOTS];
    for (int &v : lineup)
        v = LINEUP_ROBOT;
    ASSERT_TRUE(race_start(sim, lineup, false, false, 0, 5, 0, seed));
    for (int k = 0; k < SLOTS; ++k)
        pilot_take(sim, k);
}

// The state hash of the race after 30 simulated seconds from its start
// tick; with `other`, another race takes a tick between every two of its.
uint64_t thirty_seconds(Sim *other)
{
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    start_pilots(&sim, 7);
    for (int n = 0; n < 30 * TICKS_PER_SECOND; ++n) {
        sim_tick(&sim);
        if (other)
            sim_tick(other);
    }
    uint64_t hash = sim_state_hash(sim);
    sim_destroy(&sim);
    unload_track(&track);
    return hash;
}

// The state hash of 40 robots racing for 20 s on some threads, with the
// ticks each statue was last hit added in (the hash leaves them out).
uint64_t robots_racing(int threads)
{
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    EXPECT_TRUE(sim_set_threads(&sim, threads));
    int lineup[SLOTS];
    for (int &v : lineup)
        v = LINEUP_ROBOT;
    EXPECT_TRUE(race_start(&sim, lineup, false, false, 0, 5, 0, 1));
    for (int n = 0; n < 20 * TICKS_PER_SECOND; ++n)
        sim_tick(&sim);
    uint64_t hash = sim_state_hash(sim);
    for (const StatueState &s : sim.physics.statues)
        hash = hash * 31 + (uint64_t)s.last_hit;
    sim_destroy(&sim);
    unload_track(&track);
    return hash;
}

TEST(Determinism, AFortyRiderRaceEndsTheSameWithAnotherRaceSteppedBetween)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    uint64_t alone = thirty_seconds(nullptr);

    // The other race: other riders on the other track, its own random seed.
    Track quarry;
    Sim other;
    sim_create(&other, &quarry);
    other.settings.track_folder = "quarry";
    start_pilots(&other, 99);
    uint64_t interleaved = thirty_seconds(&other);
    EXPECT_EQ(other.race.tick, 30 * TICKS_PER_SECOND);
    sim_destroy(&other);
    unload_track(&quarry);

    EXPECT_EQ(interleaved, alone);
    use_game_folders("", "");
}

TEST(Determinism, AFortyRiderRaceEndsTheSameOnSeveralThreads)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    // Past the gate drop and the first turn's crowd; three threads on a
    // two-core machine also has workers put to sleep and woken.
    EXPECT_EQ(robots_racing(3), robots_racing(1));
    use_game_folders("", "");
}

TEST(Determinism, TheHashSeesEveryBody)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    start_pilots(&sim, 1);
    uint64_t before = sim_state_hash(sim);
    EXPECT_EQ(sim_state_hash(sim), before);
    const dReal *v = dBodyGetAngularVel(sim.race.slots[39].rider->bodies[RIDER_TORSO]);
    dBodySetAngularVel(sim.race.slots[39].rider->bodies[RIDER_TORSO], v[0], v[1], std::nextafter(v[2], 1.0));
    EXPECT_NE(sim_state_hash(sim), before);
    sim_destroy(&sim);
    unload_track(&track);
    use_game_folders("", "");
}

} // namespace
