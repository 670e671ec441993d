// Network races on the simulation's side: the remote players a race
// server describes, the snapshots received for them, the player's start
// position, and the work the tick does for them (remote riders moved from
// their snapshots, their velocities kept through the world step, the
// false-start rule of the player).
//
// Everything here is inert when the race is not a server's.
#pragma once

#include "physics/rider.h"
#include "race/snapshot.h"

#include <cstdint>
#include <string>
#include <vector>

struct Sim;

enum { REMOTE_SLOTS = 40 };

// What the server tells of a rider: bike, four texture names (empty for
// the default), number and name.
// A remote player as the server describes it: its outfit and its name.
struct RiderDescription : RiderOutfit {
    std::string name;
};

struct NetworkRace {
    bool connected = false;   // a server runs the race: kind 1 riders are remote players
    bool server_race = false; // race_start takes the server's track and start tick
    std::string track_folder;
    int start_tick = 0;
    int start_slot = REMOTE_SLOTS; // the player's start position; REMOTE_SLOTS: none (warmup)
    RiderDescription riders[REMOTE_SLOTS];
    int last_received[REMOTE_SLOTS] = {}; // tick of the newest applied snapshot (-1: none)
    int ping[REMOTE_SLOTS] = {};          // ticks
    std::vector<SnapshotRing> rings;      // one per slot while connected
};

// Forgets every remote slot's snapshots and pings (rings made when missing).
void remote_clear(NetworkRace *network);

// Whether the player has a start position in the server's race.
inline bool has_start_slot(const NetworkRace &n)
{
    return n.start_slot >= 0 && n.start_slot < REMOTE_SLOTS;
}

// Whether a slot's rider is a remote player (connected, kind 1, with a rider).
bool is_remote(const Sim &sim, int slot);

// Whether a remote slot has sent nothing for a second or more.
bool remote_silent(const Sim &sim, int slot);

// Receives a snapshot of a remote slot stamped with the sender's tick:
// applied (with the player racing) and stored. False when it is not newer
// than the slot's newest or the slot is not remote.
bool remote_receive(Sim *sim, int slot, int tick, const RiderSnapshot &snapshot, int ping);

// Tick work, in the tick's order: the remote riders set from their
// snapshots (sampled a second back while the player only watches, else
// moved on by dead reckoning); their velocities saved before and restored
// after the world step.
void remote_riders_set(Sim *sim);
void remote_save_velocities(Sim *sim);
void remote_restore_velocities(Sim *sim);

// The player's false start in a network race: moving 3 ft from the start
// place before the gate drops costs 15 s held on the brakes.
void false_start_step(Sim *sim, int slot);
