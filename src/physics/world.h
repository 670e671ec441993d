// A physics world: one ODE world with gravity (0, -32, 0) ft/s^2, the
// contact joint group that holds every force and constraint of one step,
// the track it stands on and what a race changes of that track's statues.
//
// Each world keeps its own copy of ODE's random seed (the solver shuffles
// constraints with it), so worlds stepped in turn each run exactly as if
// alone.
#pragma once

#include <ode/ode.h>

#include <vector>

struct Track;

// What a race changes of one statue of its track: the last tick a rider
// touched it, and its pose (the starting gate's pieces swing down).
struct StatueState {
    int last_hit = 0;
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// A contact joint waiting to be made. When riders' ground and statue
// contacts are found on several threads, each rider's wait in its own queue
// and are made in rider order afterwards: the world then holds the same
// joints in the same order as when each is made at once on one thread.
struct QueuedContact {
    dContact contact;
    dBodyID a, b; // b null: the static world
    dJointFeedback *feedback;
};

struct ContactQueue {
    bool active = false; // false: contacts are made at once
    std::vector<QueuedContact> contacts;
    std::vector<int> statues_hit; // statue indices, in the order they were hit
};

struct PhysicsWorld {
    dWorldID world = nullptr;
    dJointGroupID contacts = nullptr;
    unsigned long random_seed = 0;
    const Track *track = nullptr; // never null once created: an empty track stands in
    std::vector<StatueState> statues;
};

// Initialises ODE once for the process (later calls do nothing); ODE is
// closed when the process exits.
void physics_init();

// Creates the world and its contact group on a track (null: no ground).
void physics_world_create(PhysicsWorld *world, const Track *track);

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

// A contact joint between bodies a and b (b null: the static world) in the
// world's contact group, with its feedback record if given; while the
// queue is active it is queued instead (a null queue makes it at once).
void physics_contact(PhysicsWorld *world, ContactQueue *queue, const dContact &contact, dBodyID a, dBodyID b,
                     dJointFeedback *feedback = nullptr);

// Makes a queue's contacts in the order they came, marks its statues hit
// at `tick`, and leaves the queue empty and inactive.
void physics_contacts_make(PhysicsWorld *world, ContactQueue *queue, int tick);
