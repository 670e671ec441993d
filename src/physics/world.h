// The physics world: one ODE world with gravity (0, -32, 0) ft/s^2 and the
// contact joint group that holds every force and constraint of one step.
#pragma once

#include <ode/ode.h>

struct PhysicsWorld {
    dWorldID world;
    dJointGroupID contacts;
};

// The game's one world; null members until physics_world_create.
extern PhysicsWorld physics_world;

// Initialises ODE (once per process) and creates the world and contact group.
void physics_world_create();

// Destroys the contact group (first step of taking the world down).
void physics_contacts_destroy();

// Destroys the world (and the contact group if still there) and closes ODE.
void physics_world_destroy();
