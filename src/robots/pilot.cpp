// The test pilot's riding: aim ahead along the checkpoints, pick a speed
// for the coming turn, hold it with throttle and brakes, steer by leaning
// toward the aim, and back out when stuck.
#include "robots/pilot.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "race/race.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace {

PilotLog logs[SLOTS];
int stuck_ticks[SLOTS];
int backing_ticks[SLOTS];
bool was_crashed[SLOTS];

const Checkpoint *checkpoint_at(int n)
{
    int entry = gate_sequence(track.objects.gates, n);
    if (entry < 0)
        return nullptr;
    return &track.objects.gates.checkpoints[entry % UNTIMED_GATE];
}

// The angle from a forward direction to a target direction, positive to the
// right, both horizontal (x, z).
float angle_to(float fx, float fz, float dx, float dz)
{
    // Right of the direction of travel (fx, fz) is (-fz, fx).
    return std::atan2(dx * -fz + dz * fx, dx * fx + dz * fz);
}

} // namespace

void pilot_take(int slot)
{
    logs[slot] = PilotLog();
    logs[slot].start_tick = race.start_tick;
    stuck_ticks[slot] = backing_ticks[slot] = 0;
    was_crashed[slot] = false;
    // The pilot rides with a player's default bike setup.
    if (Rider *r = race.slots[slot].rider)
        apply_bike_setup(r, BikeSetup());
    set_slot_controller(slot, pilot_drive);
}

const PilotLog &pilot_log(int slot)
{
    return logs[slot];
}

void pilot_drive(int slot, Rider *r, int tick)
{
    PilotLog &log = logs[slot];
    set_clutch(r, 1);
    set_lean(r, 0);
    set_sit_dab(r, 0);
    if (r->crash_timer > 0) {
        if (!was_crashed[slot])
            ++log.crashes;
        was_crashed[slot] = true;
        set_throttle(r, 0);
        return;
    }
    was_crashed[slot] = false;
    const Checkpoint *target = checkpoint_at(log.gates);
    if (!target || tick <= race.start_tick) {
        set_throttle(r, 0);
        set_front_brake(r, 1);
        return;
    }
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]), *v = dBodyGetLinearVel(r->bodies[FRAME]);
    float x = (float)p[0], z = (float)p[2];
    float speed = (float)std::sqrt(v[0] * v[0] + v[2] * v[2]);

    // Passed: over the gate's line within its reach (a little wide counts:
    // the course is wider than the line the checkpoint is drawn on).
    float dx = target->centre[0] - x, dz = target->centre[2] - z;
    float along = -(dx * target->direction[0] + dz * target->direction[2]);
    float reach2 = 1.5f * target->radius * 1.5f * target->radius;
    if (dx * dx + dz * dz < reach2 && along >= -2) {
        ++log.gates;
        const TimingGates &g = track.objects.gates;
        int n = log.gates;
        bool lap_end = n == g.first_lap_count || (n > g.first_lap_count && (n - g.first_lap_count) % g.normal_lap_count == 0);
        if (lap_end) {
            ++log.laps;
            log.lap_ticks.push_back(tick);
        }
        target = checkpoint_at(log.gates);
        dx = target->centre[0] - x;
        dz = target->centre[2] - z;
    }
    const Checkpoint *next = checkpoint_at(log.gates + 1);

    // Aim: the checkpoint, shifted toward the next one when close.
    float distance = std::sqrt(dx * dx + dz * dz);
    float blend = std::clamp(1 - (distance - 10) / 40, 0.0f, 0.6f);
    float ax = target->centre[0] + (next->centre[0] - target->centre[0]) * blend;
    float az = target->centre[2] + (next->centre[2] - target->centre[2]) * blend;
    const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
    float fx = (float)-R[2], fz = (float)-R[10];
    float len = std::sqrt(fx * fx + fz * fz);
    fx /= len, fz /= len;
    float error = angle_to(fx, fz, ax - x, az - z);

    // The coming turn decides the speed.
    float tx = next->centre[0] - target->centre[0], tz = next->centre[2] - target->centre[2];
    float turn = std::fabs(angle_to(target->direction[0], target->direction[2], tx, tz));
    float wanted = std::clamp(62 - 55 * turn, 24.0f, 62.0f);
    if (std::fabs(error) > 0.4f)
        wanted = std::min(wanted, 28.0f);

    if (backing_ticks[slot] > 0) {
        --backing_ticks[slot];
        set_throttle(r, 0);
        set_back_up(r, 1);
        set_steer(r, std::clamp(-error, -1.0f, 1.0f));
        return;
    }
    set_back_up(r, 0);
    stuck_ticks[slot] = speed < 3 ? stuck_ticks[slot] + 1 : 0;
    if (stuck_ticks[slot] > 3 * TICKS_PER_SECOND) {
        stuck_ticks[slot] = 0;
        backing_ticks[slot] = TICKS_PER_SECOND * 3 / 2;
    }
    // Little steer when slow (leaning a stopped bike over only lays it
    // down) and none in the air.
    float reach = std::clamp(0.2f + speed / 30, 0.2f, 1.0f);
    bool airborne = r->front_contact.depth <= 0 && r->rear_contact.depth <= 0;
    set_steer(r, airborne ? 0.0f : std::clamp(error * 1.6f, -reach, reach));
    set_throttle(r, speed < wanted ? 1.0f : speed < wanted + 4 ? 0.35f : 0.0f);
    float over = speed - wanted - 6;
    set_front_brake(r, over > 0 ? std::min(1.0f, over / 10) : 0);
    set_rear_brake(r, over > 0 ? std::min(1.0f, over / 10) : 0);
}
