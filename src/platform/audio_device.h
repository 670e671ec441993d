// The audio device the game's sound plays through: the default SDL output
// device, opened for unsigned 8-bit samples and fed by queueing blocks of
// them.
#pragma once

#include <cstddef>
#include <cstdint>

struct AudioDevice;

// Opens and starts the default device at `rate` sample frames a second with
// a device buffer of `frames`; `stereo` tells whether it took two channels
// (else samples are mono). Null, with a log line, when there is none.
AudioDevice *audio_device_open(int rate, int frames, bool *stereo);

// Queues a block of samples (L R interleaved when stereo); false when the
// device refused it.
bool audio_device_queue(AudioDevice *device, const uint8_t *samples, size_t bytes);

// The bytes queued and not yet played.
size_t audio_device_queued(AudioDevice *device);

// Drops everything queued (a device that stopped taking its samples starts
// afresh).
void audio_device_clear(AudioDevice *device);

// Stops and closes the device (null does nothing).
void audio_device_close(AudioDevice *device);
