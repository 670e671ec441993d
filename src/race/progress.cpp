// The per-tick progress step: gate crossings, stopping and finishing.
#include "race/progress.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "race/learning.h"
#include "race/line_plans.h"
#include "race/race.h"
#include "race/timing.h"
#include "track/track.h"

#include <cmath>

namespace
{

// Whether the sequence position is the last gate of a lap.
bool ends_lap(const TimingGates &g, int q)
{
    int after = q + 1 - g.first_lap_count;
    return after >= 0 && after % g.normal_lap_count == 0;
}

} // namespace

bool gate_recorded(const RiderSlot &s, int q)
{
    return q >= 0 && q < (int)s.gate_ticks.size() && s.gate_ticks[(size_t)q] >= 0;
}

bool crosses_gate(const Checkpoint &c, float x, float z)
{
    float dx = x - c.centre[0], dz = z - c.centre[2];
    return dx * dx + dz * dz <= c.radius * c.radius && dx * c.direction[0] + dz * c.direction[2] >= 0;
}

void set_race_position(Sim *sim, int slot, int next_gate)
{
    RiderSlot &s = sim->race.slots[slot];
    if (s.next_gate > next_gate)
        s.finished = false;
    s.next_gate = next_gate;
    s.gate_ticks.resize((size_t)next_gate, -1);
    if (s.rider)
        s.rider->stop_state = 0;
}

void rider_progress_step(Sim *sim, int slot)
{
    RaceState &race = sim->race;
    RiderSlot &s = race.slots[slot];
    Rider *r = s.rider;
    const TimingGates &g = sim_track(*sim).objects.gates;
    if (!r || g.gates.empty() || g.normal_lap_count <= 0 || s.finished)
        return;

    learn_sample(sim, slot);

    // A rider crawling (or down) after the start has stopped; a robot learns
    // from it which line failed it.
    if (r->stop_state == 0 && race.tick > race.start_tick + 2 * TICKS_PER_SECOND && frame_speed(r) < 5)
        r->stop_state = 1;
    if (r->stop_state == 1) {
        r->stop_state = 2;
        learn_stopped(sim, slot);
    }

    // The gates around the next one: a missed gate may be taken after all
    // (from up to three behind), or the rider may ride past one or two.
    const dReal *wheel = dBodyGetPosition(r->bodies[FRONT_WHEEL]);
    float x = (float)wheel[0], z = (float)wheel[2];
    bool skipped_seen = false;
    int accepted = -1, accepted_offset = 0;
    for (int offset : {-3, -2, 0, 1, 2}) {
        int q = s.next_gate + offset;
        if (q < 0)
            continue;
        if (!gate_recorded(s, q))
            skipped_seen = true;
        int entry = gate_sequence(g, q);
        bool crossing = entry >= 0 && crosses_gate(g.checkpoints[(size_t)(entry % UNTIMED_GATE)], x, z);
        if (!crossing) {
            // A lap line is never skipped: nothing beyond it counts.
            if (ends_lap(g, q) && !gate_recorded(s, q))
                return;
            continue;
        }
        if (offset < 0 && !skipped_seen)
            continue;
        accepted = q;
        accepted_offset = offset;
        break;
    }
    if (accepted < 0)
        return;
    // A section ridden through a stop or crash teaches nothing.
    if (r->stop_state != 0)
        s.record_spoiled |= 1u << (section_of(g, s.next_gate) & 1);

    if ((int)s.gate_ticks.size() <= accepted)
        s.gate_ticks.resize((size_t)accepted + 1, -1);
    s.gate_ticks[(size_t)accepted] = race.tick;
    if (gate_sequence(g, accepted) < UNTIMED_GATE)
        learn_timed_gate(sim, slot, accepted, accepted_offset);
    s.next_gate = accepted + 1;

    // A completed lap may be the last: the race's laps are done, or the
    // leader has already taken the finish.
    if (ends_lap(g, accepted)) {
        int laps = race.race_laps;
        int last = laps == 0 ? 0 : lap_end_position(g, laps);
        int leader = race.order.count ? race.order.entries[0].gates : 0;
        if (leader > last || laps_completed(g, s.next_gate) >= laps) {
            s.finished = true;
            learn_finished(sim, slot);
        }
    }
    results_update(sim);
    r->stop_state = 0;
}
