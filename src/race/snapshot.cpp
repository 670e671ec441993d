// Encoding, applying and blending rider snapshots; the ring of received
// snapshots; dead reckoning.
#include "race/snapshot.h"

#include "physics/crash.h"
#include "physics/rider.h"
#include "platform/tick_math.h"
#include "track/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

// Field offsets.
enum {
    AT_X = 0,
    AT_Y = 3,
    AT_Z = 6,
    AT_QUAT = 9,
    AT_STEER = 17,
    AT_SWINGARM = 18,
    AT_FORK = 19,
    AT_TORSO = 20,
    AT_TORSO_QUAT = 26,
    AT_FRONT_WHEEL = 34,
    AT_REAR_WHEEL = 35,
    AT_STATE = 36,
    AT_RPM = 37,
};

const double max24 = 16777215, max16 = 65535, max8 = 255;

// The integer of a fraction of a field's range, floored (a hair of a step
// up, so that a decoded value encodes back to itself).
uint32_t quantise(double value, double lo, double hi, double top)
{
    double f = (value - lo) / (hi - lo);
    if (!(f > 0))
        return 0;
    return (uint32_t)std::min(top, std::floor(std::min(f, 1.0) * top + 1e-3));
}

void put(uint8_t *b, int at, int size, uint32_t n)
{
    for (int k = 0; k < size; ++k)
        b[at + k] = (uint8_t)(n >> (8 * k));
}

uint32_t get(const uint8_t *b, int at, int size)
{
    uint32_t n = 0;
    for (int k = 0; k < size; ++k)
        n |= (uint32_t)b[at + k] << (8 * k);
    return n;
}

double top_of(int size)
{
    return size == 3 ? max24 : size == 2 ? max16 : max8;
}

void put_field(uint8_t *b, int at, int size, double value, double lo, double hi)
{
    put(b, at, size, quantise(value, lo, hi, top_of(size)));
}

// A field's fraction of its range, 0..1.
double frac(const uint8_t *b, int at, int size)
{
    return get(b, at, size) / top_of(size);
}

double field(const uint8_t *b, int at, int size, double lo, double hi)
{
    return lo + frac(b, at, size) * (hi - lo);
}

void put_quaternion(uint8_t *b, int at, const double q[4])
{
    for (int k = 0; k < 4; ++k)
        put_field(b, at + 2 * k, 2, q[k], -1, 1);
}

// A unit quaternion from four fields (the identity for all zeros).
void get_quaternion(const uint8_t *b, int at, double q[4])
{
    double length = 0;
    for (int k = 0; k < 4; ++k) {
        q[k] = field(b, at + 2 * k, 2, -1, 1);
        length += q[k] * q[k];
    }
    length = std::sqrt(length);
    if (length < 1e-6) {
        q[0] = 1, q[1] = q[2] = q[3] = 0;
        return;
    }
    for (int k = 0; k < 4; ++k)
        q[k] /= length;
}

double terrain_side(const Terrain &t)
{
    return t.extent > 0 ? t.extent : 1;
}

// A point of the bike's catalogue layout moved with the chassis: the
// chassis at world position `at` with rotation R, the layout's chassis at
// `origin`.
void to_world(const dReal *at, const dMatrix3 R, const float *origin, const dVector3 local, dVector3 out)
{
    dVector3 d = {local[0] - origin[0], local[1] - origin[1], local[2] - origin[2], 0}, w;
    dMultiply0_331(w, R, d);
    for (int i = 0; i < 3; ++i)
        out[i] = at[i] + w[i];
}

// p turned about an axis through a centre by a rotation.
void turn_about(const dMatrix3 turn, const float *centre, const float *p, dVector3 out)
{
    dVector3 d = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2], 0}, t;
    dMultiply0_331(t, turn, d);
    for (int i = 0; i < 3; ++i)
        out[i] = centre[i] + t[i];
}

void place_body(dBodyID body, const dReal *at, const dMatrix3 chassis, const float *origin, const dVector3 local,
                const dMatrix3 turn)
{
    dVector3 p;
    to_world(at, chassis, origin, local, p);
    dMatrix3 R;
    dMultiply0_333(R, chassis, turn);
    dBodySetPosition(body, p[0], p[1], p[2]);
    dBodySetRotation(body, R);
}

// The angular velocity that turns orientation a into b in a time.
void spin_between(const dReal *a, const dReal *b, double seconds, dVector3 out)
{
    // b * conj(a)
    double w = b[0] * a[0] + b[1] * a[1] + b[2] * a[2] + b[3] * a[3];
    double x = -b[0] * a[1] + b[1] * a[0] - b[2] * a[3] + b[3] * a[2];
    double y = -b[0] * a[2] + b[1] * a[3] + b[2] * a[0] - b[3] * a[1];
    double z = -b[0] * a[3] - b[1] * a[2] + b[2] * a[1] + b[3] * a[0];
    if (w < 0)
        w = -w, x = -x, y = -y, z = -z;
    double s = std::sqrt(x * x + y * y + z * z);
    double angle = 2 * std::atan2(s, w);
    double k = s > 1e-12 ? angle / s / seconds : 0;
    out[0] = x * k, out[1] = y * k, out[2] = z * k;
}

} // namespace

RiderSnapshot snapshot_encode(const Rider &r, const Terrain &t)
{
    RiderSnapshot s = {};
    uint8_t *b = s.bytes;
    double w = terrain_side(t), y0 = t.min_height;
    const dReal *p = dBodyGetPosition(r.bodies[FRAME]);
    put_field(b, AT_X, 3, p[0], 0, w);
    put_field(b, AT_Y, 3, p[1], y0, y0 + w);
    put_field(b, AT_Z, 3, p[2], 0, w);
    const dReal *q = dBodyGetQuaternion(r.bodies[FRAME]);
    double chassis[4] = {q[0], q[1], q[2], q[3]};
    put_quaternion(b, AT_QUAT, chassis);
    const BikeSpec &spec = r.spec;
    put_field(b, AT_STEER, 1, dJointGetHingeAngle(r.joints[STEERING_HEAD]), -M_PI / 4, M_PI / 4);
    put_field(b, AT_SWINGARM, 1, dJointGetHingeAngle(r.joints[SWINGARM_PIVOT]), -spec.swingarm_travel, 0);
    put_field(b, AT_FORK, 1, dJointGetSliderPosition(r.joints[FORK_SLIDE]), -spec.fork_travel, 0);
    const dReal *torso = dBodyGetPosition(r.bodies[RIDER_TORSO]);
    for (int i = 0; i < 3; ++i)
        put_field(b, AT_TORSO + 2 * i, 2, torso[i] - p[i], -16, 16);
    const dReal *tq = dBodyGetQuaternion(r.bodies[RIDER_TORSO]);
    double torso_q[4] = {tq[0], tq[1], tq[2], tq[3]};
    put_quaternion(b, AT_TORSO_QUAT, torso_q);
    put_field(b, AT_FRONT_WHEEL, 1, dJointGetHingeAngle(r.joints[FRONT_AXLE]), -M_PI, M_PI);
    put_field(b, AT_REAR_WHEEL, 1, dJointGetHingeAngle(r.joints[REAR_AXLE]), -M_PI, M_PI);
    uint8_t state;
    if (r.crash_timer >= 1) {
        state = (uint8_t)(7 | std::min(15, (r.crash_timer * 15 - 15) / 127) << 4);
    } else {
        int throttle = std::min(15, std::max(0, (int)(r.throttle * 15)));
        state = (uint8_t)(std::min(6, std::max(0, r.gear)) | (r.dab_amount > 0 ? 8 : 0) | throttle << 4);
    }
    b[AT_STATE] = state;
    put_field(b, AT_RPM, 2, r.engine_speed * 9.549296585513721, 0, 32768);
    return s;
}

void snapshot_apply(Rider *r, const Terrain &t, const RiderSnapshot &snapshot, int ticks)
{
    const uint8_t *b = snapshot.bytes;
    const BikeSpec &spec = r->spec;
    dVector3 old_position[RIDER_BODIES];
    dQuaternion old_rotation[RIDER_BODIES];
    for (int k = 0; k < RIDER_BODIES && ticks > 0; ++k) {
        const dReal *p = dBodyGetPosition(r->bodies[k]), *q = dBodyGetQuaternion(r->bodies[k]);
        std::copy(p, p + 3, old_position[k]);
        std::copy(q, q + 4, old_rotation[k]);
    }

    // The chassis.
    double w = terrain_side(t), y0 = t.min_height;
    dReal at[3] = {field(b, AT_X, 3, 0, w), field(b, AT_Y, 3, y0, y0 + w), field(b, AT_Z, 3, 0, w)};
    double q[4];
    get_quaternion(b, AT_QUAT, q);
    dQuaternion chassis_q = {q[0], q[1], q[2], q[3]};
    dMatrix3 chassis;
    dQtoR(chassis_q, chassis);
    dBodySetPosition(r->bodies[FRAME], at[0], at[1], at[2]);
    dBodySetQuaternion(r->bodies[FRAME], chassis_q);

    // The parts from the layout and the joints: the fork turned about the
    // steering axis and its lower half slid up it, the swingarm turned about
    // its pivot, the wheels turned about their axles.
    const float *origin = spec.frame_position;
    double steer = field(b, AT_STEER, 1, -M_PI / 4, M_PI / 4);
    double swing = field(b, AT_SWINGARM, 1, -spec.swingarm_travel, 0);
    double fork = field(b, AT_FORK, 1, -spec.fork_travel, 0);
    double front_spin = field(b, AT_FRONT_WHEEL, 1, -M_PI, M_PI), rear_spin = field(b, AT_REAR_WHEEL, 1, -M_PI, M_PI);
    dVector3 axis = {spec.steering_head[0] - spec.fork_bottom[0], spec.steering_head[1] - spec.fork_bottom[1],
                     spec.steering_head[2] - spec.fork_bottom[2], 0};
    dNormalize3(axis);
    dMatrix3 steering, swinging, front_turn, rear_turn;
    dRFromAxisAndAngle(steering, axis[0], axis[1], axis[2], steer);
    dRFromAxisAndAngle(swinging, 1, 0, 0, swing);
    dVector3 head = {spec.steering_head[0], spec.steering_head[1], spec.steering_head[2], 0};
    place_body(r->bodies[FORK_UPPER], at, chassis, origin, head, steering);
    dVector3 lower;
    turn_about(steering, spec.steering_head, spec.fork_bottom, lower);
    for (int i = 0; i < 3; ++i)
        lower[i] -= axis[i] * fork; // the slider's position is upper minus lower
    place_body(r->bodies[FORK_LOWER], at, chassis, origin, lower, steering);
    dVector3 axle;
    turn_about(steering, spec.fork_bottom, spec.front.axle, axle);
    for (int i = 0; i < 3; ++i)
        axle[i] += lower[i] - spec.fork_bottom[i];
    // An axle's angle is the fork's (or swingarm's) relative to the wheel.
    dMatrix3 spin;
    dRFromAxisAndAngle(spin, 1, 0, 0, -front_spin);
    dMultiply0_333(front_turn, steering, spin);
    place_body(r->bodies[FRONT_WHEEL], at, chassis, origin, axle, front_turn);
    dVector3 arm, rear_axle;
    turn_about(swinging, spec.swingarm_pivot, spec.swingarm_position, arm);
    place_body(r->bodies[SWINGARM], at, chassis, origin, arm, swinging);
    turn_about(swinging, spec.swingarm_pivot, spec.rear.axle, rear_axle);
    dRFromAxisAndAngle(rear_turn, 1, 0, 0, swing - rear_spin);
    place_body(r->bodies[REAR_WHEEL], at, chassis, origin, rear_axle, rear_turn);
    get_quaternion(b, AT_TORSO_QUAT, q);
    dQuaternion torso_q = {q[0], q[1], q[2], q[3]};
    dBodySetPosition(r->bodies[RIDER_TORSO], at[0] + field(b, AT_TORSO, 2, -16, 16),
                     at[1] + field(b, AT_TORSO + 2, 2, -16, 16), at[2] + field(b, AT_TORSO + 4, 2, -16, 16));
    dBodySetQuaternion(r->bodies[RIDER_TORSO], torso_q);

    // Gear, throttle, dab and crash.
    int state = b[AT_STATE], high = state >> 4;
    if ((state & 7) == 7) {
        if (r->crash_timer == 0)
            rider_eject(r);
        r->throttle = 0;
        r->crash_timer = high * 127 / 15 + 1;
    } else {
        if (r->crash_timer > 0) {
            rider_remount(r);
            r->crash_timer = 0;
        }
        int gear = std::min(state & 7, 5);
        while (gear > 0 && spec.gear_ratios[gear] <= 0)
            --gear;
        r->gear = gear;
        r->throttle = high / 15.0f;
    }
    if ((state & 8) || (state & 7) == 7)
        r->dab_amount = std::min(1.0f, r->dab_amount + 8.0f * TICK_SECONDS_F);
    r->engine_speed = (float)(frac(b, AT_RPM, 2) * 32768 * 0.10471975511965977);

    for (int k = 0; k < RIDER_BODIES; ++k) {
        const dReal *p = dBodyGetPosition(r->bodies[k]);
        if (ticks > 0) {
            double seconds = ticks * TICK_SECONDS;
            dBodySetLinearVel(r->bodies[k], (p[0] - old_position[k][0]) / seconds,
                              (p[1] - old_position[k][1]) / seconds, (p[2] - old_position[k][2]) / seconds);
            dVector3 spin_now;
            spin_between(old_rotation[k], dBodyGetQuaternion(r->bodies[k]), seconds, spin_now);
            dBodySetAngularVel(r->bodies[k], spin_now[0], spin_now[1], spin_now[2]);
        }
        for (int i = 0; i < 3; ++i)
            r->saved_positions[k][i] = (float)p[i];
    }
}

RiderSnapshot snapshot_lerp(const RiderSnapshot &a, const RiderSnapshot &b, float t)
{
    t = std::min(1.0f, std::max(0.0f, t));
    RiderSnapshot out = a;
    const uint8_t *x = a.bytes, *y = b.bytes;
    uint8_t *o = out.bytes;
    auto blend = [&](int at, int size) {
        double f = frac(x, at, size) * (1 - t) + frac(y, at, size) * t;
        put_field(o, at, size, f, 0, 1);
    };
    for (int at : {AT_X, AT_Y, AT_Z})
        blend(at, 3);
    for (int at : {AT_STEER, AT_SWINGARM, AT_FORK})
        blend(at, 1);
    for (int i = 0; i < 3; ++i)
        blend(AT_TORSO + 2 * i, 2);
    blend(AT_RPM, 2);
    for (int at : {AT_QUAT, AT_TORSO_QUAT}) {
        double p[4], q[4], dot = 0, length = 0;
        get_quaternion(x, at, p);
        get_quaternion(y, at, q);
        for (int k = 0; k < 4; ++k)
            dot += p[k] * q[k];
        for (int k = 0; k < 4; ++k) {
            p[k] = p[k] * (1 - t) + (dot < 0 ? -q[k] : q[k]) * t;
            length += p[k] * p[k];
        }
        length = std::sqrt(length);
        for (int k = 0; k < 4; ++k)
            p[k] = length > 1e-9 ? p[k] / length : k == 0;
        put_quaternion(o, at, p);
    }
    // A wheel turns forward by up to 7/8 of a turn, or back by 1/8.
    for (int at : {AT_FRONT_WHEEL, AT_REAR_WHEEL}) {
        double u = frac(x, at, 1), v = frac(y, at, 1);
        if (v < u - 0.125)
            u -= 1;
        if (v > u + 0.875)
            v -= 1;
        double f = u * (1 - t) + v * t;
        if (f < 0)
            f += 1;
        put_field(o, at, 1, std::min(1.0, std::max(0.0, f)), 0, 1);
    }
    int low = (int)((x[AT_STATE] & 15) * (1 - t) + (y[AT_STATE] & 15) * t);
    o[AT_STATE] = (uint8_t)((x[AT_STATE] & 0xf0) | (low & 15));
    return out;
}

void ring_clear(SnapshotRing *ring)
{
    std::fill(ring->stamps, ring->stamps + SNAPSHOT_RING, -1);
    ring->newest = 0;
    ring->newest_tick = -1;
}

void ring_store(SnapshotRing *ring, int tick, const RiderSnapshot &snapshot)
{
    ring->newest_tick = tick;
    if (ring->stamps[ring->newest] == tick)
        return;
    ring->newest = (ring->newest + 1) % SNAPSHOT_RING;
    ring->stamps[ring->newest] = tick;
    ring->entries[ring->newest] = snapshot;
}

RiderSnapshot ring_sample(const SnapshotRing &ring, int tick, const Rider *rider, const Terrain &terrain)
{
    int b = ring.newest, walked = 0;
    while (walked < SNAPSHOT_RING && ring.stamps[b] >= tick) {
        b = (b + SNAPSHOT_RING - 1) % SNAPSHOT_RING;
        ++walked;
    }
    int c = (b + 1) % SNAPSHOT_RING;
    if (walked == SNAPSHOT_RING || ring.stamps[b] == -1 || ring.stamps[c] == -1)
        return rider ? snapshot_encode(*rider, terrain) : RiderSnapshot{};
    int sb = ring.stamps[b], sc = ring.stamps[c];
    if (sb < 0 || sc <= tick)
        return ring.entries[c];
    if (sc <= sb || tick <= sb)
        return ring.entries[b];
    return snapshot_lerp(ring.entries[b], ring.entries[c], (float)(tick - sb) / (float)(sc - sb));
}

void dead_reckon(Rider *r, const Terrain &t, int ticks)
{
    const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
    double d[3] = {v[0] * ticks * TICK_SECONDS, v[1] * ticks * TICK_SECONDS, v[2] * ticks * TICK_SECONDS};
    const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
    float radius = r->spec.front.ring_radius + r->spec.front.tube_radius;
    double low[3];
    for (int i = 0; i < 3; ++i)
        low[i] = r->saved_positions[FRAME][i] + d[i] - R[4 * i + 1] * radius;
    if (!t.heights.empty()) {
        double ground = terrain_height(t, (float)low[0], (float)low[2]);
        if (ground > low[1])
            d[1] += ground - low[1];
    }
    for (int k = 0; k < RIDER_BODIES; ++k)
        dBodySetPosition(r->bodies[k], r->saved_positions[k][0] + d[0], r->saved_positions[k][1] + d[1],
                         r->saved_positions[k][2] + d[2]);
}
