// The drivetrain step.
#include "physics/engine.h"
#include "platform/tick_math.h"

#include "physics/rider.h"

#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;
const float rad_to_rpm = 9.549296585513721f;

float overall_ratio(const Rider *r)
{
    return r->spec.gear_ratios[r->gear] * r->spec.primary_reduction * r->final_drive_ratio;
}

bool touches(const WheelContact &c)
{
    return c.depth > 0;
}

float speed_squared(const float v[3])
{
    return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
}

float wrap(float a)
{
    while (a > (float)M_PI)
        a -= 2 * (float)M_PI;
    while (a < -(float)M_PI)
        a += 2 * (float)M_PI;
    return a;
}

} // namespace

float engine_rpm(const Rider *r)
{
    return r->engine_speed * rad_to_rpm;
}

float engine_torque(const Rider *r)
{
    int i = (int)(engine_rpm(r) * 0.002f + 0.5f);
    i = i < 0 ? 0 : i > TORQUE_POINTS - 1 ? TORQUE_POINTS - 1 : i;
    const BikeSpec &s = r->spec;
    float te = s.closed_torque[i] + (s.full_torque[i] - s.closed_torque[i]) * r->throttle;
    if (r->flags & RIDER_WHEELIE_CONTROL) {
        const dReal *w = dBodyGetAngularVel(r->bodies[FRAME]);
        dVector3 local;
        dBodyVectorFromWorld(r->bodies[FRAME], w[0], w[1], w[2], local);
        if (!touches(r->front_contact) && touches(r->rear_contact) && local[0] > -0.03125)
            te = te < 0 ? te : 0;
    }
    return te;
}

void select_gear(Rider *r, int request)
{
    int gear = r->gear + request;
    gear = gear < 0 ? 0 : gear > GEARS - 1 ? GEARS - 1 : gear;
    while (gear > 0 && r->spec.gear_ratios[gear] <= 0)
        --gear;
    r->gear = gear;
}

void shift(Rider *r, int direction)
{
    if (r->crash_timer > 0 || direction == r->last_shift || direction < -1 || direction > 1)
        return;
    r->last_shift = direction;
    select_gear(r, direction);
}

float clutch_engagement(const Rider *r, float tau)
{
    // Engine braking is not held back by the automatic clutch.
    if (tau < 0)
        return r->clutch;
    float rpm = engine_rpm(r);
    if (rpm > r->auto_clutch_speed + 2000)
        return r->clutch;
    float automatic = (rpm - r->auto_clutch_speed) / 2000;
    automatic = automatic < 0 ? 0 : automatic > 1 ? 1 : automatic;
    return automatic < r->clutch ? automatic : r->clutch;
}

void engine_step(Rider *r, int tick)
{
    const BikeSpec &s = r->spec;
    dJointID axle = r->joints[REAR_AXLE];
    float n = overall_ratio(r);
    float wheel_rate = (float)dJointGetHingeAngleRate(axle);

    if ((r->flags & RIDER_AUTO_SHIFT) && dJointGetHingeAngle(r->joints[SWINGARM_PIVOT]) < -0.01 && tick % 32 == 0 &&
        !(touches(r->rear_contact) && speed_squared(r->rear_contact.velocity) > 4)) {
        float wheel_rpm = wheel_rate * n * rad_to_rpm;
        if (wheel_rpm < s.auto_shift_down)
            select_gear(r, -1);
        else if (wheel_rpm > s.auto_shift_up)
            select_gear(r, +1);
        n = overall_ratio(r);
    }

    float te = engine_torque(r);
    float axle_angle = (float)dJointGetHingeAngle(axle);
    float g = wrap(r->drive_angle - axle_angle);
    float tau = 7500 * g + 0.75f * (r->engine_speed - wheel_rate * n);
    float e = clutch_engagement(r, tau);
    float limit = e * 0.7853982f;
    if (g > limit)
        r->drive_angle = axle_angle + limit;
    else if (g < -limit)
        r->drive_angle = axle_angle - limit;
    float tw = tau * e * e;
    dBodyAddRelTorque(r->bodies[REAR_WHEEL], -tw, 0, 0);
    dBodyAddRelTorque(r->bodies[FRAME], tw, 0, 0);
    r->engine_speed += dt * (te - tw / n) / r->engine_inertia;
    r->drive_angle = wrap(r->drive_angle + dt * r->engine_speed / n);

    float front = r->front_brake_torque * r->front_brake;
    if ((r->flags & RIDER_FRONT_ANTILOCK) && touches(r->front_contact) && speed_squared(r->front_contact.velocity) > 4)
        front = 0;
    if ((r->flags & RIDER_STOPPIE_CONTROL) && touches(r->front_contact) && !touches(r->rear_contact))
        front = 0;
    float rear = r->rear_brake_torque * r->rear_brake;
    if ((r->flags & RIDER_REAR_ANTILOCK) && touches(r->rear_contact) && speed_squared(r->rear_contact.velocity) > 4)
        rear = 0;
    dJointSetHingeParam(r->joints[FRONT_AXLE], dParamVel, 0);
    dJointSetHingeParam(r->joints[FRONT_AXLE], dParamFMax, front);
    dJointSetHingeParam(axle, dParamVel, 0);
    dJointSetHingeParam(axle, dParamFMax, rear);
}
