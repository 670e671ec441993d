// Audio output: the mixer's level table and channel levels, mixing through
// the readback driver (rates, ends and loops, the channel budget, writes,
// duplicates), and the wave-out driver on SDL's disk driver.
#include "sound/sound_mixer.h"
#include "sound/sound_output.h"
#include "test_folders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace
{

TEST(SoundMixer, LevelTableScalesTheDistanceFromSilence)
{
    const struct {
        int level;
        int byte, value;
    } cases[] = {{31, 255, 122}, {31, 0, -122}, {31, 1, -122}, {31, 128, 0}, {31, 129, 0},
                 {16, 192, 31},  {16, 64, -31}, {0, 255, 0},   {1, 255, 3}};
    for (const auto &c : cases)
        EXPECT_EQ(mixer_level_value(c.level, (uint8_t)c.byte), c.value) << c.level << " " << c.byte;
}

TEST(SoundMixer, VolumeAndPanGiveEachSideItsLevel)
{
    Mixer stereo, mono;
    mixer_init(&stereo, 22050, 344, 16, true);
    mixer_init(&mono, 22050, 344, 16, false);
    const struct {
        int volume, pan, left, right;
    } cases[] = {{32767, 0, 15, 15}, {32767, -32768, 31, 0}, {32767, 32767, 0, 31},
                 {0, 0, 0, 0},       {99999, 0, 15, 15},     {16384, 0, 7, 8}};
    for (const auto &c : cases) {
        SoundBuffer *b = mixer_buffer_create(&stereo, 10, nullptr, 0);
        mixer_buffer_set_pan(b, c.pan);
        mixer_buffer_set_volume(b, c.volume);
        EXPECT_EQ(b->level[0], c.left) << c.volume << " " << c.pan;
        EXPECT_EQ(b->level[1], c.right) << c.volume << " " << c.pan;
        mixer_buffer_free(b);
    }
    SoundBuffer *b = mixer_buffer_create(&mono, 10, nullptr, 0);
    mixer_buffer_set_pan(b, 32767);
    EXPECT_EQ(b->level[0], 31) << "a mono device has everything on one side";
    EXPECT_EQ(b->level[1], 0);
    mixer_buffer_free(b);
}

class Readback : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(sound_open_readback(22050, 100)); }
    void TearDown() override { sound_close(); }
    SoundBuffer *constant(int length, uint8_t value, int rate = 0)
    {
        std::vector<uint8_t> data((size_t)length, value);
        return sound_buffer_create(length, data.data(), rate);
    }
};

TEST_F(Readback, MixesPlayingBuffersAtTheirLevelsAndRates)
{
    SoundBuffer *b = constant(1000, 192); // 64 above silence
    const int16_t *out = sound_read();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out[0], 0) << "nothing plays yet";
    sound_buffer_play(b);
    out = sound_read();
    EXPECT_EQ(out[0], 63 * 15 / 32 * 256); // both sides at level 15 in the middle
    EXPECT_EQ(out[1], 63 * 15 / 32 * 256);
    EXPECT_EQ(out[199], out[1]);
    EXPECT_EQ(sound_buffer_position(b), 100);
    sound_buffer_set_rate(b, 11025); // half speed: half as far a fragment
    sound_read();
    EXPECT_EQ(sound_buffer_position(b), 150);
    EXPECT_FALSE(sound_open_readback(22050, 100)) << "one driver at a time";
    sound_buffer_free(b);
}

TEST_F(Readback, BuffersStopAtTheirEndUnlessLooped)
{
    SoundBuffer *once = constant(150, 192), *looped = constant(150, 192);
    sound_buffer_set_loop(looped, 1);
    sound_buffer_play(once);
    sound_buffer_play(looped);
    sound_read();
    sound_read();
    EXPECT_EQ(sound_buffer_position(once), 0) << "ended";
    EXPECT_EQ(sound_buffer_position(looped), 50) << "wrapped";
    const int16_t *out = sound_read();
    EXPECT_EQ(out[0], 63 * 15 / 32 * 256) << "only the looped one sounds";
    sound_buffer_play(once); // from its start again
    out = sound_read();
    EXPECT_EQ(out[0], 2 * (63 * 15 / 32) * 256);
    sound_buffer_free(once);
    sound_buffer_free(looped);
}

TEST_F(Readback, OnlyTheLoudestSideEntriesAreHeard)
{
    // Twenty voices of 8 above silence in the middle: 40 side entries at
    // level 15; walking the two sides together, the first 8 of each side
    // are heard.
    std::vector<SoundBuffer *> voices;
    for (int k = 0; k < 20; ++k) {
        voices.push_back(constant(1000, 136));
        sound_buffer_play(voices.back());
    }
    SoundBuffer *silent = constant(1000, 255);
    sound_buffer_set_volume(silent, 0); // level 0: advances, never heard, no budget
    sound_buffer_play(silent);
    const int16_t *out = sound_read();
    EXPECT_EQ(out[0], 8 * (7 * 15 / 32) * 256);
    EXPECT_EQ(out[1], 8 * (7 * 15 / 32) * 256);
    EXPECT_EQ(sound_buffer_position(silent), 100);
    for (SoundBuffer *v : voices)
        sound_buffer_free(v);
    sound_buffer_free(silent);
}

TEST_F(Readback, WritesWrapAndDuplicatesShareTheirSamples)
{
    SoundBuffer *b = constant(32768, 128);
    std::vector<uint8_t> data(40000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (uint8_t)(i * 7);
    sound_buffer_write(b, 40000, data.data(), 0);
    // Only the last 32768 bytes land, from where the first of them would.
    const std::vector<uint8_t> &s = *b->samples;
    EXPECT_EQ(s[40000 - 32768], data[40000 - 32768]);
    EXPECT_EQ(s[32767], data[32767]);
    EXPECT_EQ(s[0], data[32768]);
    uint8_t tail[4] = {1, 2, 3, 4};
    sound_buffer_write(b, 4, tail, 32766); // wraps at the end
    EXPECT_EQ(s[32767], 2);
    EXPECT_EQ(s[0], 3);
    SoundBuffer *copy = sound_buffer_duplicate(b);
    EXPECT_EQ(copy->samples, b->samples);
    sound_buffer_free(b);
    EXPECT_EQ((*copy->samples)[1], 4) << "the samples live on with the copy";
    sound_buffer_free(copy);
    SoundBuffer *half = constant(100, 200, 11025); // resampled to the device's rate
    EXPECT_EQ(half->samples->size(), 200u);
    sound_buffer_free(half);
}

TEST(Sound, WithoutADriverEverythingIsSilent)
{
    sound_close();
    EXPECT_EQ(sound_driver(), nullptr);
    EXPECT_EQ(sound_buffer_create(100, nullptr, 0), nullptr);
    EXPECT_EQ(sound_buffer_play(nullptr), 0);
    EXPECT_EQ(sound_read(), nullptr);
    EXPECT_EQ(sound_update(), 0);
}

// The wave-out driver through SDL's disk driver: what the audio thread
// mixes reaches the device.
TEST(Sound, WaveOutPlaysThroughTheAudioDevice)
{
    TempDir dir;
    std::string file = dir.path + "/audio.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    if (!sound_open(nullptr)) {
        unsetenv("SDL_AUDIODRIVER");
        GTEST_SKIP() << "SDL has no disk audio driver here";
    }
    std::vector<uint8_t> tone(2205);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = (i / 25) % 2 ? 228 : 28;
    SoundBuffer *b = sound_buffer_create((int)tone.size(), tone.data(), 0);
    sound_buffer_set_loop(b, 1);
    sound_buffer_play(b);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_GT(sound_buffer_position(b), 0);
    sound_buffer_free(b);
    sound_close();
    unsetenv("SDL_AUDIODRIVER");
    std::ifstream in(file, std::ios::binary);
    std::vector<char> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int loud = 0;
    for (char c : written)
        loud += std::abs((int)(uint8_t)c - 128) > 40;
    EXPECT_GT(loud, 1000) << written.size() << " bytes written";
}

} // namespace
