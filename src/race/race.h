// A race: 40 rider slots in one physics world and one clock of 1/128 s
// ticks; starting a race, restarting a time-trial run, and the fixed order
// of work in one tick.
#pragma once

#include "physics/aids.h"

#include <string>

struct Rider;

enum { SLOTS = 40, TICKS_PER_SECOND = 128 };

enum SlotKind { KIND_LOCAL = 0, KIND_REPLAYED = 1, KIND_ROBOT = 2 };

// Line-up values of a start slot.
enum LineupValue {
    LINEUP_EMPTY = 0, LINEUP_HUMAN = 1, LINEUP_ROBOT = 2, LINEUP_ROBOT_125 = 3, LINEUP_ROBOT_250 = 4,
    LINEUP_REMOTE = 5, LINEUP_NUMBER = 1000, // 1000 + n: the roster robot numbered n
};

struct RiderSlot {
    Rider *rider = nullptr;
    SlotKind kind = KIND_REPLAYED;
    float demo_sound = 0;
};

// The local player's bike and graphics (from the configuration).
struct PlayerRide {
    std::string bike = "crf250(2009)", number = "999";
    std::string body_texture, head_texture, bike_texture, wheel_texture; // empty: default
};

// What a race is started with besides its line-up.
struct RaceSettings {
    std::string track_folder = "rabbithill", track_name;
    PlayerRide player;
    BikeSetup setup;
    bool practice = false; // every robot rides as a tester
};

struct RaceState {
    RiderSlot slots[SLOTS];
    int tick = 0;
    int five_seconds = 5 * TICKS_PER_SECOND;
    int start_tick = 0;
    int time_limit = 0;
    int laps = 0, race_laps = 0, half_race_lap = 0;
    bool time_trial = false;
    int watched_slot = 0;
    int false_start_penalty = 0;
    float start_position[3] = {};
    int last_lap_time = 0, best_lap_time = 0;
    float gate_raise[SLOTS] = {};
    int personality[SLOTS] = {};
};

extern RaceSettings race_settings;
extern RaceState race;

// Starts a race; a null line-up is a time-trial run. False when the track
// cannot be loaded. `seed` stands for the tick that seeds the roster shuffle.
bool race_start(const int *lineup, bool play_demo, bool record_demo, int time_limit, int laps, int skill,
                unsigned seed);

// Restarts the local player's time-trial run.
void time_trial_reset();

// The completed laps of a rider that has passed `gates` timing gates.
int laps_from_gates(int gates, int first_lap_gates, int lap_gates);

// The laps the race's leader has completed, by the riders' gate counts.
int race_leader_laps();

// Runs one tick.
void sim_tick();

// Frees every rider (shut-down).
void race_clear();

// Who has the roster shuffled into which order (indices into the roster).
const int *roster_order();

// A controller that sets a slot's inputs each tick before its rider steps
// (the robot driver, or the project's test pilot); null for none.
using SlotController = void (*)(int slot, Rider *rider, int tick);
void set_slot_controller(int slot, SlotController controller);
