// The game's audio output: opened at start-up (the default device, or the
// capture driver with "--record-audio"), captured after every simulation
// step, closed at shut-down.
#pragma once

#include <string>

// Opens the output: with a capture file named, the readback driver writing
// into it; else, when sound is on, the default device. Without a device the
// game is silent (a log line says why). Never fails the start. The output
// and the capture file stay open until audio_stop.
void audio_start(const std::string &capture_file, bool sound, void *window);

// After a simulation step: with capture on, appends the step's block of
// sound (16-bit stereo, 690 sample frames at 88320 a second) to the file.
void audio_after_tick();

// Closes the output and the capture file.
void audio_stop();
