// Creating, stepping and destroying physics worlds.
#include "physics/world.h"

#include "track/track.h"

#include <cstdlib>
#include <mutex>

namespace
{

const Track empty_track;

void close_ode()
{
    dCloseODE();
}

} // namespace

void physics_init()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dInitODE2(0);
        atexit(close_ode);
    });
}

void physics_world_create(PhysicsWorld *w, const Track *track)
{
    physics_init();
    physics_world_destroy(w);
    w->world = dWorldCreate();
    dWorldSetGravity(w->world, 0, -32, 0);
    w->contacts = dJointGroupCreate(0);
    // A fixed seed makes every run of the same inputs the same.
    w->random_seed = 0;
    physics_world_set_track(w, track);
}

bool physics_world_set_threads(PhysicsWorld *w, int threads)
{
    if (w->threading) {
        dWorldSetStepThreadingImplementation(w->world, nullptr, nullptr);
        dThreadingImplementationShutdownProcessing(w->threading);
        dThreadingFreeThreadPool(w->pool);
        dThreadingFreeImplementation(w->threading);
        w->threading = nullptr, w->pool = nullptr;
    }
    if (threads <= 1 || !w->world)
        return true;
    w->threading = dThreadingAllocateMultiThreadedImplementation();
    w->pool = w->threading ? dThreadingAllocateThreadPool((unsigned)threads - 1, 0, dAllocateFlagBasicData, nullptr)
                           : nullptr;
    if (!w->pool) {
        if (w->threading)
            dThreadingFreeImplementation(w->threading);
        w->threading = nullptr;
        return false;
    }
    dThreadingThreadPoolServeMultiThreadedImplementation(w->pool, w->threading);
    dWorldSetStepIslandsProcessingMaxThreadCount(w->world, (unsigned)threads);
    dWorldSetStepThreadingImplementation(w->world, dThreadingImplementationGetFunctions(w->threading), w->threading);
    return true;
}

void physics_world_destroy(PhysicsWorld *w)
{
    physics_world_set_threads(w, 1);
    if (w->contacts)
        dJointGroupDestroy(w->contacts);
    if (w->world)
        dWorldDestroy(w->world);
    *w = PhysicsWorld();
}

void physics_world_set_track(PhysicsWorld *w, const Track *track)
{
    w->track = track ? track : &empty_track;
    const std::vector<Statue> &statues = w->track->objects.statues;
    w->statues.assign(statues.size(), StatueState());
    for (size_t k = 0; k < statues.size(); ++k)
        std::copy(statues[k].orientation, statues[k].orientation + 9, w->statues[k].orientation);
}

void physics_world_step(PhysicsWorld *w)
{
    dRandSetSeed(w->random_seed);
    dWorldQuickStep(w->world, 1.0 / 128);
    w->random_seed = dRandGetSeed();
    dJointGroupEmpty(w->contacts);
}

void physics_contacts_clear(PhysicsWorld *w)
{
    dJointGroupEmpty(w->contacts);
}
