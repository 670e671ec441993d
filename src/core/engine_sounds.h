// Every rider's engine voice in the game: created when a rider appears in a
// slot, updated each drawn frame from where the view hears it, freed with
// the rider or at shut-down.
#pragma once

struct Config;
struct GameSettings;
struct LoopState;
struct Sim;

// Once a frame at clock time `now` (seconds): the view's listener (its
// position, right-hand side and velocity since the last frame) and each
// slot's voice; then the output mixes.
void engine_sounds_frame(const Sim &sim, const LoopState &state, const Config &config, const GameSettings &settings,
                         double now);

// Frees every voice (before the audio output closes).
void engine_sounds_free();

// Re-tunes a slot's exhaust pipe from "length spread coefficient first last";
// omitted values keep the bike kind's defaults. False when the slot has no
// voice.
bool engine_sound_retune(int slot, const char *args);
