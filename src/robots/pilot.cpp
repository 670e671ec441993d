// The test pilot's riding: aim just past the next gate the race counts,
// pick a speed for the coming turn (and enough for a jump ahead), hold it
// with throttle and brakes, steer by leaning toward the aim, level the bike
// in the air, and back out when stuck.
#include "robots/pilot.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "race/race.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

// The body's lean in the air per unit of the bike's pitch (forward axis
// height), bringing the bike level for the landing.
const float air_lean_gain = 4;
// A jump's face: ground this much higher within 32 ft ahead; it is taken at
// least this fast, so that the gap behind it is cleared.
const float jump_rise = 3, jump_speed = 48;

// One slot's pilot.
struct Pilot {
    PilotLog log;
    int stuck_ticks = 0;
    int backing_ticks = 0;
    bool was_crashed = false;
    float pace = 1;
};

const Checkpoint *checkpoint_at(const TimingGates &gates, int n)
{
    int entry = gate_sequence(gates, n);
    if (entry < 0)
        return nullptr;
    return &gates.checkpoints[entry % UNTIMED_GATE];
}

// The angle from a forward direction to a target direction, positive to the
// right, both horizontal (x, z).
float angle_to(float fx, float fz, float dx, float dz)
{
    // Right of the direction of travel (fx, fz) is (-fz, fx).
    return std::atan2(dx * -fz + dz * fx, dx * fx + dz * fz);
}

void pilot_drive(Sim &sim, int slot, void *state, RiderInput *in);

void pilot_release(void *state)
{
    delete static_cast<Pilot *>(state);
}

} // namespace

void pilot_take(Sim *sim, int slot, float pace)
{
    Pilot *pilot = new Pilot;
    pilot->pace = pace;
    pilot->log.start_tick = sim->race.start_tick;
    // The pilot rides with a player's default bike setup, as a person does:
    // its laps teach the robots' lines.
    if (Rider *r = sim->race.slots[slot].rider) {
        apply_bike_setup(r, BikeSetup());
        r->personality = 0;
    }
    SlotController c;
    c.drive = pilot_drive;
    c.release = pilot_release;
    c.state = pilot;
    sim_set_controller(sim, slot, c);
}

const PilotLog &pilot_log(const Sim &sim, int slot)
{
    static const PilotLog none;
    const SlotController &c = sim.controllers[slot];
    return c.drive == pilot_drive ? static_cast<const Pilot *>(c.state)->log : none;
}

namespace
{

void pilot_drive(Sim &sim, int slot, void *state, RiderInput *in)

{
    Pilot &pilot = *static_cast<Pilot *>(state);
    PilotLog &log = pilot.log;
    const Rider *r = sim.race.slots[slot].rider;
    const TimingGates &g = sim_track(sim).objects.gates;
    int tick = sim.race.tick;
    in->clutch = 1;
    in->lean = 0;
    in->sit_dab = 0;
    if (r->crash_timer > 0) {
        if (!pilot.was_crashed)
            ++log.crashes;
        pilot.was_crashed = true;
        in->throttle = 0;
        return;
    }
    pilot.was_crashed = false;
    // The pilot rides for the gates the race counts: the next one to cross.
    const RiderSlot &own = sim.race.slots[slot];
    if (own.next_gate > log.gates) {
        int laps = laps_completed(g, own.next_gate);
        for (; log.laps < laps; ++log.laps)
            log.lap_ticks.push_back(tick);
    }
    log.gates = own.next_gate;
    int aim_gate = log.gates;
    const Checkpoint *target = checkpoint_at(g, aim_gate);
    if (!target || tick <= sim.race.start_tick) {
        in->throttle = 0;
        in->front_brake = 1;
        return;
    }
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]), *v = dBodyGetLinearVel(r->bodies[FRAME]);
    float x = (float)p[0], z = (float)p[2];
    float speed = (float)std::sqrt(v[0] * v[0] + v[2] * v[2]);
    const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
    float fx = (float)-R[2], fz = (float)-R[10];
    float len = std::sqrt(fx * fx + fz * fz);
    fx /= len, fz /= len;

    // A gate missed close by and left behind is given up for the next one
    // (the race takes that one out of order), except the lap line, which
    // has to be crossed.
    float dx = target->centre[0] - x, dz = target->centre[2] - z;
    bool lap_line = laps_completed(g, aim_gate + 1) > laps_completed(g, aim_gate);
    if (!lap_line && dx * dx + dz * dz < 4 * target->radius * target->radius &&
        std::fabs(angle_to(fx, fz, dx, dz)) > 2.0f) {
        target = checkpoint_at(g, ++aim_gate);
        dx = target->centre[0] - x;
        dz = target->centre[2] - z;
    }
    const Checkpoint *next = checkpoint_at(g, aim_gate + 1);

    // Aim: a little past the checkpoint (it counts once the wheel is over
    // its line), shifted toward the next one when close, but never so far
    // that the bike passes outside the gate.
    float distance = std::sqrt(dx * dx + dz * dz);
    float blend = std::clamp(1 - (distance - 10) / 40, 0.0f, 0.6f);
    float nx = next->centre[0] - target->centre[0], nz = next->centre[2] - target->centre[2];
    float gap = std::sqrt(nx * nx + nz * nz);
    float shift = gap > 0 ? std::min(blend * gap, 0.4f * target->radius) / gap : 0;
    float past = std::min(6.0f, 0.3f * target->radius);
    float ax = target->centre[0] + nx * shift + target->direction[0] * past;
    float az = target->centre[2] + nz * shift + target->direction[2] * past;
    if (aim_gate == 0) {
        // The first gate is wide: the pilot rides for the part of it in
        // front of its place on the starting gate, as riders spread out
        // across the start straight do.
        float px = -target->direction[2], pz = target->direction[0];
        float across = std::clamp((x - target->centre[0]) * px + (z - target->centre[2]) * pz, -0.6f * target->radius,
                                  0.6f * target->radius);
        ax += px * across, az += pz * across;
    }
    float error = angle_to(fx, fz, ax - x, az - z);

    // The coming turn decides the speed.
    float tx = next->centre[0] - target->centre[0], tz = next->centre[2] - target->centre[2];
    float turn = std::fabs(angle_to(target->direction[0], target->direction[2], tx, tz));
    float wanted = std::min(std::clamp(62 - 55 * turn, 24.0f, 62.0f), 62 * pilot.pace);
    if (std::fabs(error) > 0.4f)
        wanted = std::min(wanted, 28.0f);
    // A jump's face ahead: come at it fast enough to clear the gap behind.
    const Terrain &ground = sim_track(sim).terrain;
    float here = terrain_height(ground, x, z);
    for (float ahead = 8; ahead <= 32 && std::fabs(error) < 0.4f; ahead += 8)
        if (terrain_height(ground, x + fx * ahead, z + fz * ahead) > here + jump_rise)
            wanted = std::max(wanted, jump_speed);

    if (pilot.backing_ticks > 0) {
        --pilot.backing_ticks;
        in->throttle = 0;
        in->back_up = 1;
        in->steer = std::clamp(-error, -1.0f, 1.0f);
        return;
    }
    in->back_up = 0;
    pilot.stuck_ticks = speed < 3 ? pilot.stuck_ticks + 1 : 0;
    if (pilot.stuck_ticks > 3 * TICKS_PER_SECOND) {
        pilot.stuck_ticks = 0;
        pilot.backing_ticks = TICKS_PER_SECOND * 3 / 2;
    }
    // Little steer when slow (leaning a stopped bike over only lays it
    // down) and none in the air.
    float reach = std::clamp(0.2f + speed / 30, 0.2f, 1.0f);
    bool airborne = r->front_contact.depth <= 0 && r->rear_contact.depth <= 0;
    in->steer = airborne ? 0.0f : std::clamp(error * 1.6f, -reach, reach);
    // Straight out of the gate for the first two seconds, the way riders
    // (and the robots) launch.
    if (tick < sim.race.start_tick + 2 * TICKS_PER_SECOND)
        in->steer = 0;
    float pitch = (float)-R[6]; // below 0 nose down
    in->lean = airborne ? std::clamp(air_lean_gain * pitch, -1.0f, 1.0f) : 0.0f;
    in->throttle = speed < wanted ? 1.0f : speed < wanted + 4 ? 0.35f : 0.0f;
    float over = speed - wanted - 6;
    in->front_brake = over > 0 ? std::min(1.0f, over / 10) : 0;
    in->rear_brake = over > 0 ? std::min(1.0f, over / 10) : 0;
}

} // namespace
