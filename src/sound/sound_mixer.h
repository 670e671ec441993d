// The software mixer behind the wave-out and readback drivers: channels
// (one per sound buffer) in lists by their level on each side, mixed a
// fragment at a time through a level table into integer accumulators.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct Mixer;

// A sound buffer of the mixer: its samples (shared by duplicates) and its
// channel state. Positions are in samples with a 31-bit fraction.
struct SoundBuffer {
    Mixer *mixer = nullptr;
    std::shared_ptr<std::vector<uint8_t>> samples;
    uint64_t position = 0;
    int rate = 0, volume = 32767, pan = 0;
    int level[2] = {}; // left, right: 0 .. 31
    bool loop = false, playing = false, restart = false, ended = false;
};

struct Mixer {
    int rate = 22050;                        // output sample frames a second
    int fragment = 344;                      // sample frames a fragment
    int budget = 16;                         // side entries heard at once
    bool stereo = true;                      // false: everything on the left side
    std::vector<SoundBuffer *> lists[2][32]; // playing channels by side and level
    std::vector<int> accumulators[2];
    std::mutex mutex; // the audio mutex: every buffer operation and each fragment's mixing
};

// The signed contribution of a sample byte at a level (0 .. 31).
int mixer_level_value(int level, uint8_t sample);

void mixer_init(Mixer *mixer, int rate, int fragment, int budget, bool stereo);

// Buffer operations; the caller holds the mixer's mutex.
SoundBuffer *mixer_buffer_create(Mixer *mixer, int length, const uint8_t *data, int rate);
SoundBuffer *mixer_buffer_duplicate(const SoundBuffer *buffer);
void mixer_buffer_free(SoundBuffer *buffer);
void mixer_buffer_play(SoundBuffer *buffer);
void mixer_buffer_stop(SoundBuffer *buffer);
void mixer_buffer_set_rate(SoundBuffer *buffer, int rate);
void mixer_buffer_set_volume(SoundBuffer *buffer, int volume);
void mixer_buffer_set_pan(SoundBuffer *buffer, int pan);
void mixer_buffer_set_loop(SoundBuffer *buffer, bool loop);
int mixer_buffer_position(const SoundBuffer *buffer);
void mixer_buffer_write(SoundBuffer *buffer, int length, const uint8_t *data, int position);

// Mixes one fragment into the accumulators (the caller holds the mutex).
void mixer_mix(Mixer *mixer);

// The accumulators as unsigned 8-bit samples (L R interleaved when stereo),
// and as 16-bit stereo.
void mixer_output8(const Mixer &mixer, uint8_t *out);
void mixer_output16(const Mixer &mixer, int16_t *out);
