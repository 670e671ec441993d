// The test pilot: rides a rider the way a person would, only through its
// control inputs, from checkpoint to checkpoint of the track in the order of
// the gate sequence. It keeps its own count of checkpoints passed.
#pragma once

#include <vector>

struct Rider;

struct PilotLog {
    int gates = 0;              // checkpoints passed in order
    int laps = 0;               // laps completed
    std::vector<int> lap_ticks; // tick of each lap's end
    int crashes = 0;
    int start_tick = 0;
};

// Makes the pilot ride a slot (through the race's slot controllers).
void pilot_take(int slot);

// What the pilot of a slot has done so far.
const PilotLog &pilot_log(int slot);

// One tick of the pilot's riding for a rider.
void pilot_drive(int slot, Rider *rider, int tick);
