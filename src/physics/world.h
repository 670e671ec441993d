// A physics world: one ODE world with gravity (0, -32, 0) ft/s^2, the
// contact joint group that holds every force and constraint of one step,
// the track it stands on and what a race changes of that track's statues.
//
// Each world keeps its own copy of ODE's random seed (the solver shuffles
// constraints with it), so worlds stepped in turn each run exactly as if
// alone.
#pragma once

#include <ode/ode.h>
#include <ode/threading_impl.h>

#include <vector>

struct Track;

// What a race changes of one statue of its track: the last tick a rider
// touched it, and its pose (the starting gate's pieces swing down).
struct StatueState {
    int last_hit = 0;
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

struct PhysicsWorld {
    dWorldID world = nullptr;
    dJointGroupID contacts = nullptr;
    dThreadingImplementationID threading = nullptr; // stepping on threads (none: the caller's)
    dThreadingThreadPoolID pool = nullptr;
    unsigned long random_seed = 0;
    const Track *track = nullptr; // never null once created: an empty track stands in
    std::vector<StatueState> statues;
};

// Initialises ODE once for the process (later calls do nothing); ODE is
// closed when the process exits.
void physics_init();

// Creates the world and its contact group on a track (null: no ground).
void physics_world_create(PhysicsWorld *world, const Track *track);

// Steps the world's islands (riders apart from each other) on `threads`
// threads (1: on the caller's alone); the results are the same either way.
// False when the threads could not be started (stepping stays as it was).
bool physics_world_set_threads(PhysicsWorld *world, int threads);

// Destroys the world and its contact group; the record is empty again.
void physics_world_destroy(PhysicsWorld *world);

// Points the world at a track (null: no ground) and takes the statues'
// state afresh from it.
void physics_world_set_track(PhysicsWorld *world, const Track *track);

// Steps the world by 1/128 s with its own random seed, then empties the
// contact group.
void physics_world_step(PhysicsWorld *world);

// Empties the contact group (contacts made for a test that is not stepped).
void physics_contacts_clear(PhysicsWorld *world);
