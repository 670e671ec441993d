// Engine voices: each rider's engine sound, synthesised at 44.1 kHz from its
// engine state as a train of firing pulses through a model of the exhaust
// pipe (up to 16 delayed, scaled reflections), written into a looping sound
// buffer whose rate, volume and pan follow the listener (Doppler shift,
// distance and side).
//
// Pipe file ".pipeinfo", text: "#" starts a comment; each line
//   pipe LENGTH SPREAD COEFFICIENT FIRST_TAP LAST_TAP
// sets the taps FIRST..LAST (0..15); missing values at the end take
// 5.0 0.9182072 -0.85 0 15. Other lines are skipped.
#pragma once

#include <random>
#include <string>

struct Rider;
struct SoundBuffer;

enum { VOICE_RING = 32768, VOICE_TAPS = 16, VOICE_RATE = 44100 };

struct PipeModel {
    const float *wave = nullptr; // 1024 samples of one firing pulse
    float fires_per_rev = 0.5f;
    float load_lo = -2.5f, load_hi = 2.5f;
    float amp_min = 0.5f, amp_max = 1;
    int tap_offset[VOICE_TAPS] = {};
    float tap_gain[VOICE_TAPS] = {};
};

// Where the sound is heard from: position, right-hand direction and
// velocity.
struct Listener {
    float position[3] = {}, right[3] = {1, 0, 0}, velocity[3] = {};
};

struct EngineVoice {
    SoundBuffer *buffer = nullptr; // null: no audio, the voice is not updated
    PipeModel pipe;
    float ring[VOICE_RING] = {};
    float amplitude = 0, freq = 10, gain = 1;
    int write_pos = 11025;
    int phase = 0; // 24-bit fraction of the firing cycle
    int cycles = 0;
    int misfire = 0;
    std::mt19937 random{1u};
};

// Sets taps a..b of a pipe of length L, spread S and reflection
// coefficient C (values out of range are limited).
void pipe_set(PipeModel *pipe, float length, float spread, float coefficient, int first, int last);

// Reads a pipe file's text into a pipe: all taps silent, then every "pipe"
// line in order. Values that do not read or cannot be take the defaults or
// are limited, with a log line naming the file. Returns the lines used.
int pipe_read(PipeModel *pipe, const char *text, const char *file_name);

// The pipe file of a bike skin or model file name: the name with its
// extension replaced by ".pipeinfo", then without its "-" suffixes; the
// kind's default file last. Empty when none opens.
std::string pipe_file_for(const std::string &stem, bool two_stroke);

// Starts a rider's voice: a looping buffer (none without audio), the
// default pipe of its kind, then its pipe file.
void voice_create(EngineVoice *voice, const Rider &rider, const std::string &stem);
void voice_free(EngineVoice *voice);

// Once a frame: synthesises up to 0.2 s of new sound ahead of playback and
// sets the buffer's rate, volume and pan from the listener.
void voice_update(const Rider &rider, EngineVoice *voice, const Listener &listener, float master_volume);

// The synthesis alone: `count` samples from the engine state into the
// ring (the newest end at write_pos).
void voice_synthesise(EngineVoice *voice, int count, float rpm, float throttle, float load);

// Playback rate, volume (0..32767) and pan (-32768..32767) for a source at
// `position` moving at `velocity`.
void voice_placement(const Listener &listener, const float position[3], const float velocity[3], float master,
                     float gain, int *rate, int *volume, int *pan);
