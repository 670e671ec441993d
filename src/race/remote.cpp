#include "race/remote.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "platform/messages.h"
#include "race/race.h"
#include "race/timing.h"
#include "track/track.h"

#include <algorithm>

void remote_clear(NetworkRace *n)
{
    n->rings.resize(REMOTE_SLOTS);
    for (SnapshotRing &ring : n->rings)
        ring_clear(&ring);
    std::fill(n->last_received, n->last_received + REMOTE_SLOTS, -1);
    std::fill(n->ping, n->ping + REMOTE_SLOTS, 0);
}

bool is_remote(const Sim &sim, int slot)
{
    const RiderSlot &s = sim.race.slots[slot];
    return sim.network.connected && s.rider && s.kind == KIND_REPLAYED;
}

bool remote_silent(const Sim &sim, int slot)
{
    int last = sim.network.last_received[slot];
    return last < 0 || sim.race.tick - last >= TICKS_PER_SECOND;
}

bool remote_receive(Sim *sim, int slot, int tick, const RiderSnapshot &snapshot, int ping)
{
    NetworkRace &n = sim->network;
    if (slot < 0 || slot >= REMOTE_SLOTS || !is_remote(*sim, slot) || n.rings.size() != REMOTE_SLOTS)
        return false;
    if (n.last_received[slot] >= 0 && tick <= n.last_received[slot])
        return false;
    if (has_start_slot(n)) {
        // The velocities come from the last snapshot applied, not from
        // where dead reckoning has carried the rider since: measured from
        // the reckoned place they would feed back into the next reckoning
        // and grow without bound.
        Rider *r = sim->race.slots[slot].rider;
        int gap = n.last_received[slot] >= 0 ? tick - n.last_received[slot] : 0;
        if (gap > 0)
            for (int k = 0; k < RIDER_BODIES; ++k)
                dBodySetPosition(r->bodies[k], r->saved_positions[k][0], r->saved_positions[k][1],
                                 r->saved_positions[k][2]);
        snapshot_apply(r, sim_track(*sim).terrain, snapshot, gap);
    }
    n.ping[slot] = ping;
    n.last_received[slot] = tick;
    ring_store(&n.rings[(size_t)slot], tick, snapshot);
    return true;
}

void remote_riders_set(Sim *sim)
{
    NetworkRace &n = sim->network;
    if (!n.connected || n.rings.size() != REMOTE_SLOTS)
        return;
    const Terrain &ground = sim_track(*sim).terrain;
    int tick = sim->race.tick;
    bool any_gone = false;
    for (int k = 0; k < REMOTE_SLOTS; ++k) {
        if (!is_remote(*sim, k))
            continue;
        // Five seconds without a word: the player has left or lost the
        // connection (a second's gap is only a slow network).
        any_gone |= n.last_received[k] < 0 || tick - n.last_received[k] >= 5 * TICKS_PER_SECOND;
        Rider *r = sim->race.slots[k].rider;
        if (!has_start_slot(n)) {
            // Watching only: a second behind, smoothly between snapshots.
            snapshot_apply(r, ground, ring_sample(n.rings[(size_t)k], tick - 127, r, ground), 1);
        } else if (n.last_received[k] >= 0) {
            int ticks = std::min(tick - n.last_received[k], 64);
            if (ticks > 0)
                dead_reckon(r, ground, ticks);
        }
    }
    // A player who left or lost the connection may be all that the final
    // results were waiting for, and no crossing is coming to say so: they
    // are looked at again once a second while anyone is gone and the leader
    // is home.
    const RaceOrder &order = sim->race.order;
    if (any_gone && !sim->race.results_final && tick % TICKS_PER_SECOND == 0 && order.count > 0 &&
        rider_finished(*sim, order.entries[0].slot))
        results_update(sim);
}

void remote_save_velocities(Sim *sim)
{
    for (int k = 0; k < REMOTE_SLOTS; ++k)
        if (is_remote(*sim, k))
            rider_save_velocities(sim->race.slots[k].rider);
}

void remote_restore_velocities(Sim *sim)
{
    for (int k = 0; k < REMOTE_SLOTS; ++k)
        if (is_remote(*sim, k))
            rider_restore_velocities(sim->race.slots[k].rider);
}

void false_start_step(Sim *sim, int slot)
{
    RaceState &race = sim->race;
    Rider *r = race.slots[slot].rider;
    if (!sim->network.connected || !r || race.slots[slot].kind != KIND_LOCAL)
        return;
    if (race.false_start_penalty == 0 && race.tick <= race.start_tick) {
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
        double d2 = 0;
        for (int i = 0; i < 3; ++i)
            d2 += (p[i] - race.start_position[i]) * (p[i] - race.start_position[i]);
        if (d2 >= 9) {
            race.false_start_penalty = race.start_tick + 15 * TICKS_PER_SECOND - race.tick;
            show_message("15 second false start penalty");
        }
    }
    if (race.false_start_penalty > 0) {
        --race.false_start_penalty;
        RiderInput held = rider_current_input(*r);
        held.front_brake = held.rear_brake = 1;
        held.back_up = 0;
        held.clutch = 0;
        held.throttle = 0;
        held.sit_dab = 1;
        rider_apply_input(r, held);
    }
}
