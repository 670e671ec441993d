// The per-tick controller of a rider: torso springs, suspension forces,
// drivetrain and the cancellation of the joints' internal forces. Stages
// that steer, balance, dab and crash are the rider aids' and the crash
// handling's, and sit between these in the order listed in rider_step.
#include "physics/aids.h"
#include "physics/crash.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/tick_math.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace
{

const float dt = TICK_SECONDS_F;

// A one-step soft contact between torso (body 1) and frame along a
// direction, pushing the torso by `depth` with stiffness kp and damping kd.
void soft_push(Rider *r, const dReal *at, const dReal dir[3], float depth, float kp, float kd)
{
    dContact c = {};
    c.surface.mode = dContactSoftERP | dContactSoftCFM;
    float cfm = 1 / (kd + kp * dt);
    c.surface.soft_cfm = cfm;
    c.surface.soft_erp = kp * dt * cfm;
    float sign = depth >= 0 ? 1.0f : -1.0f;
    for (int i = 0; i < 3; ++i) {
        c.geom.pos[i] = at[i];
        c.geom.normal[i] = sign * dir[i];
    }
    c.geom.depth = std::fabs(depth);
    physics_contact(r->world, nullptr, c, r->bodies[RIDER_TORSO], r->bodies[FRAME]);
}

// Stage 5: the rider's upper body held over its place on the frame.
void torso_springs(Rider *r)
{
    const BikeSpec &s = r->spec;
    dBodyID frame = r->bodies[FRAME];
    const dReal *R = dBodyGetRotation(frame);
    const dReal yw[3] = {R[1], R[5], R[9]}, zw[3] = {R[2], R[6], R[10]};
    const dReal *p = dBodyGetPosition(r->bodies[RIDER_TORSO]);
    dVector3 q;
    dBodyGetRelPointPos(frame, s.torso_position[0] - s.frame_position[0], s.torso_position[1] - s.frame_position[1],
                        s.torso_position[2] - s.frame_position[2], q);
    dReal d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    float v = (float)(d[0] * yw[0] + d[1] * yw[1] + d[2] * yw[2]);
    float h = (float)(d[0] * zw[0] + d[1] * zw[1] + d[2] * zw[2]);

    float target = clampf(v * (0.5f + 0.5f * r->sit_dab) - r->lean, -0.75f, 0.75f);
    float m = h - target;
    float kp = 600 * r->rider_forward_spring + 100 * std::fabs(m), kd = 0;
    if (h < -0.75f || h > 0.75f)
        kp = kd = 2500;
    if (kp > 0)
        soft_push(r, p, zw, m, kp, kd);

    float depth = v + 0.125f - 0.5f * r->sit_dab;
    kp = 400 * r->rider_vertical_spring;
    kd = 100 * r->rider_vertical_damping;
    if (v > 0.5f || v < -0.75f)
        kp = kd = 2500;
    if (kp + kd > 0)
        soft_push(r, p, yw, depth, kp, kd);

    // The mount keeps the body in the frame's upright plane, but through a
    // 50 ft arm the solver lets it drift sideways under hard cornering (feet
    // off the bike, the body dragging on a berm); while mounted, a stiff
    // push takes any sideways drift back out.
    const dReal xw[3] = {R[0], R[4], R[8]};
    float side = (float)(d[0] * xw[0] + d[1] * xw[1] + d[2] * xw[2]);
    if (dJointGetBody(r->joints[RIDER_MOUNT], 0) && std::fabs(side) > 0.01f)
        soft_push(r, p, xw, side, 2500, 250);

    dJointSetHinge2Param(r->joints[RIDER_MOUNT], dParamSuspensionERP, 0);
    dJointSetHinge2Param(r->joints[RIDER_MOUNT], dParamSuspensionCFM, 1 / (30 * r->rider_forward_damping + 5));
}

// Stage 10: what the joints pushed on the bodies last step, summed about the
// frame and taken off the frame again.
void cancel_internal_forces(Rider *r)
{
    dVector3 force = {0, 0, 0}, torque = {0, 0, 0};
    const dReal *origin = dBodyGetPosition(r->bodies[FRAME]);
    for (int k = 0; k < RIDER_JOINTS; ++k) {
        dBodyID b1 = dJointGetBody(r->joints[k], 0), b2 = dJointGetBody(r->joints[k], 1);
        if (!b1 || !b2)
            return;
        const dJointFeedback &f = r->joint_feedback[k];
        for (auto [body, fv, tv] : {std::tuple{b1, f.f1, f.t1}, std::tuple{b2, f.f2, f.t2}}) {
            const dReal *p = dBodyGetPosition(body);
            dReal arm[3] = {p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
            for (int i = 0; i < 3; ++i)
                force[i] += fv[i];
            torque[0] += tv[0] + arm[1] * fv[2] - arm[2] * fv[1];
            torque[1] += tv[1] + arm[2] * fv[0] - arm[0] * fv[2];
            torque[2] += tv[2] + arm[0] * fv[1] - arm[1] * fv[0];
        }
    }
    dBodyAddForce(r->bodies[FRAME], -force[0], -force[1], -force[2]);
    dBodyAddTorque(r->bodies[FRAME], -torque[0], -torque[1], -torque[2]);
}

} // namespace

float fork_force(const Rider *r, float x, float u)
{
    float travel = r->spec.fork_travel, gap = r->fork_air_gap;
    float damping = u >= 0 ? u * r->fork_rebound_damping : u * r->fork_compression_damping;
    float s = clampf(-x, 0, travel);
    float air = 82.46169f * ((travel + gap) / (travel + gap - s) - 1);
    return (r->fork_spring_rate * (r->fork_preload - x) - damping + air) * clampf(-x * 32 / travel, 0, 1);
}

float shock_torque(const Rider *r, float theta, float omega)
{
    float travel = r->spec.swingarm_travel;
    float r0 = r->spec.shock_linkage[0], r1 = r->spec.shock_linkage[1];
    float f = -theta / travel;
    float w = (r1 - r0) * f / travel;
    float leverage = r0 + w;
    float stroke = r0 * f + 0.5f * f * w;
    float e = omega >= 0 ? -omega * r->shock_rebound_damping : -omega * r->shock_compression_damping;
    return (leverage * r->shock_spring_rate * (stroke + r->shock_preload) + leverage * leverage * e) *
           clampf(-theta * 32 / travel, 0, 1);
}

void rider_step(Rider *r, bool simulated, int tick)
{
    if (!simulated) {
        for (dBodyID b : r->bodies) {
            dBodySetForce(b, 0, 0, 0);
            dBodySetTorque(b, 0, 0, 0);
        }
        return;
    }
    // 1. The bump timer moves one step toward 0.
    if (r->bump_timer >= -1 && r->bump_timer <= 1)
        r->bump_timer = 0;
    else
        r->bump_timer += r->bump_timer > 0 ? -1 : 1;
    // 2. Crash detection, then 3. crash handling.
    crash_detection(r, tick);
    crash_handling(r);
    // 4. Back up, or dab when stopped (may override inputs for this tick).
    float sit_dab = r->sit_dab, front_brake = r->front_brake, rear_brake = r->rear_brake;
    back_up_or_dab(r, tick);
    // 5. Torso springs and mount damping.
    torso_springs(r);
    // 6. Fork force, then shock torque, as joint motors.
    dJointID fork = r->joints[FORK_SLIDE];
    float f = fork_force(r, (float)dJointGetSliderPosition(fork), (float)dJointGetSliderPositionRate(fork));
    dJointSetSliderParam(fork, dParamVel, f >= 0 ? 1000 : -1000);
    dJointSetSliderParam(fork, dParamFMax, std::fabs(f));
    dJointID pivot = r->joints[SWINGARM_PIVOT];
    float t = shock_torque(r, (float)dJointGetHingeAngle(pivot), (float)dJointGetHingeAngleRate(pivot));
    dJointSetHingeParam(pivot, dParamVel, t >= 0 ? 1000 : -1000);
    dJointSetHingeParam(pivot, dParamFMax, std::fabs(t));
    // 7. Steering torque.
    steering_step(r);
    // 8. Engine, clutch and brakes.
    engine_step(r, tick);
    // 9. Steering damping.
    steering_damping_step(r);
    // 10. Internal-force cancellation, from the second tick on and not while crashed.
    if (r->ticks >= 1 && r->crash_timer <= 0)
        cancel_internal_forces(r);
    // 11. Dab balance.
    dab_balance(r);
    // 12. Inputs that stage 4 may override for one tick come back.
    r->sit_dab = sit_dab;
    r->front_brake = front_brake;
    r->rear_brake = rear_brake;
    // 13. Ejected-limb motion; the dab amount falls.
    ejected_limbs(r);
    r->dab_amount = std::max(0.0f, r->dab_amount - 4 * dt);
    // 14. The torso velocity ring.
    const dReal *v = dBodyGetLinearVel(r->bodies[RIDER_TORSO]);
    for (int i = 0; i < 3; ++i)
        r->torso_velocity_ring[tick & 3][i] = (float)v[i];
    ++r->ticks;
}
