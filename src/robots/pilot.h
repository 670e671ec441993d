// The test pilot: rides a rider the way a person would, only through its
// control inputs, from checkpoint to checkpoint of the track in the order of
// the gate sequence, making for the next gate its race counts.
#pragma once

#include <vector>

struct Sim;

struct PilotLog {
    int gates = 0;              // gate positions passed (the race's count)
    int laps = 0;               // laps completed
    std::vector<int> lap_ticks; // tick of each lap's end
    int crashes = 0;
    int start_tick = 0;
};

// Makes the pilot ride a slot of a race (as the slot's controller), with a
// player's default bike setup and as a rider that is no robot. `pace`
// scales its top speed (1: its best; turns and jumps are taken as ever), so
// that it can ride as a novice.
void pilot_take(Sim *sim, int slot, float pace = 1);

// What the pilot of a slot has done so far; an empty log when the slot has
// no pilot.
const PilotLog &pilot_log(const Sim &sim, int slot);
