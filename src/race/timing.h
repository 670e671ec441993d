// Timing: laps and lap times from the gate crossings every rider records,
// the running race order, each rider's finish, the penalty for cutting the
// track, the final order and the results file.
//
// A rider's progress is its RiderSlot: next_gate (sequence positions passed)
// and gate_ticks (the tick of each crossing, -1 where a position was
// skipped). With Lf first-lap and Ln normal-lap positions, lap k (k >= 1)
// ends at sequence position Lf - 1 + (k - 1) * Ln.
#pragma once

#include <string>
#include <vector>

struct RiderSlot;
struct Sim;
struct TimingGates;

// One rider's place in an order: its slot, gate count, last crossing tick,
// and (in the final order) its total with the penalty and the laps taken off.
struct OrderEntry {
    int slot = 0;
    int gates = 0;
    int last_tick = 0;
    int total = 0;
    int laps_off = 0;
};

struct RaceOrder {
    OrderEntry entries[40];
    int count = 0;
};

// Laps a rider of a slot has completed (0 on a track without gates).
int laps_completed(const TimingGates &gates, int next_gate);

// Where in its lap a rider is: the gate count in the first lap, else
// (gate count - Lf) mod Ln + 1.
int lap_position(const TimingGates &gates, int next_gate);

// The sequence position lap k ends at (k >= 1).
int lap_end_position(const TimingGates &gates, int lap);

// The time of lap k of a slot's rider in ticks or seconds (k < 0: the last
// completed lap); 0 when the lap is not completed or a crossing of it is
// missing. Lap 1 runs from the start tick.
int lap_ticks(const Sim &sim, int slot, int lap);
float lap_time(const Sim &sim, int slot, int lap);

// The rider's best lap: its index in 2..laps completed with the shortest
// time (lap 1 includes the start and never counts); 0 below two laps.
int best_lap(const Sim &sim, int slot);

// Whether a slot's rider has finished (is_finished sets its flag when it
// has; rider_finished only looks).
bool is_finished(Sim *sim, int slot);
bool rider_finished(const Sim &sim, int slot);

// A slot's place in the race order (0 first; 0 when it is not in it).
int race_position(const Sim &sim, int slot);

// The pitboard's gap of a slot's rider in seconds: to the rider above it in
// the race order (to the second when it leads), positive when ahead.
float race_gap(const Sim &sim, int slot);

// The numbers of the riders at least a lap ahead that are less than three
// seconds behind a slot's rider on the track, separated by blanks.
std::string lapping_notice(const Sim &sim, int slot);

// Recomputes the race order and, with a time limit, the race laps; when
// every rider has finished, the final order with penalties, the results
// file and the results-final flag. Does nothing once the results are final.
void results_update(Sim *sim);

// The typical ticks between two sequence positions over the riders that
// crossed every position between them (60 s when none did).
int stretch_time(const Sim &sim, int start, int end);

// The penalty in ticks a rider's skipped gates cost (before laps are taken
// off for it).
int cutting_penalty(const Sim &sim, int slot);

// The lines of the results board once the leader has finished (empty
// before): the heading, a line per finished rider and, when final, the
// race time and the penalties.
struct BoardLine {
    std::string text;
    bool watched = false; // the watched rider's row (drawn white)
    bool penalty = false; // a penalty line (drawn red)
};
std::vector<BoardLine> results_board(const Sim &sim);

// Writes "@results.txt" for the final order; false when it cannot be opened.
bool write_results(const Sim &sim);

// The race length as the introduction and the network client tell it:
// "5 laps", "20 minutes" or "20 minutes + 2 laps".
std::string race_length_text(int laps, int minutes);
