// Every rider's engine voice in the game: created when a rider appears in a
// slot, updated each drawn frame from where the view hears it, freed with
// the rider or at shut-down.
#pragma once

#include "race/race.h"
#include "sound/engine_voice.h"

#include <memory>

// The voices of a game's slots and the listener's place the frame before;
// the game keeps one from start-up to shut-down.
struct EngineSounds {
    std::unique_ptr<EngineVoice> voices[SLOTS];
    const Rider *voiced[SLOTS] = {}; // the rider each voice was made for
    float last_position[3] = {};
    bool heard_before = false;
    double last_time = 0;
};

// Once a frame at clock time `now` (seconds): the listener at `position`
// with its right-hand side `right` (null position: nothing is heard; the
// velocity comes from the last frame's position) and each slot's voice at
// `volume` (0..1; a replayed rider whose demo has run out is silent); then
// the output mixes.
void engine_sounds_frame(EngineSounds *sounds, const Sim &sim, const float *position, const float right[3],
                         float volume, double now);

// Frees every voice (before the audio output closes).
void engine_sounds_free(EngineSounds *sounds);

// Re-tunes a slot's exhaust pipe from "length spread coefficient first last";
// omitted values keep the bike kind's defaults. False when the slot has no
// voice.
bool engine_sound_retune(EngineSounds *sounds, int slot, const char *args);
