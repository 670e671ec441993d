#include "physics/pose.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "track/terrain.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

void store(V3 v, float *p)
{
    p[0] = (float)v.x, p[1] = (float)v.y, p[2] = (float)v.z;
}

double clampd(double v, double lo, double hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

V3 world_point(dBodyID body, V3 local)
{
    dVector3 w;
    dBodyGetRelPointPos(body, local.x, local.y, local.z, w);
    return {w[0], w[1], w[2]};
}

V3 world_vector(dBodyID body, V3 local)
{
    dVector3 w;
    dBodyVectorToWorld(body, local.x, local.y, local.z, w);
    return {w[0], w[1], w[2]};
}

V3 frame_point(const BodyFrame &f, V3 p)
{
    const float local[3] = {(float)p.x, (float)p.y, (float)p.z};
    float world[3];
    body_frame_point(f, local, world);
    return v3(world);
}

// A torso point, from the drawing frame when there is one.
V3 torso_point(const Rider *r, const BodyFrame *torso, V3 local)
{
    return torso ? frame_point(*torso, local) : world_point(r->bodies[RIDER_TORSO], local);
}

// Any unit vector at right angles to a unit vector.
V3 perpendicular(V3 u)
{
    V3 axis = std::fabs(u.x) < 0.9 ? V3{1, 0, 0} : V3{0, 1, 0};
    V3 v = axis - dot(axis, u) * u;
    return (1 / length(v)) * v;
}

} // namespace

void two_bone_solve(const float root[3], const float target[3], float a, float b, const float pole[3], float middle[3])
{
    V3 r = v3(root), t = v3(target), p = v3(pole);
    double distance = length(t - r);
    // A target at the root gives no direction: reach toward the pole.
    V3 u = distance > 1e-9 ? (1 / distance) * (t - r) : V3{0, -1, 0};
    if (distance <= 1e-9 && length(p - r) > 1e-9)
        u = (1 / length(p - r)) * (p - r);
    double f = std::clamp(distance, 1e-6, 0.95 * (a + b));
    double g = (a * a + f * f - b * b) / (2 * f);
    double h = std::sqrt(std::max(0.0, a * a - g * g));
    V3 side = (p - r) - dot(p - r, u) * u;
    double side_length = length(side);
    V3 v = side_length > 1e-9 ? (1 / side_length) * side : perpendicular(u);
    store(r + g * u + h * v, middle);
}

BodyFrame body_frame(dBodyID body)
{
    BodyFrame f;
    const dReal *p = dBodyGetPosition(body), *R = dBodyGetRotation(body);
    for (int i = 0; i < 3; ++i)
        f.position[i] = (float)p[i];
    for (int i = 0; i < 12; ++i)
        f.rotation[i] = (float)R[i];
    return f;
}

void body_frame_point(const BodyFrame &f, const float p[3], float world[3])
{
    const float *R = f.rotation;
    for (int i = 0; i < 3; ++i)
        world[i] = f.position[i] + R[4 * i] * p[0] + R[4 * i + 1] * p[1] + R[4 * i + 2] * p[2];
}

void body_frame_local(const BodyFrame &f, const float world[3], float local[3])
{
    const float *R = f.rotation;
    const float d[3] = {world[0] - f.position[0], world[1] - f.position[1], world[2] - f.position[2]};
    for (int i = 0; i < 3; ++i)
        local[i] = R[i] * d[0] + R[4 + i] * d[1] + R[8 + i] * d[2];
}

FootPose foot_pose(const Rider *r)
{
    FootPose pose;
    dBodyID frame = r->bodies[FRAME];
    int c = r->crash_timer;
    for (int side = 0; side < 2; ++side) {
        V3 peg = v3(r->spec.pegs[side]);
        if (c >= 1) {
            double w = clampd(c, 1, 128) / 128;
            double outward = peg.x < 0 ? -1 : 1;
            peg =
                peg + V3{0.5 * clampd(2 * w - 1, 0, 1) * outward, 1.75 * clampd(2 * w, 0, 1), clampd(w * 4 / 3, 0, 1)};
        }
        store(world_point(frame, peg), pose.feet[side]);
        pose.off_peg[side] = false;
    }

    if (r->dab_amount != 0 && c < 128) {
        const dReal *vel = dBodyGetLinearVel(frame);
        V3 forward = world_vector(frame, {0, 0, -1});
        double g = clampd(dot(V3{vel[0], vel[1], vel[2]}, forward) / 15, 0, 1);
        double lean = bike_lean_angle(r, FRAME);
        double e = clampd(std::fabs(lean) * 4 / M_PI, 0, 1);
        double reach = (1.25 * g - 0.25) * e * 2.5;
        V3 offset = reach * V3{forward.x, 0, forward.z};
        dBodyID torso = r->bodies[RIDER_TORSO];
        V3 hips[2] = {world_point(torso, v3(r->spec.hips[0])), world_point(torso, v3(r->spec.hips[1]))};
        V3 across = hips[1] - hips[0];
        for (int side = 0; side < 2; ++side) {
            bool dabs = side == 0 ? lean > -0.1 : lean < 0.1;
            if (!dabs)
                continue;
            V3 ground = hips[side] + (side == 0 ? e / 2 - 0.5 : 0.5 - e / 2) * across + offset;
            const Terrain &t = r->world->track->terrain;
            ground.y = (t.heights.empty() ? 0 : terrain_height(t, (float)ground.x, (float)ground.z)) + 0.125;
            double hold = side == 0 ? clampd((lean + 0.5) * 2.5, 0, 1) : clampd((0.5 - lean) * 2.5, 0, 1);
            double fraction = 1 - hold * (1 - r->dab_amount);
            V3 foot = v3(pose.feet[side]);
            store(foot + fraction * (ground - foot), pose.feet[side]);
            pose.off_peg[side] = true;
        }
    }

    if (c > 0) {
        double fraction = clampd(2.0 * c - 128, 1, 128) / 128;
        for (int side = 0; side < 2; ++side) {
            V3 foot = v3(pose.feet[side]);
            store(foot + fraction * (v3(r->limb_points[2 * side]) - foot), pose.feet[side]);
            pose.off_peg[side] = true;
        }
    }
    return pose;
}

LimbPose arm_pose(const Rider *r, const BodyFrame *torso)
{
    LimbPose pose;
    dBodyID fork = r->bodies[FORK_UPPER];
    const BikeSpec &s = r->spec;
    V3 shoulders[2], grips[2];
    for (int side = 0; side < 2; ++side) {
        shoulders[side] = torso_point(r, torso, v3(s.shoulders[side]));
        grips[side] = world_point(fork, v3(s.grips[side]));
    }
    double tilt = shoulders[1].y - shoulders[0].y;
    V3 between = grips[1] - grips[0];
    const float *left = s.shoulders[0], *right = s.shoulders[1];
    V3 poles[2] = {
        torso_point(r, torso, {left[0] - 0.5, left[1] - (1.5 * std::max(0.0, tilt) + 1), left[2] + 2.0}) - between,
        torso_point(
            r, torso,
            {right[0] + 0.5, right[1] - (1.5 * std::max(0.0, -tilt) + 0.125 * r->throttle + 0.9), right[2] + 2.0}) +
            between,
    };
    for (int side = 0; side < 2; ++side) {
        store(shoulders[side], pose.root[side]);
        store(grips[side], pose.end[side]);
        float pole[3];
        store(poles[side], pole);
        two_bone_solve(pose.root[side], pose.end[side], s.upper_arm, s.forearm, pole, pose.middle[side]);
    }
    return pose;
}

LimbPose leg_pose(const Rider *r, const BodyFrame *torso)
{
    LimbPose pose;
    const BikeSpec &s = r->spec;
    FootPose feet = foot_pose(r);
    for (int side = 0; side < 2; ++side) {
        const float *hip = s.hips[side];
        store(torso_point(r, torso, v3(hip)), pose.root[side]);
        std::copy(feet.feet[side], feet.feet[side] + 3, pose.end[side]);
        float pole[3];
        store(torso_point(r, torso, {hip[0] + (side == 0 ? -0.5 : 0.5), hip[1], hip[2] - 2.0}), pole);
        two_bone_solve(pose.root[side], pose.end[side], s.thigh, s.shin, pole, pose.middle[side]);
    }
    return pose;
}
