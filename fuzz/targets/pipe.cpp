// Engine pipe files (".pipeinfo"), read into a pipe model.
#include "fuzz_target.h"

#include "sound/engine_voice.h"

#include <string>

FUZZ_TARGET(pipe)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    PipeModel pipe;
    pipe_read(&pipe, text.c_str(), "fuzz.pipeinfo");
    for (int i = 0; i < VOICE_TAPS; ++i)
        if (pipe.tap_offset[i] < 0 || pipe.tap_offset[i] > VOICE_RING)
            __builtin_trap(); // a tap outside the ring would read outside it
}
