// Opening, feeding and closing the audio output, and audio capture.
#include "core/audio_out.h"

#include "core/settings.h"
#include "platform/log.h"
#include "platform/sound.h"

#include <cstdio>

namespace
{

// Capture: 88320 sample frames a second, one block a simulation step.
const int capture_rate = 88320, capture_frames = capture_rate / 128;

FILE *capture = nullptr;

} // namespace

void audio_start(const GameSettings &settings, void *window)
{
    if (!settings.record_audio.empty()) {
        capture = fopen(settings.record_audio.c_str(), "wb");
        if (!capture) {
            zeph_log("Can't write audio to '%s'\n", settings.record_audio.c_str());
        } else if (!sound_open_readback(capture_rate, capture_frames)) {
            fclose(capture);
            capture = nullptr;
        }
        return;
    }
    if (settings.sound && !sound_open(window))
        zeph_log("No sound\n");
}

void audio_after_tick()
{
    if (!capture)
        return;
    const int16_t *block = sound_read();
    if (!block)
        return;
    // The whole block: both channels of every sample frame.
    size_t values = (size_t)sound_fragment_frames() * 2;
    if (fwrite(block, sizeof *block, values, capture) != values) {
        zeph_log("Audio capture stopped: the file no longer takes sound\n");
        fclose(capture);
        capture = nullptr;
    }
}

void audio_stop()
{
    sound_close();
    if (capture)
        fclose(capture);
    capture = nullptr;
}
