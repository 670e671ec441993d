// Collisions between riders and with track objects, and the crash sequence.
#include "physics/crash.h"
#include "platform/tick_math.h"

#include "physics/aids.h"
#include "physics/contact.h"
#include "physics/rider.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{

const float dt = TICK_SECONDS_F;

V3 rel_point(dBodyID b, const float p[3])
{
    dVector3 w;
    dBodyGetRelPointPos(b, p[0], p[1], p[2], w);
    return {w[0], w[1], w[2]};
}

float speed_of(dBodyID b)
{
    const dReal *v = dBodyGetLinearVel(b);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void soft(dContact *c, float kp, float kd)
{
    float cfm = 1 / (kd + kp * dt);
    c->surface.soft_cfm = cfm;
    c->surface.soft_erp = kp * dt * cfm;
}

// Two spheres of these radii this far apart surely miss: the cheap test
// before the exact one, with a margin for rounding so that it never turns
// away a pair the exact test would find touching.
bool surely_apart(double dx, double dy, double dz, double radii)
{
    double r = radii + 1e-3;
    return dx * dx + dy * dy + dz * dz > r * r;
}

// Two spheres of these radii this far apart do not touch (the cheap test
// first, then the exact one).
bool apart(double dx, double dy, double dz, double radii)
{
    return surely_apart(dx, dy, dz, radii) || std::sqrt(dx * dx + dy * dy + dz * dz) >= radii;
}

// A sphere of one body (or of the static world when body is null).
struct Ball {
    dBodyID body;
    V3 centre;
    float radius, friction, stiffness, damping;
};

// The contact of two overlapping spheres: a joint, or in penalty form a
// force pair of at most 1000 lbf.
bool sphere_pair(PhysicsWorld *w, ContactQueue *queue, const Ball &a, const Ball &b, bool penalty)
{
    V3 d = b.centre - a.centre;
    if (surely_apart(d.x, d.y, d.z, a.radius + b.radius))
        return false;
    double dist = length(d);
    if (dist >= a.radius + b.radius || dist == 0)
        return false;
    V3 n = {d.x / dist, d.y / dist, d.z / dist};
    double depth = a.radius + b.radius - dist;
    double along = a.radius - depth / 2;
    V3 at = {a.centre.x + n.x * along, a.centre.y + n.y * along, a.centre.z + n.z * along};
    float kp = std::min(a.stiffness, b.stiffness), kd = std::min(a.damping, b.damping);
    if (penalty) {
        dVector3 va = {0, 0, 0}, vb = {0, 0, 0};
        if (a.body)
            dBodyGetPointVel(a.body, at.x, at.y, at.z, va);
        if (b.body)
            dBodyGetPointVel(b.body, at.x, at.y, at.z, vb);
        double closing = (va[0] - vb[0]) * n.x + (va[1] - vb[1]) * n.y + (va[2] - vb[2]) * n.z;
        double w = std::clamp(depth * kp + closing * kd, -1000.0, 1000.0);
        if (b.body && dBodyIsEnabled(b.body))
            dBodyAddForceAtPos(b.body, w * n.x, w * n.y, w * n.z, at.x, at.y, at.z);
        if (a.body && dBodyIsEnabled(a.body))
            dBodyAddForceAtPos(a.body, -w * n.x, -w * n.y, -w * n.z, at.x, at.y, at.z);
        return true;
    }
    dContact c = {};
    c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
    c.surface.mu = std::min(a.friction, b.friction);
    soft(&c, kp, kd);
    // The normal pushes the first body away from the second.
    c.geom.pos[0] = at.x, c.geom.pos[1] = at.y, c.geom.pos[2] = at.z;
    c.geom.normal[0] = -n.x, c.geom.normal[1] = -n.y, c.geom.normal[2] = -n.z;
    c.geom.depth = depth;
    physics_contact(w, queue, c, a.body, b.body);
    return true;
}

// The world spheres of a shape at a pose (position and 3x4 rotation), into
// a buffer kept from call to call.
void balls(const SphereShape &shape, dBodyID body, const dReal *pos, const dReal *R, std::vector<Ball> *out)
{
    const SphereShape *master = shape.source ? shape.source : &shape;
    out->clear();
    for (const Sphere &s : master->spheres) {
        V3 c = {R[0] * s.x + R[1] * s.y + R[2] * s.z + pos[0], R[4] * s.x + R[5] * s.y + R[6] * s.z + pos[1],
                R[8] * s.x + R[9] * s.y + R[10] * s.z + pos[2]};
        out->push_back({body, c, s.radius, s.friction, s.stiffness, s.damping});
    }
}

bool shape_vs_shape(PhysicsWorld *w, ContactQueue *queue, const SphereShape &a, dBodyID ab, const dReal *ap,
                    const dReal *aR, const SphereShape &b, dBodyID bb, const dReal *bp, const dReal *bR, bool penalty)
{
    double dx = ap[0] - bp[0], dy = ap[1] - bp[1], dz = ap[2] - bp[2];
    if (apart(dx, dy, dz, a.bounding_radius + b.bounding_radius))
        return false;
    bool touched = false;
    thread_local std::vector<Ball> as, bs;
    balls(a, ab, ap, aR, &as);
    bs.clear();
    for (const Ball &x : as) {
        // A sphere clear of b's bounding sphere touches none of b's.
        V3 off = x.centre - V3{bp[0], bp[1], bp[2]};
        if (surely_apart(off.x, off.y, off.z, x.radius + b.bounding_radius))
            continue;
        if (bs.empty())
            balls(b, bb, bp, bR, &bs);
        for (const Ball &y : bs)
            touched = sphere_pair(w, queue, x, y, penalty) || touched;
    }
    return touched;
}

bool shape_vs_wheel(PhysicsWorld *world, ContactQueue *queue, const SphereShape &a, dBodyID ab, const dReal *ap,
                    const dReal *aR, const WheelContact &w, bool penalty)
{
    const dReal *c = dBodyGetPosition(w.body);
    double dx = ap[0] - c[0], dy = ap[1] - c[1], dz = ap[2] - c[2];
    if (apart(dx, dy, dz, w.ring_radius + w.tube_radius + a.bounding_radius))
        return false;
    dVector3 axle;
    dBodyVectorToWorld(w.body, 1, 0, 0, axle);
    bool touched = false;
    thread_local std::vector<Ball> as;
    balls(a, ab, ap, aR, &as);
    for (const Ball &x : as) {
        // The nearest point of the wheel's core circle, as a tube-sized sphere.
        V3 off = x.centre - v3(c);
        double along = off.x * axle[0] + off.y * axle[1] + off.z * axle[2];
        V3 radial = {off.x - axle[0] * along, off.y - axle[1] * along, off.z - axle[2] * along};
        double rl = length(radial);
        if (rl < 1e-9)
            continue;
        double k = w.ring_radius / rl;
        Ball tube = {w.body, {c[0] + radial.x * k, c[1] + radial.y * k, c[2] + radial.z * k}, w.tube_radius, 1, 25000,
                     2500};
        touched = sphere_pair(world, queue, x, tube, penalty) || touched;
    }
    return touched;
}

// An external shape (pose given) against every part of a rider.
int shape_vs_parts(const SphereShape &shape, dBodyID body, const dReal *pos, const dReal *R, Rider *r, bool penalty)
{
    int bits = 0;
    if (shape_vs_wheel(r->world, &r->contact_queue, shape, body, pos, R, r->front_contact, penalty))
        bits |= PART_FRONT_WHEEL;
    if (shape_vs_wheel(r->world, &r->contact_queue, shape, body, pos, R, r->rear_contact, penalty))
        bits |= PART_REAR_WHEEL;
    const struct {
        int shape, body, bit;
    } parts[] = {{SHAPE_FRAME, FRAME, PART_FRAME},
                 {SHAPE_FORK_UPPER, FORK_UPPER, PART_FORK_UPPER},
                 {SHAPE_FORK_LOWER, FORK_LOWER, PART_FORK_LOWER},
                 {SHAPE_SWINGARM, SWINGARM, PART_SWINGARM},
                 {SHAPE_RIDER, RIDER_TORSO, PART_RIDER}};
    for (const auto &p : parts) {
        if (!r->has_shape[p.shape])
            continue;
        dBodyID b = r->bodies[p.body];
        if (shape_vs_shape(r->world, &r->contact_queue, shape, body, pos, R, r->shapes[p.shape], b, dBodyGetPosition(b),
                           dBodyGetRotation(b), penalty))
            bits |= p.bit;
    }
    return bits;
}

// A one-step rope between points of two bodies.
void rope(PhysicsWorld *w, dBodyID a, V3 pa, dBodyID b, V3 pb, double rope_length)
{
    V3 d = pb - pa;
    double dist = length(d);
    if (dist <= rope_length)
        return;
    dContact c = {};
    c.surface.mode = dContactSoftERP | dContactSoftCFM;
    soft(&c, 5000, 500);
    c.geom.pos[0] = pa.x, c.geom.pos[1] = pa.y, c.geom.pos[2] = pa.z;
    c.geom.normal[0] = d.x / dist, c.geom.normal[1] = d.y / dist, c.geom.normal[2] = d.z / dist;
    c.geom.depth = dist - rope_length;
    physics_contact(w, nullptr, c, a, b);
}

bool can_eject(const Rider *r)
{
    return r->crash_timer == 0 && r->bump_timer >= 0;
}

} // namespace

void rider_eject(Rider *r)
{
    dJointAttach(r->joints[RIDER_MOUNT], nullptr, nullptr);
    for (int side = 0; side < 2; ++side) {
        V3 foot = rel_point(r->bodies[FRAME], r->spec.pegs[side]);
        dVector3 v;
        dBodyGetPointVel(r->bodies[RIDER_TORSO], foot.x, foot.y, foot.z, v);
        float *p = r->limb_points[2 * side], *vel = r->limb_points[2 * side + 1];
        p[0] = (float)foot.x, p[1] = (float)foot.y, p[2] = (float)foot.z;
        vel[0] = (float)v[0], vel[1] = (float)v[1], vel[2] = (float)v[2];
    }
    r->crash_timer = CRASH_TICKS;
}

void ground_ejection_test(Rider *r)
{
    const dReal *R = dBodyGetRotation(r->bodies[RIDER_TORSO]);
    if (can_eject(r) && R[5] < 0 && speed_of(r->bodies[RIDER_TORSO]) > 5)
        rider_eject(r);
}

void crash_detection(Rider *r, int tick)
{
    if (!can_eject(r))
        return;
    dBodyID torso = r->bodies[RIDER_TORSO];
    const dReal *p = dBodyGetPosition(torso), *v = dBodyGetLinearVel(torso);
    dVector3 frame_v;
    dBodyGetPointVel(r->bodies[FRAME], p[0], p[1], p[2], frame_v);
    double jx = v[0] - frame_v[0], jy = v[1] - frame_v[1], jz = v[2] - frame_v[2];
    if (jx * jx + jy * jy + jz * jz > 961) {
        rider_eject(r);
        return;
    }
    if (r->ticks < 4)
        return; // the velocity ring is not full yet
    const float *old = r->torso_velocity_ring[tick & 3];
    double ax = (v[0] - old[0]) * 0.25 / dt, ay = (v[1] - old[1]) * 0.25 / dt + 32, az = (v[2] - old[2]) * 0.25 / dt;
    if (ax * ax + ay * ay + az * az > 1893376)
        rider_eject(r);
}

void crash_handling(Rider *r)
{
    if (r->crash_timer <= 0)
        return;
    const BikeSpec &s = r->spec;
    dBodyID torso = r->bodies[RIDER_TORSO], frame = r->bodies[FRAME], fork = r->bodies[FORK_UPPER];
    if (speed_of(torso) >= 2) {
        for (int side = 0; side < 2; ++side)
            rope(r->world, torso, rel_point(torso, s.shoulders[side]), fork, rel_point(fork, s.grips[side]),
                 (s.upper_arm + s.forearm) * 0.875);
        if (r->crash_timer == CRASH_TICKS) {
            const float hips[3] = {0, s.hips[0][1], s.hips[0][2]};
            const float bar[3] = {0, s.grips[0][1], s.grips[0][2] + 10};
            rope(r->world, torso, rel_point(torso, hips), fork, rel_point(fork, bar), 8);
        }
        for (int part : {SHAPE_FRAME, SHAPE_FORK_UPPER}) {
            if (!r->has_shape[SHAPE_RIDER] || !r->has_shape[part])
                continue;
            dBodyID b = r->bodies[part == SHAPE_FRAME ? FRAME : FORK_UPPER];
            shape_vs_shape(r->world, nullptr, r->shapes[SHAPE_RIDER], torso, dBodyGetPosition(torso),
                           dBodyGetRotation(torso), r->shapes[part], b, dBodyGetPosition(b), dBodyGetRotation(b),
                           false);
        }
    } else {
        --r->crash_timer;
    }
    if (r->crash_timer < CRASH_TICKS && r->crash_timer > 0) {
        float slack = 5 * std::clamp((r->crash_timer - 128) / 384.0f, 0.0f, 1.0f);
        const float rest[3] = {s.torso_position[0] - s.frame_position[0], s.torso_position[1] - s.frame_position[1],
                               s.torso_position[2] - s.frame_position[2]};
        const float centre[3] = {0, 0, 0};
        rope(r->world, frame, rel_point(frame, rest), torso, rel_point(torso, centre), slack);
        for (float side : {-5.0f, 5.0f}) {
            const float fp[3] = {rest[0] + side, rest[1] + 10, rest[2]}, tp[3] = {side, 10, 0};
            rope(r->world, frame, rel_point(frame, fp), torso, rel_point(torso, tp), slack);
        }
        if (r->crash_timer <= 319) {
            // One foot goes back to its peg.
            int side = bike_lean_angle(r, FRAME) < 0 ? 0 : 1;
            const float peg[3] = {s.pegs[side][0], s.pegs[side][1] + 3, s.pegs[side][2] + 1};
            V3 target = rel_point(frame, peg);
            float *foot = r->limb_points[2 * side], *vel = r->limb_points[2 * side + 1];
            V3 d = {target.x - foot[0], target.y - foot[1], target.z - foot[2]};
            V3 v = {32 * d.x, 32 * d.y, 32 * d.z};
            double l = length(v);
            if (l > 1)
                v = {v.x / l, v.y / l, v.z / l};
            vel[0] = (float)(4 * v.x), vel[1] = (float)(4 * v.y), vel[2] = (float)(4 * v.z);
        }
    }
    if (r->crash_timer == 0) {
        // Back on the bike: the body on its seat, the mount made again.
        dVector3 q;
        dBodyGetRelPointPos(frame, s.torso_position[0] - s.frame_position[0], s.torso_position[1] - s.frame_position[1],
                            s.torso_position[2] - s.frame_position[2], q);
        dBodySetPosition(torso, q[0], q[1], q[2]);
        dBodySetRotation(torso, dBodyGetRotation(frame));
        dBodySetLinearVel(torso, dBodyGetLinearVel(frame)[0], dBodyGetLinearVel(frame)[1], dBodyGetLinearVel(frame)[2]);
        dBodySetAngularVel(torso, 0, 0, 0);
        rider_remount(r);
    }
}

void ejected_limbs(Rider *r)
{
    if (r->crash_timer <= 0)
        return;
    const BikeSpec &s = r->spec;
    dBodyID torso = r->bodies[RIDER_TORSO];
    float leg = s.thigh + s.shin;
    dVector3 down;
    dBodyVectorToWorld(torso, 0, -1, 0, down);
    V3 d = {down[0], down[1], down[2]};
    V3 plane = rel_point(torso, s.hips[0]);
    plane = {plane.x + d.x, plane.y + d.y, plane.z + d.z};
    for (int side = 0; side < 2; ++side) {
        float *p = r->limb_points[2 * side], *v = r->limb_points[2 * side + 1];
        for (int k = 0; k < 3; ++k)
            p[k] += v[k] * dt;
        v[1] -= 32 * dt;
        const Terrain &t = r->world->track->terrain;
        if (!t.heights.empty()) {
            float ground = terrain_height(t, p[0], p[2]) + 0.25f;
            if (p[1] < ground) {
                p[1] = ground;
                v[0] = v[1] = v[2] = 0;
            }
        }
        for (int k = 0; k < 3; ++k)
            v[k] *= 0.9375f;
        V3 hip = rel_point(torso, s.hips[side]);
        V3 off = {p[0] - hip.x, p[1] - hip.y, p[2] - hip.z};
        double l = length(off);
        if (l > leg) {
            V3 u = {off.x / l, off.y / l, off.z / l};
            p[0] = (float)(hip.x + u.x * leg), p[1] = (float)(hip.y + u.y * leg), p[2] = (float)(hip.z + u.z * leg);
            dVector3 tv;
            dBodyGetPointVel(torso, hip.x, hip.y, hip.z, tv);
            double mine = v[0] * u.x + v[1] * u.y + v[2] * u.z, theirs = tv[0] * u.x + tv[1] * u.y + tv[2] * u.z;
            v[0] += (float)(u.x * (theirs - mine)), v[1] += (float)(u.y * (theirs - mine)),
                v[2] += (float)(u.z * (theirs - mine));
        }
        V3 rel = {p[0] - plane.x, p[1] - plane.y, p[2] - plane.z};
        double side_of = dot(rel, d);
        if (side_of < 0) {
            p[0] -= (float)(d.x * side_of), p[1] -= (float)(d.y * side_of), p[2] -= (float)(d.z * side_of);
            dVector3 tv;
            dBodyGetPointVel(torso, p[0], p[1], p[2], tv);
            double mine = v[0] * d.x + v[1] * d.y + v[2] * d.z, theirs = tv[0] * d.x + tv[1] * d.y + tv[2] * d.z;
            v[0] += (float)(d.x * (theirs - mine)), v[1] += (float)(d.y * (theirs - mine)),
                v[2] += (float)(d.z * (theirs - mine));
        }
    }
}

void rider_pre_step(Rider *r, int tick)
{
    rider_ground_contacts(r);
    PhysicsWorld *w = r->world;
    const TrackObjects &objects = w->track->objects;
    const Terrain &t = w->track->terrain;
    if (t.extent <= 0)
        return;
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
    int x0 = statue_grid_cell((float)p[0] - 6, t.extent), x1 = statue_grid_cell((float)p[0] + 6, t.extent);
    int z0 = statue_grid_cell((float)p[2] - 6, t.extent), z1 = statue_grid_cell((float)p[2] + 6, t.extent);
    // The statues of the cells around, each once, in index order.
    thread_local std::vector<int> nearby;
    nearby.clear();
    for (int cz = z0; cz <= z1; ++cz)
        for (int cx = x0; cx <= x1; ++cx)
            nearby.insert(nearby.end(), objects.statue_grid[cx][cz].begin(), objects.statue_grid[cx][cz].end());
    std::sort(nearby.begin(), nearby.end());
    nearby.erase(std::unique(nearby.begin(), nearby.end()), nearby.end());
    // A statue beyond the sphere holding every part of the rider touches
    // none of them.
    float reach = nearby.empty() ? 0 : rider_reach(r);
    for (int index : nearby) {
        const Statue &s = objects.statues[index];
        if (!s.shape || index >= (int)w->statues.size())
            continue;
        if (surely_apart(s.x - p[0], s.y - p[1], s.z - p[2], reach + s.shape->bounding_radius))
            continue;
        StatueState &state = w->statues[index];
        const dReal pos[3] = {s.x, s.y, s.z};
        dReal R[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
        if (s.angle != 0)
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col)
                    R[row * 4 + col] = state.orientation[row * 3 + col];
        int bits = shape_vs_parts(*s.shape, nullptr, pos, R, r, false);
        if (bits && r->contact_queue.active)
            r->contact_queue.statues_hit.push_back(index);
        else if (bits)
            state.last_hit = tick;
        if ((bits & PART_RIDER) && can_eject(r) && speed_of(r->bodies[RIDER_TORSO]) > 20)
            rider_eject(r);
    }
}

float rider_reach(const Rider *r)
{
    const dReal *f = dBodyGetPosition(r->bodies[FRAME]);
    auto from_frame = [&](dBodyID b) {
        const dReal *p = dBodyGetPosition(b);
        return (float)std::sqrt((p[0] - f[0]) * (p[0] - f[0]) + (p[1] - f[1]) * (p[1] - f[1]) +
                                (p[2] - f[2]) * (p[2] - f[2]));
    };
    float reach = 0;
    for (const WheelContact *w : {&r->front_contact, &r->rear_contact})
        reach = std::max(reach, from_frame(w->body) + w->ring_radius + w->tube_radius);
    const int shapes[][2] = {
        {SHAPE_FRONT_WHEEL, FRONT_WHEEL}, {SHAPE_REAR_WHEEL, REAR_WHEEL}, {SHAPE_FRAME, FRAME},
        {SHAPE_FORK_UPPER, FORK_UPPER},   {SHAPE_FORK_LOWER, FORK_LOWER}, {SHAPE_SWINGARM, SWINGARM},
        {SHAPE_RIDER, RIDER_TORSO}};
    for (const auto &s : shapes)
        if (r->has_shape[s[0]])
            reach = std::max(reach, from_frame(r->bodies[s[1]]) + r->shapes[s[0]].bounding_radius);
    return reach;
}

void rider_collide(Rider *a, Rider *b, float b_reach, int tick)
{
    bool penalty = a->last_rider_contact_tick == tick || b->last_rider_contact_tick == tick;
    const struct {
        int shape, body, bit;
    } parts[] = {{SHAPE_FRONT_WHEEL, FRONT_WHEEL, PART_FRONT_WHEEL},
                 {SHAPE_REAR_WHEEL, REAR_WHEEL, PART_REAR_WHEEL},
                 {SHAPE_FRAME, FRAME, PART_FRAME},
                 {SHAPE_FORK_UPPER, FORK_UPPER, PART_FORK_UPPER},
                 {SHAPE_FORK_LOWER, FORK_LOWER, PART_FORK_LOWER},
                 {SHAPE_SWINGARM, SWINGARM, PART_SWINGARM},
                 {SHAPE_RIDER, RIDER_TORSO, PART_RIDER}};
    // A part of a clear of the sphere holding all of b touches none of it.
    const dReal *bf = dBodyGetPosition(b->bodies[FRAME]);
    int u = 0, t = 0;
    for (const auto &p : parts) {
        if (!a->has_shape[p.shape])
            continue;
        dBodyID body = a->bodies[p.body];
        const dReal *at = dBodyGetPosition(body);
        if (surely_apart(at[0] - bf[0], at[1] - bf[1], at[2] - bf[2], a->shapes[p.shape].bounding_radius + b_reach))
            continue;
        int bits = shape_vs_parts(a->shapes[p.shape], body, dBodyGetPosition(body), dBodyGetRotation(body), b, penalty);
        if (bits)
            u |= p.bit;
        t |= bits;
    }
    if (!t)
        return;
    bool a_front = (u & FRONT_PARTS) != 0, b_front = (t & FRONT_PARTS) != 0;
    if (a_front && b_front) {
        for (Rider *r : {a, b})
            if (speed_of(r->bodies[FRAME]) >= 5)
                r->bump_timer = std::max(r->bump_timer, 192);
    } else if (a_front) {
        if (speed_of(a->bodies[FRAME]) >= 5)
            a->bump_timer = std::max(a->bump_timer, 256);
    } else if (b_front) {
        if (speed_of(b->bodies[FRAME]) >= 5)
            b->bump_timer = std::max(b->bump_timer, 256);
    }
    for (Rider *r : {a, b}) {
        r->last_rider_contact_tick = tick;
        memset(r->picked_lines, 0, sizeof r->picked_lines);
    }
}
