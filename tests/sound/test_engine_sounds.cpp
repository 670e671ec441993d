// The game's engine voices follow the riders in the slots, are heard only
// from a listener, and are re-tuned by slot.
#include "physics/rider.h"
#include "race/race.h"
#include "sound/engine_sounds.h"
#include "sound/sound_output.h"
#include "test_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

// The loudest sample of one freshly mixed fragment.
int loudest(const int16_t *fragment)
{
    int most = 0;
    for (int i = 0; i < 2 * sound_fragment_frames(); ++i)
        most = std::max(most, std::abs((int)fragment[i]));
    return most;
}

TEST(EngineSounds, VoicesFollowTheSlotsAndAreHeardFromTheListener)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    ASSERT_TRUE(sound_open_readback(VOICE_RATE, VOICE_RATE / 10));
    Sim sim;
    sim_create(&sim, nullptr);
    for (int k : {0, 3}) {
        sim.race.slots[k].rider = rider_create(&sim.physics, "crf250(2009)", k, "1");
        sim.race.slots[k].rider->engine_speed = 6000 / 9.549296f;
        sim.race.slots[k].rider->throttle = 1;
    }
    EngineSounds sounds;
    const float near[3] = {3, 0, 0}, right[3] = {1, 0, 0};
    double now = 0;
    // Nobody listening: the voices are made, and silent.
    for (int frame = 0; frame < 3; ++frame)
        engine_sounds_frame(&sounds, sim, nullptr, right, 1, now += 0.1);
    EXPECT_TRUE(sounds.voices[0] && sounds.voices[3]);
    EXPECT_FALSE(sounds.voices[1]);
    EXPECT_LT(loudest(sound_read()), 64);
    for (int frame = 0; frame < 3; ++frame)
        engine_sounds_frame(&sounds, sim, near, right, 1, now += 0.1);
    EXPECT_GT(loudest(sound_read()), 256);
    // A replayed rider whose demo has run out stands silent.
    for (int k : {0, 3}) {
        sim.race.slots[k].kind = KIND_REPLAYED;
        sim.race.slots[k].demo_sound = 0;
    }
    for (int frame = 0; frame < 3; ++frame)
        engine_sounds_frame(&sounds, sim, near, right, 1, now += 0.1);
    EXPECT_LT(loudest(sound_read()), 64);
    // A slot emptied loses its voice; only a voiced slot can be re-tuned.
    rider_destroy(sim.race.slots[3].rider);
    sim.race.slots[3].rider = nullptr;
    engine_sounds_frame(&sounds, sim, near, right, 1, now += 0.1);
    EXPECT_FALSE(sounds.voices[3]);
    EXPECT_TRUE(engine_sound_retune(&sounds, 0, "4 0.5 -0.8"));
    EXPECT_FALSE(engine_sound_retune(&sounds, 3, "4 0.5 -0.8"));
    EXPECT_FALSE(engine_sound_retune(&sounds, 40, ""));
    engine_sounds_free(&sounds);
    EXPECT_FALSE(sounds.voices[0]);
    sim_destroy(&sim);
    sound_close();
}

} // namespace
