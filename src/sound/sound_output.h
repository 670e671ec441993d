// Audio output: sound buffers of unsigned 8-bit samples (128 is silence),
// played once or looped, written into while they play, with a playback
// rate, a volume and a pan, through one current driver. The wave-out
// driver mixes in software on its own audio thread and plays through the
// SDL audio device; the readback driver mixes a fragment whenever asked, so
// that the game can record its own sound. Without a driver (no device,
// "--nosound") every operation does nothing and the game is silent.
#pragma once

#include <cstdint>

struct SoundDevice;
struct SoundBuffer;

// A driver's table of operations (see sound.cpp for their contracts).
struct SoundDriver {
    const char *name;
    SoundDevice *(*open)(void *argument);
    int (*unnamed)(SoundDevice *device);
    void (*close)(SoundDevice *device);
    int (*update)(SoundDevice *device);
    const int16_t *(*read)(SoundDevice *device);
    SoundBuffer *(*buffer_create)(SoundDevice *device, int length, const uint8_t *data, int rate);
    SoundBuffer *(*buffer_duplicate)(SoundBuffer *buffer);
    void (*buffer_free)(SoundBuffer *buffer);
    int (*buffer_play)(SoundBuffer *buffer);
    int (*buffer_stop)(SoundBuffer *buffer);
    int (*buffer_set_rate)(SoundBuffer *buffer, int rate);
    int (*buffer_set_volume)(SoundBuffer *buffer, int volume);
    int (*buffer_set_pan)(SoundBuffer *buffer, int pan);
    int (*buffer_set_loop)(SoundBuffer *buffer, int loop);
    int (*buffer_position)(SoundBuffer *buffer);
    int (*buffer_write)(SoundBuffer *buffer, int length, const uint8_t *data, int position);
};

// Opens the default output: the wave-out driver on the SDL audio device
// (options "waveout", "sound-rate", "sound-channels", "sound-mixahead").
// False, with a log line, when there is no device or it cannot be opened,
// or when a driver is already open.
bool sound_open(void *window);

// Installs the readback driver: mixing at `rate`, `fragment` sample frames
// a read, 16-bit stereo. False when a driver is already open.
bool sound_open_readback(int rate, int fragment);

// Closes the current driver (its buffers must have been freed).
void sound_close();

// The current driver and device, or null.
const SoundDriver *sound_driver();
SoundDevice *sound_device();

// The current driver's operations; each does nothing (returns null or 0)
// without one.
int sound_update();
const int16_t *sound_read(); // readback: one freshly mixed fragment, L R interleaved
int sound_fragment_frames(); // sample frames a read returns (0 without readback)
SoundBuffer *sound_buffer_create(int length, const uint8_t *data, int rate);
SoundBuffer *sound_buffer_duplicate(SoundBuffer *buffer);
void sound_buffer_free(SoundBuffer *buffer);
int sound_buffer_play(SoundBuffer *buffer);
int sound_buffer_stop(SoundBuffer *buffer);
int sound_buffer_set_rate(SoundBuffer *buffer, int rate);
int sound_buffer_set_volume(SoundBuffer *buffer, int volume); // 0 .. 32767
int sound_buffer_set_pan(SoundBuffer *buffer, int pan);       // -32768 left .. 32767 right
int sound_buffer_set_loop(SoundBuffer *buffer, int loop);
int sound_buffer_position(SoundBuffer *buffer); // bytes; 0 when not playing
int sound_buffer_write(SoundBuffer *buffer, int length, const uint8_t *data, int position);
