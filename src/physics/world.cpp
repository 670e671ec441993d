// Creating, stepping and destroying physics worlds.
#include "physics/world.h"
#include "platform/tick_math.h"

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

void physics_world_destroy(PhysicsWorld *w)
{
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
    dWorldQuickStep(w->world, TICK_SECONDS);
    w->random_seed = dRandGetSeed();
    dJointGroupEmpty(w->contacts);
}

void physics_contacts_clear(PhysicsWorld *w)
{
    dJointGroupEmpty(w->contacts);
}

void physics_contact(PhysicsWorld *w, ContactQueue *queue, const dContact &contact, dBodyID a, dBodyID b,
                     dJointFeedback *feedback)
{
    if (queue && queue->active) {
        queue->contacts.push_back({contact, a, b, feedback});
        return;
    }
    dJointID j = dJointCreateContact(w->world, w->contacts, &contact);
    dJointAttach(j, a, b);
    if (feedback)
        dJointSetFeedback(j, feedback);
}

void physics_contacts_make(PhysicsWorld *w, ContactQueue *queue, int tick)
{
    queue->active = false;
    for (const QueuedContact &q : queue->contacts)
        physics_contact(w, nullptr, q.contact, q.a, q.b, q.feedback);
    for (int index : queue->statues_hit)
        if (index >= 0 && index < (int)w->statues.size())
            w->statues[index].last_hit = tick;
    queue->contacts.clear();
    queue->statues_hit.clear();
}
