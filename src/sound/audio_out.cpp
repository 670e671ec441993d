// Opening, feeding and closing the audio output, and audio capture.
#include "sound/audio_out.h"

#include "platform/log.h"
#include "platform/tick_math.h"
#include "sound/sound_output.h"

#include <cstdio>

namespace
{

// Capture: 88320 sample frames a second, one block a simulation step.
const int capture_rate = 88320, capture_frames = capture_rate / TICKS_PER_SECOND;

FILE *capture = nullptr; // open from audio_start to audio_stop

} // namespace

void audio_start(const std::string &capture_file, bool sound, void *window)
{
    if (!capture_file.empty()) {
        capture = fopen(capture_file.c_str(), "wb");
        if (!capture) {
            zeph_log("Can't write audio to '%s'\n", capture_file.c_str());
        } else if (!sound_open_readback(capture_rate, capture_frames)) {
            fclose(capture);
            capture = nullptr;
        }
        return;
    }
    if (sound && !sound_open(window))
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
