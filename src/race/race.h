// A race: 40 rider slots in one physics world and one clock of 1/128 s
// ticks; starting a race, restarting a time-trial run, and the fixed order
// of work in one tick.
//
// Everything a running race changes lives in one Sim record: its physics
// world, its slots and their controllers, the roster draw and the race
// state. The game owns one; the headless simulator, the tests and the
// benchmarks make their own, and any number can live side by side.
#pragma once

#include "physics/aids.h"
#include "physics/world.h"
#include "platform/tick_math.h"
#include "race/demo.h"
#include "race/lines.h"
#include "race/remote.h"
#include "race/roost.h"
#include "race/roster.h"
#include "race/timing.h"

#include <cstdint>
#include <string>
#include <vector>

struct Rider;
struct Sim;
struct Track;
struct Workers;

enum { SLOTS = 40 };

enum SlotKind { KIND_LOCAL = 0, KIND_REPLAYED = 1, KIND_ROBOT = 2 };

// Line-up values of a start slot.
enum LineupValue {
    LINEUP_EMPTY = 0,
    LINEUP_HUMAN = 1,
    LINEUP_ROBOT = 2,
    LINEUP_ROBOT_125 = 3,
    LINEUP_ROBOT_250 = 4,
    LINEUP_REMOTE = 5,
    LINEUP_NUMBER = 1000, // 1000 + n: the roster robot numbered n
};

// One slot of a race: its rider and where that rider stands in the race.
struct RiderSlot {
    Rider *rider = nullptr;
    SlotKind kind = KIND_REPLAYED;
    float demo_sound = 1;        // a replayed rider's engine: 0 once its demo has run out
    int next_gate = 0;           // timing gates passed, in the gate sequence
    std::vector<int> gate_ticks; // the tick each gate was passed
    bool finished = false;
    // Learning: the line being ridden, recorded into buffer s mod 2 for race
    // section s, and a bit per buffer spoiled by a stop or crash.
    std::vector<LinePoint> record_buffer[2];
    unsigned record_spoiled = 0;
    // A robot's joined line (its own copy) and the point it makes for.
    std::vector<LinePoint> robot_line;
    int robot_target = 0;
};

// What a race is started with besides its line-up.
struct RaceSettings {
    std::string track_folder = "rabbithill", track_name;
    RiderOutfit player = {"crf250(2009)", "999", "", "", "", ""}; // the local player's (from the configuration)
    BikeSetup setup;
    bool practice = false;     // every robot rides as a tester
    bool learning = true;      // lines files are written (riding teaches the table either way)
    bool debug = false;        // log what learning does with each line
    int roost_frequency = 250; // roost emissions per rider per tick, in percent (0..1000)
    float erosion = 0;         // 0..1: how much ground roost carries
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
    float gate_raise[SLOTS] = {}; // per starting-gate piece: 1 up, 0 down
    RaceOrder order;              // the running order (timing)
    RaceOrder final_order;        // with penalties, once every rider has finished
    bool results_final = false;
};

// Something that rides a slot: each tick, right before its rider steps, it
// fills the slot's input from what it sees of the race (a robot also keeps
// its line and reports on the lines it rode). `state` is its own
// per-slot record, freed with `release` when the controller is replaced or
// the race is cleared.
struct SlotController {
    void (*drive)(Sim &sim, int slot, void *state, RiderInput *input) = nullptr;
    void (*release)(void *state) = nullptr;
    void *state = nullptr;
};

// Told of the race's results when they become final and when the race is
// left for another (at race_start, before anything is cleared): the points
// series records an entered event's result through it. The race calls
// nothing else above itself.
struct ResultsHook {
    void (*report)(void *context, Sim *sim) = nullptr;
    void *context = nullptr;
};

// Stages of the tick, all on in a race; a test may turn some off.
enum SimStage {
    SIM_GROUND = 1,           // ground and statue contacts of every simulated rider
    SIM_RIDER_COLLISIONS = 2, // contacts between riders
    SIM_RIDER_STEPS = 4,      // controllers and the riders' own per-tick controllers
    SIM_ALL_STAGES = 7,
};

struct Sim {
    PhysicsWorld physics;
    Track *track = nullptr; // the track races load into; the tick only reads it
    RaceSettings settings;
    RaceState race;
    int roster_order[ROSTER_SIZE] = {}; // the shuffled roster (indices into it)
    bool roster_taken[ROSTER_SIZE] = {};
    SlotController controllers[SLOTS];
    RiderInput inputs[SLOTS];     // controls given for the next tick
    bool input_given[SLOTS] = {}; // whether inputs[slot] is waiting
    unsigned stages = SIM_ALL_STAGES;
    // Makes the controller of a robot slot at race start (none: robots
    // stand still); the robot riders install theirs.
    SlotController (*robot_driver)(Sim &sim, int slot) = nullptr;
    // The learnt lines of the track (empty without timed gates), the folder
    // and skill level they belong to (-1: none loaded yet).
    LineTable lines;
    std::string lines_folder;
    int lines_skill = -1;
    DemoState demo; // the recording being written and the demo being played
    ResultsHook results_hook;
    RoostState roost;    // the dirt in flight
    NetworkRace network; // the server's race, when connected
    // Threads for the riders' contact searches (null: the caller's alone);
    // the results are the same on any number.
    Workers *workers = nullptr;

    Sim() = default;
    Sim(const Sim &) = delete;
    Sim &operator=(const Sim &) = delete;
};

// Makes a simulation whose races load into (and ride on) a track record;
// with none, races cannot start, and riders put in by hand ride on no ground.
void sim_create(Sim *sim, Track *track);

// The track a simulation rides on (an empty one when it has none).
inline const Track &sim_track(const Sim &sim)
{
    return *sim.physics.track;
}

// Frees every rider, controller and the physics world, and stops the
// simulation's threads.
void sim_destroy(Sim *sim);

// Finds the riders' ground and statue contacts on `threads` threads in all
// (1: on the caller's alone); the state after every tick is the same on any
// number. False when the threads could not be started (one is used).
bool sim_set_threads(Sim *sim, int threads);

// Starts a race; a null line-up is a time-trial run. False when the track
// cannot be loaded. `seed` stands for the tick that seeds the roster shuffle.
// The riders and controllers of the race before are freed first.
bool race_start(Sim *sim, const int *lineup, bool play_demo, bool record_demo, int time_limit, int laps, int skill,
                unsigned seed);

// Writes the learnt lines to their skill's file in the home folder (when
// learning is on and a table is loaded); the game calls it at exit, races at
// their start. True when they were written.
bool sim_save_lines(Sim *sim);

// Restarts the local player's time-trial run.
void time_trial_reset(Sim *sim);

// Frees every rider and controller (the slots are empty).
void race_clear(Sim *sim);

// Tells the results hook (if any) of the race's results as they stand.
void sim_report_results(Sim *sim);

// Runs one tick.
void sim_tick(Sim *sim);

// Skips a demo being played forward (seconds > 0) or rewinds it, while only
// a demo is playing: `accurate` runs the ticks forward instead of seeking.
void sim_skip_demo(Sim *sim, float seconds, bool accurate);

// Gives a slot's rider its controls for the next tick (the player's keys;
// later demos and the network).
void sim_set_input(Sim *sim, int slot, const RiderInput &input);

// Makes a controller ride a slot from the next tick on, releasing the one
// before; an empty controller leaves the slot to its inputs.
void sim_set_controller(Sim *sim, int slot, const SlotController &controller);

// A hash of the race's moving state: the tick and every body's position,
// rotation and linear and angular velocity, slot by slot.
uint64_t sim_state_hash(const Sim &sim);

// The laps the leader of the race order has completed.
int race_leader_laps(const Sim &sim);

// The orientation a starting-gate piece is drawn and collides with: its
// statue's own turned about its x axis by the raise (1 up, 0 down).
void gate_piece_orientation(const float base[9], float raise, float out[9]);
