// The audio drivers and the current one: the wave-out driver (the software
// mixer on an audio thread, queueing fragments to the platform's audio
// device) and
// the readback driver (the mixer run on request).
#include "sound/sound_output.h"

#include "platform/audio_device.h"
#include "platform/log.h"
#include "platform/options.h"
#include "sound/sound_mixer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

struct SoundDevice {
    Mixer mixer;
    // Wave-out: the device, its audio thread and how far it mixes ahead.
    AudioDevice *output_device = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    int mix_ahead = 8; // fragments
    std::vector<uint8_t> block;
    // Readback: the 16-bit stereo output of the last read.
    std::vector<int16_t> output;
};

namespace
{

const SoundDriver *current = nullptr;
SoundDevice *device = nullptr;
// The readback driver's settings for its next open.
int readback_rate = 0, readback_fragment = 0;

// Buffer operations shared by both drivers: the mixer under its mutex.
SoundBuffer *buffer_create(SoundDevice *d, int length, const uint8_t *data, int rate)
{
    std::lock_guard<std::mutex> lock(d->mixer.mutex);
    return mixer_buffer_create(&d->mixer, length, data, rate);
}

template <typename Op> int locked(SoundBuffer *b, Op op)
{
    if (!b)
        return 0;
    std::lock_guard<std::mutex> lock(b->mixer->mutex);
    op(b);
    return 1;
}

SoundBuffer *buffer_duplicate(SoundBuffer *b)
{
    if (!b)
        return nullptr;
    std::lock_guard<std::mutex> lock(b->mixer->mutex);
    return mixer_buffer_duplicate(b);
}

void buffer_free(SoundBuffer *b)
{
    if (!b)
        return;
    std::lock_guard<std::mutex> lock(b->mixer->mutex);
    mixer_buffer_free(b);
}

int buffer_play(SoundBuffer *b)
{
    return locked(b, mixer_buffer_play);
}

int buffer_stop(SoundBuffer *b)
{
    return locked(b, mixer_buffer_stop);
}

int buffer_set_rate(SoundBuffer *b, int rate)
{
    return locked(b, [rate](SoundBuffer *x) { mixer_buffer_set_rate(x, rate); });
}

int buffer_set_volume(SoundBuffer *b, int volume)
{
    return locked(b, [volume](SoundBuffer *x) { mixer_buffer_set_volume(x, volume); });
}

int buffer_set_pan(SoundBuffer *b, int pan)
{
    return locked(b, [pan](SoundBuffer *x) { mixer_buffer_set_pan(x, pan); });
}

int buffer_set_loop(SoundBuffer *b, int loop)
{
    return locked(b, [loop](SoundBuffer *x) { mixer_buffer_set_loop(x, loop != 0); });
}

int buffer_position(SoundBuffer *b)
{
    if (!b)
        return 0;
    std::lock_guard<std::mutex> lock(b->mixer->mutex);
    return mixer_buffer_position(b);
}

int buffer_write(SoundBuffer *b, int length, const uint8_t *data, int position)
{
    return locked(b, [=](SoundBuffer *x) { mixer_buffer_write(x, length, data, position); });
}

int unnamed(SoundDevice *)
{
    return 0;
}

int update(SoundDevice *)
{
    return 1;
}

// The audio thread: mixes a fragment under the audio mutex, queues it to
// the device, and keeps at most the mix-ahead queued.
void audio_thread(SoundDevice *d)
{
    zeph_log("Audio thread begin\n");
    size_t bytes = d->block.size();
    int count = 0;
    while (!d->stop) {
        {
            std::lock_guard<std::mutex> lock(d->mixer.mutex);
            mixer_mix(&d->mixer);
            mixer_output8(d->mixer, d->block.data());
        }
        if (!audio_device_queue(d->output_device, d->block.data(), bytes))
            zeph_log("Audio thread: Write error\n");
        ++count;
        auto waiting = std::chrono::steady_clock::now();
        bool timed_out = false;
        while (!d->stop && audio_device_queued(d->output_device) >= d->mix_ahead * bytes) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            if (!timed_out && std::chrono::steady_clock::now() - waiting > std::chrono::seconds(1)) {
                // The device does not take its samples: start it afresh.
                audio_device_clear(d->output_device);
                zeph_log("Audio thread: Timeout on fragment %d\n", count);
                timed_out = true;
            }
        }
    }
    zeph_log("Audio thread end\n");
}

SoundDevice *waveout_open(void *)
{
    zeph_log("Opening waveOut audio...\n");
    int rate = std::clamp(option_int("sound-rate", 22050), 4000, 192000);
    int channels = std::clamp(option_int("sound-channels", 16), 0, 1024);
    int ahead = std::clamp(option_int("sound-mixahead", 125) * 64 / 1000, 1, 32);
    zeph_log("Waveout rate: %d\n", rate);
    zeph_log("Waveout channels: %d\n", channels);
    zeph_log("Waveout mixahead: %d\n", ahead * 1000 / 64);
    bool stereo = true;
    AudioDevice *output = audio_device_open(rate, std::max(rate / 64, 64), &stereo);
    if (!output) {
        zeph_log("Can't open waveOut\n");
        return nullptr;
    }
    SoundDevice *d = new SoundDevice;
    d->output_device = output;
    d->mix_ahead = ahead;
    mixer_init(&d->mixer, rate, rate / 64, channels, stereo);
    d->block.assign((size_t)d->mixer.fragment * (stereo ? 2 : 1), 128);
    d->thread = std::thread(audio_thread, d);
    zeph_log("Audio opened!\n");
    return d;
}

void waveout_close(SoundDevice *d)
{
    if (!d) {
        zeph_log("Can't close audio, not open\n");
        return;
    }
    zeph_log("Closing audio\n");
    d->stop = true;
    if (d->thread.joinable())
        d->thread.join();
    audio_device_close(d->output_device);
    delete d;
}

const int16_t *no_read(SoundDevice *)
{
    return nullptr;
}

SoundDevice *readback_open(void *)
{
    zeph_log("Opening readback audio...\n");
    SoundDevice *d = new SoundDevice;
    mixer_init(&d->mixer, readback_rate, readback_fragment, std::clamp(option_int("sound-channels", 16), 0, 1024),
               true);
    d->output.assign((size_t)d->mixer.fragment * 2, 0);
    zeph_log("Audio opened!\n");
    return d;
}

void readback_close(SoundDevice *d)
{
    zeph_log("Closing audio\n");
    delete d;
}

const int16_t *readback_read(SoundDevice *d)
{
    std::lock_guard<std::mutex> lock(d->mixer.mutex);
    mixer_mix(&d->mixer);
    mixer_output16(d->mixer, d->output.data());
    return d->output.data();
}

const SoundDriver waveout_driver = {
    "waveout",         waveout_open,     unnamed,         waveout_close,   update,       no_read,
    buffer_create,     buffer_duplicate, buffer_free,     buffer_play,     buffer_stop,  buffer_set_rate,
    buffer_set_volume, buffer_set_pan,   buffer_set_loop, buffer_position, buffer_write,
};

const SoundDriver readback_driver = {
    "readback",        readback_open,    unnamed,         readback_close,  update,       readback_read,
    buffer_create,     buffer_duplicate, buffer_free,     buffer_play,     buffer_stop,  buffer_set_rate,
    buffer_set_volume, buffer_set_pan,   buffer_set_loop, buffer_position, buffer_write,
};

bool install(const SoundDriver *driver, void *argument)
{
    SoundDevice *d = driver->open(argument);
    if (!d)
        return false;
    current = driver;
    device = d;
    return true;
}

} // namespace

bool sound_open(void *window)
{
    if (current) {
        zeph_log("Audio already open\n");
        return false;
    }
    // The DirectSound driver of the design has no counterpart here: the
    // "dsnd" option has nothing to open.
    if (option_flag("waveout", 1) && install(&waveout_driver, window))
        return true;
    return false;
}

bool sound_open_readback(int rate, int fragment)
{
    if (current) {
        zeph_log("Audio already open\n");
        return false;
    }
    readback_rate = rate, readback_fragment = fragment;
    return install(&readback_driver, nullptr);
}

void sound_close()
{
    if (!current)
        return;
    current->close(device);
    current = nullptr;
    device = nullptr;
}

const SoundDriver *sound_driver()
{
    return current;
}

SoundDevice *sound_device()
{
    return device;
}

int sound_update()
{
    return current ? current->update(device) : 0;
}

const int16_t *sound_read()
{
    return current ? current->read(device) : nullptr;
}

int sound_fragment_frames()
{
    return current == &readback_driver ? device->mixer.fragment : 0;
}

SoundBuffer *sound_buffer_create(int length, const uint8_t *data, int rate)
{
    return current ? current->buffer_create(device, length, data, rate) : nullptr;
}

SoundBuffer *sound_buffer_duplicate(SoundBuffer *b)
{
    return current ? current->buffer_duplicate(b) : nullptr;
}

void sound_buffer_free(SoundBuffer *b)
{
    if (current)
        current->buffer_free(b);
}

int sound_buffer_play(SoundBuffer *b)
{
    return current ? current->buffer_play(b) : 0;
}

int sound_buffer_stop(SoundBuffer *b)
{
    return current ? current->buffer_stop(b) : 0;
}

int sound_buffer_set_rate(SoundBuffer *b, int rate)
{
    return current ? current->buffer_set_rate(b, rate) : 0;
}

int sound_buffer_set_volume(SoundBuffer *b, int volume)
{
    return current ? current->buffer_set_volume(b, volume) : 0;
}

int sound_buffer_set_pan(SoundBuffer *b, int pan)
{
    return current ? current->buffer_set_pan(b, pan) : 0;
}

int sound_buffer_set_loop(SoundBuffer *b, int loop)
{
    return current ? current->buffer_set_loop(b, loop) : 0;
}

int sound_buffer_position(SoundBuffer *b)
{
    return current ? current->buffer_position(b) : 0;
}

int sound_buffer_write(SoundBuffer *b, int length, const uint8_t *data, int position)
{
    return current ? current->buffer_write(b, length, data, position) : 0;
}
