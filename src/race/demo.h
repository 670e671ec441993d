// Demos: every tick of a race recorded as one snapshot per rider, played
// back on its own or raced against, skipped and rewound; in time trials the
// last lap and the fastest lap of each track (the ghost).
//
// A demo file (".rvdemo", in the home folder):
//   "RV05 %d %d %d %d\n"   riders R, time limit (ticks), laps, start tick
//   "%s\n"                 the track folder
//   R x "%s|%s|%s|%s|%s\n" bike, riding gear, bike, wheel and helmet
//                          textures (empty: the bike's own)
//       "%s\n"             the rider's number
//   then per tick R snapshots of 39 bytes, in slot order.
// Each tick's snapshots are written with one write and flushed, so a demo
// cut off (the game killed, the power gone) plays up to its last tick.
#pragma once

#include "physics/rider.h"
#include "platform/tick_math.h"

#include <string>
#include <vector>

struct GameFile;
struct Sim;

// Who a recorded rider was.
// The file names of the demos.
extern const char *const DEFAULT_DEMO;                  // "@demos/default.rvdemo"
std::string last_lap_demo(const std::string &track);    // "@<track>/lastlap.rvdemo"
std::string fastest_lap_demo(const std::string &track); // "@<track>/fastlap.rvdemo"

struct DemoState {
    // Recording.
    GameFile *out = nullptr;
    std::string record_name;    // empty: the default (or, in a time trial, the last lap)
    std::string pending_rename; // a name for the recording once it stops
    // Playback.
    GameFile *in = nullptr;
    std::string chosen; // the demo to play; empty: the ghost in a time trial, else the default
    std::vector<RiderOutfit> riders;
    std::string track;
    int version = 0;
    long block_offset = 0, file_size = 0;
    int time_limit = 0, laps = 0, start_tick = 14 * TICKS_PER_SECOND;
    bool at_end = false;  // a tick could not be read whole
    int ticks_played = 0; // ticks applied since the demo opened
};

// Opens a demo to play (empty: the chosen one, else the ghost in a time
// trial, else the default) and reads its header; false (with a log line)
// when it cannot be opened or is not a demo this game plays.
bool demo_open(Sim *sim, const std::string &name = "");
void demo_close(Sim *sim);

// Whether a slot's rider goes into a recording (offline: the local player
// and robots).
bool demo_records(const Sim &sim, int slot);

// Starts recording the race (nothing when the file cannot be made), writes
// a tick, stops (renaming the recording when a name is pending).
void demo_record_start(Sim *sim);
void demo_record_tick(Sim *sim);
void demo_record_stop(Sim *sim);

// Reads the next tick of the played demo and applies it to the replayed
// slots, in slot order.
void demo_play_tick(Sim *sim);

// Whether the race is a demo being played and nothing else: only then can
// it skip or rewind.
bool demo_only_playing(const Sim &sim);

// Moves a demo being played forward (seconds > 0) or back by seeking in its
// file: the replayed riders take the new tick's places and the crossings
// after it are forgotten. Nothing unless only a demo is playing.
void demo_seek(Sim *sim, float seconds);

// Copies one file to another through the game files; false on failure.
bool demo_copy(const std::string &from, const std::string &to);
