// The game's audio output: opened at start-up (the default device, or the
// capture driver with "--record-audio"), captured after every simulation
// step, closed at shut-down.
#pragma once

struct GameSettings;

// Opens the output as the settings ask; without a device the game is
// silent (a log line says why). Never fails the start.
void audio_start(const GameSettings &settings, void *window);

// After a simulation step: with capture on, appends the step's block of
// sound (16-bit stereo, 690 sample frames at 88320 a second) to the file.
void audio_after_tick();

// Closes the output and the capture file.
void audio_stop();
