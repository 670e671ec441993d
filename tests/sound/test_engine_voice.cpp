// Engine voices through the readback driver: the firing frequency, the
// distance law, the pan and the Doppler shift; pipe files, good and bad.
#include "physics/rider.h"
#include "physics/world.h"
#include "sound/engine_voice.h"
#include "sound/sound_output.h"
#include "test_folders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

class Voices : public ::testing::Test
{
  protected:
    TempDir home;
    PhysicsWorld world;
    Rider *rider = nullptr;
    EngineVoice voice;
    void SetUp() override
    {
        use_game_folders(home.path, GAME_DIR);
        ASSERT_TRUE(sound_open_readback(VOICE_RATE, VOICE_RATE / 10));
        physics_world_create(&world, nullptr);
        rider = rider_create(&world, "crf250(2009)", 0, "1");
        ASSERT_NE(rider, nullptr);
        voice_create(&voice, *rider, "");
        ASSERT_NE(voice.buffer, nullptr);
    }
    void TearDown() override
    {
        voice_free(&voice);
        rider_destroy(rider);
        physics_world_destroy(&world);
        sound_close();
    }
    // The left and right output of `seconds` of the voice at an engine
    // speed, heard from `listener`.
    void play(float rpm, const Listener &listener, double seconds, std::vector<double> *left,
              std::vector<double> *right)
    {
        rider->engine_speed = rpm / 9.549296f;
        rider->throttle = 1;
        int fragments = (int)(seconds * 10);
        for (int f = 0; f < fragments; ++f) {
            voice_update(*rider, &voice, listener, 1);
            const int16_t *out = sound_read();
            for (int i = 0; i < sound_fragment_frames(); ++i) {
                left->push_back(out[2 * i]);
                right->push_back(out[2 * i + 1]);
            }
        }
    }
    Listener beside(float x)
    {
        Listener l;
        const dReal *p = dBodyGetPosition(rider->bodies[FRAME]);
        l.position[0] = (float)p[0] + x, l.position[1] = (float)p[1], l.position[2] = (float)p[2];
        return l;
    }
};

double power_at(const std::vector<double> &s, double frequency)
{
    // Goertzel's one-bin transform.
    double w = 2 * M_PI * frequency / VOICE_RATE, c = 2 * std::cos(w), a = 0, b = 0;
    for (double x : s) {
        double n = x + c * a - b;
        b = a;
        a = n;
    }
    return a * a + b * b - c * a * b;
}

double rms(const std::vector<double> &s)
{
    double sum = 0;
    for (double x : s)
        sum += x * x;
    return std::sqrt(sum / std::max<size_t>(s.size(), 1));
}

TEST_F(Voices, StrongestLowComponentIsTheFiringFrequency)
{
    for (float rpm : {3000.0f, 6500.0f, 11000.0f}) {
        std::vector<double> left, right;
        play(rpm, beside(3), 4, &left, &right);
        left.erase(left.begin(), left.begin() + VOICE_RATE / 2); // settled
        double firing = rpm / 60 * voice.pipe.fires_per_rev, best = 0, at = 0;
        for (double f = 10; f <= firing * 1.6; f += 0.1) {
            double p = power_at(left, f);
            if (p > best)
                best = p, at = f;
        }
        EXPECT_NEAR(at, firing, firing * 0.03) << rpm << " rpm";
    }
}

TEST_F(Voices, DistanceSideAndApproachShapeWhatIsHeard)
{
    int rate, near_volume, far_volume, pan;
    const float at[3] = {0, 0, 0}, still[3] = {0, 0, 0};
    Listener l;
    l.position[0] = 10;
    voice_placement(l, at, still, 1, 1, &rate, &near_volume, &pan);
    l.position[0] = 40;
    voice_placement(l, at, still, 1, 1, &rate, &far_volume, &pan);
    // Attenuation 1 + (distance - 1) / 48.
    EXPECT_NEAR((double)near_volume / far_volume, (1 + 39.0 / 48) / (1 + 9.0 / 48), 0.01);
    EXPECT_EQ(rate, VOICE_RATE) << "neither moves";
    EXPECT_LT(pan, -30000) << "the listener's right points away from the source: it is on the left";

    // Heard through the mixer: four times farther is quieter, a rider on
    // the left is louder on the left, one coming closer is pitched up.
    std::vector<double> l1, r1, l2, r2;
    play(6000, beside(40), 1, &l2, &r2); // running
    l2.clear(), r2.clear();
    play(6000, beside(10), 1, &l1, &r1);
    play(6000, beside(40), 1, &l2, &r2);
    // Quieter by the law's ratio, within the mixer's 32 levels.
    EXPECT_NEAR((rms(l1) + rms(r1)) / (rms(l2) + rms(r2)), (1 + 39.0 / 48) / (1 + 9.0 / 48), 0.15);
    EXPECT_GT(rms(l1), 2 * rms(r1)) << "the rider is to the listener's left";
    const float coming[3] = {30, 0, 0}, going[3] = {-30, 0, 0};
    l.position[0] = 40;
    int approach, recede;
    voice_placement(l, at, coming, 1, 1, &approach, &near_volume, &pan);
    voice_placement(l, at, going, 1, 1, &recede, &near_volume, &pan);
    EXPECT_NEAR(approach, VOICE_RATE / (1 - 30 / 1140.63), 2);
    EXPECT_GT(approach, VOICE_RATE);
    EXPECT_LT(recede, VOICE_RATE);
}

TEST(PipeFiles, LinesSetTheirTapsAndBadValuesAreHandled)
{
    PipeModel expected, p;
    pipe_set(&expected, 5.2f, 0.92f, -0.86f, 0, 15);
    EXPECT_EQ(pipe_read(&p, "# a comment\npipe 5.2 0.92 -0.86 0 15 # trailing\nnot a pipe\n", "test"), 1);
    for (int i = 0; i < VOICE_TAPS; ++i) {
        EXPECT_EQ(p.tap_offset[i], expected.tap_offset[i]) << i;
        EXPECT_FLOAT_EQ(p.tap_gain[i], expected.tap_gain[i]) << i;
    }
    // Missing values take the defaults; a line of taps 4..7 leaves the
    // others silent.
    PipeModel defaults, q;
    pipe_set(&defaults, 5.0f, 0.9182072f, -0.85f, 0, 15);
    EXPECT_EQ(pipe_read(&q, "pipe\n", "test"), 1);
    EXPECT_EQ(q.tap_offset[3], defaults.tap_offset[3]);
    EXPECT_EQ(pipe_read(&q, "pipe 3 1 -0.5 4 7\n", "test"), 1);
    EXPECT_EQ(q.tap_gain[0], 0.0f);
    EXPECT_FLOAT_EQ(q.tap_gain[5], -0.5f / 4);
    // Non-numbers, tap numbers past 15, absurd lengths and coefficients:
    // defaults or limits, never a tap outside the ring.
    const char *bad[] = {"pipe abc\n", "pipe 5 1 -0.8 0 99\n", "pipe 1e30 1e30 -40 -3 -9\n", "pipe nan inf -inf 0 15\n",
                         "pipe 5 1 -0.8 12 3\n"};
    for (const char *text : bad) {
        PipeModel r;
        pipe_read(&r, text, "test");
        for (int i = 0; i < VOICE_TAPS; ++i) {
            EXPECT_GE(r.tap_offset[i], 0) << text;
            EXPECT_LE(r.tap_offset[i], VOICE_RING) << text;
            EXPECT_LE(std::fabs(r.tap_gain[i]), 1.0f) << text;
        }
    }
}

TEST(PipeFiles, ABikeFindsItsOwnFileThenItsKindsDefault)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    EXPECT_EQ(pipe_file_for("@crf250-alt1.png", false), "@crf250.pipeinfo");
    EXPECT_EQ(pipe_file_for("@crf250.png", false), "@crf250.pipeinfo");
    EXPECT_EQ(pipe_file_for("@nosuchbike-x.png", true), "@default125.pipeinfo");
    EXPECT_EQ(pipe_file_for("@nosuchbike.png", false), "@default250f.pipeinfo");
}

} // namespace
