// The simulation record, its slots and controllers, and the tick.
#include "race/race.h"

#include "physics/aids.h"
#include "physics/contact.h"
#include "physics/crash.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/log.h"
#include "platform/workers.h"
#include "race/demo.h"
#include "race/line_plans.h"
#include "race/progress.h"
#include "race/race_local.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

void release_controller(SlotController *c)
{
    if (c->release)
        c->release(c->state);
    *c = SlotController();
}

// The best learnt line of a race section: the slot with points and the
// least own time (the first of equals), or null.
const LineSlot *best_line(const LineTable &table, int section)
{
    int t = table_section(table, section);
    if (t < 0 || t >= (int)table.sections.size())
        return nullptr;
    const LineSlot *best = nullptr;
    for (const LineSlot &line : table.sections[(size_t)t])
        if (!line.points.empty() && (!best || line.own_time < best->own_time))
            best = &line;
    return best;
}

void copy_point(const LinePoint &p, float out[3])
{
    out[0] = p.x, out[1] = p.y, out[2] = p.z;
}

// On the best line of the rider's section: 4 points past the point nearest
// the rider, running on into the next section's best line. False when
// there is no best line of 2 points or more, or the rider is past its end
// here and in the next section.
bool best_line_aim(const LineTable &table, int section, const dReal *at, float aim[3])
{
    for (int s = section; s <= section + 1; ++s) {
        const LineSlot *line = best_line(table, s);
        if (!line || line->points.size() < 2)
            return false;
        const std::vector<LinePoint> &points = line->points;
        int n = (int)points.size(), k = 0;
        double nearest = 0;
        for (int i = 0; i < n; ++i) {
            double dx = points[(size_t)i].x - at[0], dy = points[(size_t)i].y - at[1], dz = points[(size_t)i].z - at[2];
            double d2 = dx * dx + dy * dy + dz * dz;
            if (i == 0 || d2 < nearest)
                nearest = d2, k = i;
        }
        if (k == n - 1)
            continue;
        if (k + 4 < n) {
            copy_point(points[(size_t)k + 4], aim);
        } else if (const LineSlot *next = best_line(table, s + 1)) {
            int m = (int)next->points.size();
            copy_point(next->points[(size_t)std::min(m - 1, k + 4 - n)], aim);
        } else {
            copy_point(points[(size_t)k], aim);
        }
        return true;
    }
    return false;
}

// Tells a rider where its race goes on, for turning round when stopped: a
// robot at the point of its line it makes for, any other rider on the best
// learnt line ahead of it, else the centre of the next gate to cross.
void set_course_aim(const Sim &sim, const RiderSlot &slot)
{
    Rider *r = slot.rider;
    const TimingGates &g = sim_track(sim).objects.gates;
    int entry = g.gates.empty() || slot.next_gate <= 0 || slot.finished ? -1 : gate_sequence(g, slot.next_gate);
    r->has_course_aim = entry >= 0;
    if (entry < 0)
        return;
    if (r->personality != 0 && slot.robot_target < (int)slot.robot_line.size()) {
        copy_point(slot.robot_line[(size_t)std::max(0, slot.robot_target)], r->course_aim);
        return;
    }
    // The aim turns only a rider stopped below 5 ft/s round: the search
    // along the best line waits until then.
    if (!sim.lines.sections.empty() && frame_speed(r) < 5 &&
        best_line_aim(sim.lines, section_of(g, slot.next_gate), dBodyGetPosition(r->bodies[FRAME]), r->course_aim))
        return;
    const Checkpoint &c = g.checkpoints[entry % UNTIMED_GATE];
    std::copy(c.centre, c.centre + 3, r->course_aim);
}

} // namespace

void free_riders(Sim *sim, int from)
{
    for (int k = from; k < SLOTS; ++k) {
        rider_destroy(sim->race.slots[k].rider);
        sim->race.slots[k] = RiderSlot();
        release_controller(&sim->controllers[k]);
        sim->input_given[k] = false;
    }
}

void show_gate_raise(Sim *sim, size_t k)
{
    const Track &track = sim_track(*sim);
    int statue = track.objects.gates.start_statues[k];
    if (statue < 0 || statue >= (int)sim->physics.statues.size())
        return;
    gate_piece_orientation(track.objects.statues[statue].orientation, sim->race.gate_raise[k],
                           sim->physics.statues[statue].orientation);
}

size_t gate_pieces(const Sim &sim)
{
    return std::min(sim_track(sim).objects.gates.start_statues.size(), (size_t)SLOTS);
}

bool sim_save_lines(Sim *sim)
{
    return sim->lines_skill >= 0 && sim->settings.learning && !sim->lines.sections.empty() &&
           lines_save(sim->lines, sim->lines_folder, sim->lines_skill);
}

void gate_piece_orientation(const float m[9], float raise, float out[9])
{
    float a = raise * 3 * (float)M_PI / 16, c = std::cos(a), s = std::sin(a);
    for (int row = 0; row < 3; ++row) {
        out[row * 3 + 0] = m[row * 3 + 0];
        out[row * 3 + 1] = m[row * 3 + 1] * c + m[row * 3 + 2] * s;
        out[row * 3 + 2] = -m[row * 3 + 1] * s + m[row * 3 + 2] * c;
    }
}

void sim_create(Sim *sim, Track *track)
{
    sim->track = track;
    physics_world_create(&sim->physics, track);
    for (int k = 0; k < ROSTER_SIZE; ++k)
        sim->roster_order[k] = k;
}

void sim_destroy(Sim *sim)
{
    demo_record_stop(sim);
    demo_close(sim);
    race_clear(sim);
    physics_world_destroy(&sim->physics);
    sim->track = nullptr;
    sim_set_threads(sim, 1);
}

bool sim_set_threads(Sim *sim, int threads)
{
    workers_stop(sim->workers);
    sim->workers = threads > 1 ? workers_start(threads) : nullptr;
    return threads <= 1 || sim->workers;
}

void sim_report_results(Sim *sim)
{
    if (sim->results_hook.report)
        sim->results_hook.report(sim->results_hook.context, sim);
}

void sim_set_input(Sim *sim, int slot, const RiderInput &input)
{
    if (slot < 0 || slot >= SLOTS)
        return;
    sim->inputs[slot] = input;
    sim->input_given[slot] = true;
}

void sim_set_controller(Sim *sim, int slot, const SlotController &c)
{
    if (slot < 0 || slot >= SLOTS)
        return;
    release_controller(&sim->controllers[slot]);
    sim->controllers[slot] = c;
}

void race_clear(Sim *sim)
{
    zeph_log("Deallocating bikes\n");
    free_riders(sim, 0);
    zeph_log("Finished deallocating bikes\n");
}

namespace
{

struct PreStepJob {
    Rider *const *riders;
    int tick;
};

// Every rider's ground and statue contacts. On several threads each
// rider's joints wait in its queue and are made afterwards in rider order,
// which is the order one thread makes them in.
void riders_pre_step(Sim *sim, Rider *const *riders, int count)
{
    int tick = sim->race.tick;
    if (!sim->workers) {
        for (int k = 0; k < count; ++k)
            rider_pre_step(riders[k], tick);
        return;
    }
    for (int k = 0; k < count; ++k)
        riders[k]->contact_queue.active = true;
    PreStepJob job = {riders, tick};
    workers_run(
        sim->workers, count,
        [](void *context, int k) {
            const PreStepJob &j = *static_cast<PreStepJob *>(context);
            rider_pre_step(j.riders[k], j.tick);
        },
        &job);
    for (int k = 0; k < count; ++k)
        physics_contacts_make(&sim->physics, &riders[k]->contact_queue, tick);
}

} // namespace

void sim_tick(Sim *sim)
{
    RaceState &race = sim->race;
    int time_trial_before[2] = {};
    if (race.time_trial)
        for (int k = 0; k < 2; ++k)
            time_trial_before[k] = laps_completed(sim_track(*sim).objects.gates, race.slots[k].next_gate);

    // Controls given from outside reach their riders first.
    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &s = race.slots[k];
        if (sim->input_given[k] && s.rider && s.kind != KIND_REPLAYED)
            rider_apply_input(s.rider, sim->inputs[k]);
        sim->input_given[k] = false;
    }

    const NetworkRace &network = sim->network;
    if (network.connected) {
        false_start_step(sim, race.watched_slot);
        remote_riders_set(sim);
    }

    // Contacts: every simulated rider with the ground and the statues, then
    // the rider pairs, fastest first. In a server's race only the player
    // meets the remote riders that are still sending.
    Rider *list[SLOTS];
    int count = 0;
    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &s = race.slots[k];
        if (s.rider && s.kind != KIND_REPLAYED)
            list[count++] = s.rider;
    }
    if (sim->stages & SIM_GROUND) {
        riders_pre_step(sim, list, count);
        // Riders moved from outside only find where their wheels touch:
        // they throw roost and teach lines as they ride.
        for (int k = 0; k < SLOTS; ++k)
            if (race.slots[k].rider && race.slots[k].kind == KIND_REPLAYED)
                rider_wheel_contacts(race.slots[k].rider);
    }
    if (network.connected) {
        count = 0;
        const RiderSlot &own = race.slots[race.watched_slot];
        if (has_start_slot(network) && own.rider && own.kind == KIND_LOCAL) {
            list[count++] = own.rider;
            for (int k = 0; k < SLOTS; ++k)
                if (is_remote(*sim, k) && !remote_silent(*sim, k))
                    list[count++] = race.slots[k].rider;
        }
    }
    if (sim->stages & SIM_RIDER_COLLISIONS) {
        auto speed2 = [](Rider *r) {
            const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
            return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
        };
        std::stable_sort(list, list + count, [&](Rider *a, Rider *b) { return speed2(a) > speed2(b); });
        // Only riders within reach of each other can touch.
        float reach[SLOTS];
        for (int a = 0; a < count; ++a)
            reach[a] = rider_reach(list[a]);
        for (int a = 0; a < count; ++a) {
            const dReal *pa = dBodyGetPosition(list[a]->bodies[FRAME]);
            for (int b = a + 1; b < count; ++b) {
                if (network.connected && list[a] != race.slots[race.watched_slot].rider &&
                    list[b] != race.slots[race.watched_slot].rider)
                    continue;
                const dReal *pb = dBodyGetPosition(list[b]->bodies[FRAME]);
                double dx = pa[0] - pb[0], dy = pa[1] - pb[1], dz = pa[2] - pb[2], within = reach[a] + reach[b];
                if (dx * dx + dy * dy + dz * dz < within * within)
                    rider_collide(list[a], list[b], reach[b], race.tick);
            }
        }
    }

    // The particles in flight move while the world steps (another thread
    // may take them): neither touches what the other reads.
    workers_post(
        sim->workers, 1, [](void *context, int) { roost_update(static_cast<Sim *>(context)); }, sim);
    remote_save_velocities(sim);
    physics_world_step(&sim->physics);
    remote_restore_velocities(sim);
    workers_finish(sim->workers);

    if (sim->stages & SIM_RIDER_STEPS) {
        for (int k = 0; k < SLOTS; ++k) {
            RiderSlot &s = race.slots[k];
            if (!s.rider)
                continue;
            const SlotController &c = sim->controllers[k];
            if (c.drive && s.kind != KIND_REPLAYED) {
                // A controller changes what it wants of the controls held now.
                RiderInput input = rider_current_input(*s.rider);
                c.drive(*sim, k, c.state, &input);
                rider_apply_input(s.rider, input);
            }
            set_course_aim(*sim, s);
            rider_step(s.rider, s.kind != KIND_REPLAYED, race.tick);
            // In a server's race the server tells where the others are in it.
            if (!network.connected || s.kind == KIND_LOCAL)
                rider_progress_step(sim, k);
        }
    }

    // Roost from the wheels whose ground contacts this tick computed; the
    // new particles fly from the next tick on.
    if (sim->stages & SIM_GROUND)
        for (int k = 0; k < SLOTS; ++k)
            if (race.slots[k].rider)
                roost_emit_rider(sim, *race.slots[k].rider);

    // The starting gate drops after the start tick and lies flat 1/16 s on.
    if (race.tick < race.start_tick + 10 * TICKS_PER_SECOND) {
        for (size_t k = 0; k < gate_pieces(*sim); ++k) {
            if (race.gate_raise[k] <= 0 || race.tick <= race.start_tick)
                continue;
            race.gate_raise[k] = std::max(0.0f, race.gate_raise[k] - 8.0f * TICK_SECONDS_F);
            show_gate_raise(sim, k);
        }
    }
    ++race.tick;
    demo_record_tick(sim);
    demo_play_tick(sim);
    if (race.time_trial)
        time_trial_laps(sim, time_trial_before);
}

void sim_skip_demo(Sim *sim, float seconds, bool accurate)
{
    if (!accurate || seconds <= 0) {
        demo_seek(sim, seconds);
        return;
    }
    if (!demo_only_playing(*sim))
        return;
    RaceState &race = sim->race;
    for (int until = race.tick + (int)(seconds * TICKS_PER_SECOND); race.tick < until && !sim->demo.at_end;)
        sim_tick(sim);
}

int race_leader_laps(const Sim &sim)
{
    const RaceOrder &order = sim.race.order;
    return order.count ? laps_completed(sim_track(sim).objects.gates, order.entries[0].gates) : 0;
}

uint64_t sim_state_hash(const Sim &sim)
{
    // FNV-1a over the exact bytes of every value: any difference shows.
    uint64_t h = 14695981039346656037ull;
    auto add = [&h](const void *data, size_t size) {
        const unsigned char *p = static_cast<const unsigned char *>(data);
        for (size_t k = 0; k < size; ++k) {
            h ^= p[k];
            h *= 1099511628211ull;
        }
    };
    add(&sim.race.tick, sizeof sim.race.tick);
    for (int k = 0; k < SLOTS; ++k) {
        const Rider *r = sim.race.slots[k].rider;
        if (!r)
            continue;
        add(&k, sizeof k);
        for (dBodyID b : r->bodies) {
            add(dBodyGetPosition(b), 3 * sizeof(dReal));
            const dReal *R = dBodyGetRotation(b); // rows of 4, the last unused
            for (int row = 0; row < 3; ++row)
                add(R + 4 * row, 3 * sizeof(dReal));
            add(dBodyGetLinearVel(b), 3 * sizeof(dReal));
            add(dBodyGetAngularVel(b), 3 * sizeof(dReal));
        }
    }
    return h;
}
