// What the race's own files share: freeing slots, the starting gate's
// pieces and the time trial's laps.
#pragma once

#include <cstddef>

struct Sim;

// Frees the riders and controllers of every slot from `from` on.
void free_riders(Sim *sim, int from);

// Swings a starting-gate piece to its raise in the race's statue poses.
void show_gate_raise(Sim *sim, size_t piece);

// The starting-gate pieces of the race's track.
size_t gate_pieces(const Sim &sim);

// After a time-trial tick: a lap just completed starts the next from the
// lap line, with the fastest lap's ghost (`laps_before`: the laps of slots 0
// and 1 before the tick).
void time_trial_laps(Sim *sim, const int laps_before[2]);
