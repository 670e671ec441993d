// The game's engine voices and the listener of the view.
#include "sound/engine_sounds.h"

#include "physics/rider.h"
#include "sound/sound_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void engine_sounds_frame(EngineSounds *s, const Sim &sim, const float *position, const float right[3], float volume,
                         double now)
{
    if (!sound_driver())
        return;
    double seconds = now - s->last_time;
    s->last_time = now;
    Listener listener;
    bool heard = position != nullptr;
    if (heard) {
        std::copy(position, position + 3, listener.position);
        std::copy(right, right + 3, listener.right);
    }
    for (int i = 0; i < 3 && heard && s->heard_before && seconds > 0; ++i)
        listener.velocity[i] = (float)((listener.position[i] - s->last_position[i]) / seconds);
    std::copy(listener.position, listener.position + 3, s->last_position);
    s->heard_before = heard;
    for (int k = 0; k < SLOTS; ++k) {
        const RiderSlot &slot = sim.race.slots[k];
        const Rider *r = slot.rider;
        if (r != s->voiced[k]) {
            if (s->voices[k])
                voice_free(s->voices[k].get());
            s->voices[k].reset();
            s->voiced[k] = r;
            if (r) {
                s->voices[k] = std::make_unique<EngineVoice>();
                voice_create(s->voices[k].get(), *r, r->skins[TEX_BIKE]);
            }
        }
        if (r && s->voices[k])
            voice_update(*r, s->voices[k].get(), listener, heard ? volume * slot.demo_sound : 0.0f);
    }
    sound_update();
}

void engine_sounds_free(EngineSounds *s)
{
    for (int k = 0; k < SLOTS; ++k) {
        if (s->voices[k])
            voice_free(s->voices[k].get());
        s->voices[k].reset();
        s->voiced[k] = nullptr;
    }
}

bool engine_sound_retune(EngineSounds *s, int slot, const char *args)
{
    if (slot < 0 || slot >= SLOTS || !s->voices[slot] || !s->voiced[slot])
        return false;
    bool two_stroke = s->voiced[slot]->spec.two_stroke != 0;
    float length = two_stroke ? 1.75f : 5.0f, spread = two_stroke ? 0.3f : 0.9182072f;
    float coefficient = two_stroke ? -0.75f : -0.85f;
    int first = 0, last = 15;
    float read[3] = {length, spread, coefficient};
    sscanf(args, "%f %f %f %d %d", &read[0], &read[1], &read[2], &first, &last);
    // A value that is not a number keeps its default.
    length = std::isfinite(read[0]) ? read[0] : length;
    spread = std::isfinite(read[1]) ? read[1] : spread;
    coefficient = std::isfinite(read[2]) ? read[2] : coefficient;
    pipe_set(&s->voices[slot]->pipe, length, spread, coefficient, first, last);
    return true;
}
