// The SDL audio output device.
#include "platform/audio_device.h"

#include "platform/log.h"

#include <SDL.h>

#include <algorithm>

struct AudioDevice {
    SDL_AudioDeviceID id = 0;
};

AudioDevice *audio_device_open(int rate, int frames, bool *stereo)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || SDL_GetNumAudioDevices(0) <= 0) {
        zeph_log("No audio device\n");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    const char *name = SDL_GetAudioDeviceName(0, 0);
    zeph_log("Found a %s\n", name ? name : "sound device");
    SDL_AudioSpec want = {}, have = {};
    want.freq = rate;
    want.format = AUDIO_U8;
    want.channels = 2;
    want.samples = (Uint16)std::clamp(frames, 64, 32768);
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    *stereo = have.channels >= 2;
    SDL_PauseAudioDevice(id, 0);
    return new AudioDevice{id};
}

bool audio_device_queue(AudioDevice *d, const uint8_t *samples, size_t bytes)
{
    return SDL_QueueAudio(d->id, samples, (Uint32)bytes) == 0;
}

size_t audio_device_queued(AudioDevice *d)
{
    return SDL_GetQueuedAudioSize(d->id);
}

void audio_device_clear(AudioDevice *d)
{
    SDL_ClearQueuedAudio(d->id);
}

void audio_device_close(AudioDevice *d)
{
    if (!d)
        return;
    SDL_CloseAudioDevice(d->id);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    delete d;
}
