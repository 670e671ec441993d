// Creating and destroying the ODE world.
#include "physics/world.h"

PhysicsWorld physics_world;

void physics_world_create()
{
    dInitODE2(0);
    // The solver shuffles constraints with ODE's own generator: a fixed seed
    // makes every run of the same inputs the same.
    dRandSetSeed(0);
    physics_world.world = dWorldCreate();
    dWorldSetGravity(physics_world.world, 0, -32, 0);
    physics_world.contacts = dJointGroupCreate(0);
}

void physics_contacts_destroy()
{
    if (physics_world.contacts)
        dJointGroupDestroy(physics_world.contacts);
    physics_world.contacts = nullptr;
}

void physics_world_destroy()
{
    bool open = physics_world.world || physics_world.contacts;
    physics_contacts_destroy();
    if (physics_world.world)
        dWorldDestroy(physics_world.world);
    if (open)
        dCloseODE();
    physics_world = PhysicsWorld();
}
