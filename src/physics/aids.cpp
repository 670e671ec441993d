// Rider inputs, bike setup and the stability aids.
#include "physics/aids.h"
#include "platform/tick_math.h"

#include "physics/contact.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;

bool touches(const WheelContact &c)
{
    return c.depth > 0;
}

// Adds a torque about the steering axis to the front wheel and its opposite
// to the frame.
void apply_steering_torque(Rider *r, float torque)
{
    const BikeSpec &s = r->spec;
    float a[3] = {s.steering_head[0] - s.fork_bottom[0], s.steering_head[1] - s.fork_bottom[1],
                  s.steering_head[2] - s.fork_bottom[2]};
    float len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    dVector3 w;
    dBodyVectorToWorld(r->bodies[FRAME], a[0] / len, a[1] / len, a[2] / len, w);
    dBodyAddTorque(r->bodies[FRONT_WHEEL], torque * w[0], torque * w[1], torque * w[2]);
    dBodyAddTorque(r->bodies[FRAME], -torque * w[0], -torque * w[1], -torque * w[2]);
}

// A one-step angular motor on the frame alone about a world axis.
void frame_motor(Rider *r, const dReal axis[3], float velocity, float max_torque)
{
    dJointID m = dJointCreateAMotor(r->world->world, r->world->contacts);
    dJointAttach(m, r->bodies[FRAME], nullptr);
    dJointSetAMotorNumAxes(m, 1);
    dJointSetAMotorAxis(m, 0, 0, axis[0], axis[1], axis[2]);
    dJointSetAMotorParam(m, dParamVel, velocity);
    dJointSetAMotorParam(m, dParamFMax, max_torque);
}

// Pulls the frame's horizontal velocity toward a target with a force up to
// `strength`.
void horizontal_drive(Rider *r, const float target[3], float strength)
{
    const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
    float d[3] = {(float)v[0] - target[0], (float)v[1] - target[1], (float)v[2] - target[2]};
    float len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    if (len2 < 1.0f / 16)
        return;
    float len = std::sqrt(len2);
    float f = -clampf((len - 0.25f) * 0.8f, 0, 1) * strength / len;
    dBodyAddForce(r->bodies[FRAME], f * d[0], 0, f * d[2]);
}

} // namespace

float frame_speed(const Rider *r)
{
    const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

float roll_rate(const Rider *r)
{
    const dReal *w = dBodyGetAngularVel(r->bodies[FRAME]);
    dVector3 local;
    dBodyVectorFromWorld(r->bodies[FRAME], w[0], w[1], w[2], local);
    return (float)local[2];
}

void set_throttle(Rider *r, float v)
{
    r->throttle = r->crash_timer > 0 ? 0 : clampf(v, 0, 1);
}
void set_clutch(Rider *r, float v)
{
    r->clutch = clampf(v, 0, 1);
}
void set_front_brake(Rider *r, float v)
{
    r->front_brake = clampf(v, 0, 1);
}
void set_rear_brake(Rider *r, float v)
{
    r->rear_brake = clampf(v, 0, 1);
}
void set_steer(Rider *r, float v)
{
    r->steer = clampf(v, -1, 1);
}
void set_sit_dab(Rider *r, float v)
{
    r->sit_dab = r->crash_timer > 0 ? 0 : clampf(v, 0, 1);
}
void set_back_up(Rider *r, float v)
{
    r->back_up = r->crash_timer > 0 ? 0 : clampf(v, 0, 1);
}
void set_lean(Rider *r, float v)
{
    r->lean = r->crash_timer > 0 ? 0 : clampf(v, -1, 1);
}

RiderInput rider_current_input(const Rider &r)
{
    RiderInput in;
    in.throttle = r.throttle;
    in.clutch = r.clutch;
    in.front_brake = r.front_brake;
    in.rear_brake = r.rear_brake;
    in.steer = r.steer;
    in.sit_dab = r.sit_dab;
    in.back_up = r.back_up;
    in.lean = r.lean;
    in.shift = 0;
    in.flags = r.flags;
    return in;
}

void rider_apply_input(Rider *r, const RiderInput &in)
{
    if (in.flags >= 0)
        r->flags = (uint8_t)in.flags;
    set_steer(r, in.steer);
    set_front_brake(r, in.front_brake);
    set_rear_brake(r, in.rear_brake);
    set_throttle(r, in.throttle);
    set_sit_dab(r, in.sit_dab);
    set_back_up(r, in.back_up);
    set_lean(r, in.lean);
    set_clutch(r, in.clutch);
    // Shifting takes a change of the lever: 0 releases it.
    shift(r, in.shift);
}

void apply_bike_setup(Rider *r, const BikeSetup &b)
{
    const BikeSpec &s = r->spec;
    r->leveling = clampf(b.leveling, 0, 200);
    r->roll_damping = clampf(b.roll_damping, 0, 200);
    r->roll_limit_angle = clampf(b.roll_limit_angle * 0.017453292519943295f, 0, pi);
    r->roll_limit_factor = clampf(b.roll_limit_factor, 0, 64);
    r->steering_damping = clampf(b.steering_damping, 0, 100);
    r->steering_strength = clampf(b.steering_strength, 0, 200);
    r->max_steering_force = clampf(b.max_steering_force, 0, 1000);
    auto flag = [&](int bit, bool on) { r->flags = (uint8_t)(on ? r->flags | bit : r->flags & ~bit); };
    flag(RIDER_ARCADE, b.arcade && b.arcade_allowed);
    flag(RIDER_FRONT_ANTILOCK, b.front_antilock);
    flag(RIDER_REAR_ANTILOCK, b.rear_antilock);
    flag(RIDER_WHEELIE_CONTROL, b.stop_wheelies == 1);
    flag(RIDER_STOPPIE_CONTROL, b.stop_wheelies == 1 || b.stop_wheelies == 2);
    flag(RIDER_AUTO_SHIFT, b.auto_shift);
    flag(RIDER_AUTO_DAB, b.auto_dab);
    r->direct_steering = clampf(b.direct_steering, 0, 1);
    r->slow_damping_speed = clampf(b.slow_damping_speed, 0, 100);
    r->slow_damping_factor = clampf(b.slow_damping_factor, 1, 10);
    r->land_damping_falloff = clampf(b.land_damping_falloff, 0, 1);
    r->land_damping_factor = clampf(b.land_damping_factor, 1, 3);
    r->auto_clutch_speed = clampf(b.auto_clutch_rpms, 0, 5000);
    r->front_brake_torque = clampf(b.brake_torque, 0, 500);
    r->rear_brake_torque = clampf(b.rear_brake_torque, 0, 500);
    r->max_dab_speed = clampf(b.max_dab_mph * 1.46666666666666656f, 16, 30);
    r->final_drive_ratio =
        std::max(s.rear_sprocket + b.rear_sprocket, 3.0f) / std::max(s.front_sprocket + b.front_sprocket, 3.0f);
    auto scaled = [](float base, float v) { return base * clampf(v * 0.01f + 0.5f, 0, 2); };
    auto ranged = [](const float range[2], float v) {
        return range[0] + clampf(v * 0.01f, 0, 1) * (range[1] - range[0]);
    };
    r->fork_compression_damping = scaled(s.fork_compression_damping, b.fork_compression);
    r->fork_rebound_damping = scaled(s.fork_rebound_damping, b.fork_rebound);
    r->fork_spring_rate = ranged(s.fork_spring_rate, b.fork_spring_rate);
    r->fork_preload = ranged(s.fork_preload, b.fork_preload);
    r->fork_air_gap = ranged(s.fork_air_gap, b.fork_oil_level);
    r->shock_compression_damping = scaled(s.shock_compression_damping, b.shock_compression);
    r->shock_rebound_damping = scaled(s.shock_rebound_damping, b.shock_rebound);
    r->shock_spring_rate = ranged(s.shock_spring_rate, b.shock_spring_rate);
    r->shock_preload = ranged(s.shock_preload, b.shock_preload);
    r->rider_vertical_spring = clampf(b.rider_yspring * 0.01f, 0, 1);
    r->rider_vertical_damping = clampf(b.rider_ydamping * 0.01f, 0, 1);
    r->rider_forward_spring = clampf(b.rider_zspring * 0.01f, 0, 1);
    r->rider_forward_damping = clampf(b.rider_zdamping * 0.01f, 0, 1);
    rider_set_mass_distribution(r, b.rider_mass_distribution);
}

float bike_lean_angle(const Rider *r, int body)
{
    const dReal *R = dBodyGetRotation(r->bodies[body]);
    double u[3] = {R[1], R[5], R[9]}, f[3] = {-R[2], -R[6], -R[10]};
    double o = (u[2] * f[0] - u[0] * f[2]) / std::sqrt(f[0] * f[0] + f[2] * f[2]);
    o = o < -1 ? -1 : o > 1 ? 1 : o;
    return (float)(std::acos(o) - M_PI / 2);
}

float front_drift_angle(const Rider *r)
{
    const BikeSpec &s = r->spec;
    const dReal *v = dBodyGetLinearVel(r->bodies[FRONT_WHEEL]);
    dVector3 local;
    dBodyVectorFromWorld(r->bodies[FORK_UPPER], v[0], v[1], v[2], local);
    float a[3] = {s.steering_head[0] - s.fork_bottom[0], s.steering_head[1] - s.fork_bottom[1],
                  s.steering_head[2] - s.fork_bottom[2]};
    float len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    float x = (float)local[0], y = (float)(local[1] * (-a[2] / len) + local[2] * (a[1] / len));
    if (x * x + y * y <= 1)
        return 0;
    return -std::atan2(x, -y);
}

float steer_toward(const Rider *r, float target)
{
    float phi = (float)dJointGetHingeAngle(r->joints[STEERING_HEAD]);
    float rate = (float)dJointGetHingeAngleRate(r->joints[STEERING_HEAD]);
    float c = target - phi, d;
    const float band = 1.0f / 32;
    if (c < -0.25f) {
        d = -1.75f - rate;
    } else {
        c = std::min(c, 0.25f);
        if (c >= band)
            d = (c - band) * 8 - rate;
        else if (c <= -band)
            d = (c + band) * 8 - rate;
        else
            d = -rate;
    }
    const float dead = 0.000416667f;
    float o = std::fabs(d) > dead ? 0.5f * (d - (d > 0 ? dead : -dead)) : 0;
    return clampf(o, -2.0f / 3, 2.0f / 3);
}

float allowed_lean(const Rider *r, float s, int power)
{
    float maxdab = r->max_dab_speed;
    if (s <= 0)
        return 0;
    if (s >= maxdab)
        return 2 * pi;
    if (s <= 15)
        return r->roll_limit_angle * (1 - std::pow(1 - s * s / (maxdab * maxdab), (float)power));
    return r->roll_limit_angle + clampf((s * s - 225) / (maxdab * maxdab - 225), 0, 1) * (2 * pi - r->roll_limit_angle);
}

void steering_step(Rider *r)
{
    float lean = bike_lean_angle(r, FRAME);
    if (r->flags & RIDER_ARCADE) {
        float target = -r->steer * pi / 4, delta = lean - target;
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        const dReal z_axis[3] = {R[2], R[6], R[10]};
        float speed =
            (1.5f - 0.5f * clampf((r->roll_damping - 40) * 0.025f, 0, 1)) * std::min(std::fabs(delta), 0.0625f) * 16;
        frame_motor(r, z_axis, delta > 0 ? -speed : delta < 0 ? speed : 0, 1000);
        float beta = front_drift_angle(r);
        apply_steering_torque(r, steer_toward(r, beta - 0.5f * r->steer) * r->steering_strength);
        dVector3 v;
        dBodyGetRelPointVel(r->bodies[FRAME], 0, 0, 20, v);
        dBodyAddForceAtRelPos(r->bodies[FRAME], -0.25 * v[0], -0.25 * v[1], -0.25 * v[2], 0, 0, 20);
        return;
    }
    if (r->crash_timer > 0)
        return;
    float p = r->steering_strength * r->steer * r->direct_steering, m;
    float front_rate = (float)dJointGetHingeAngleRate(r->joints[FRONT_AXLE]);
    if (touches(r->front_contact) && front_rate > pi / 4) {
        float omega = roll_rate(r);
        float roll = omega * r->roll_damping * r->land_damping_multiplier;
        if (r->land_damping_multiplier > 1) {
            r->land_damping_multiplier =
                r->land_damping_falloff > 0
                    ? std::max(1.0f,
                               r->land_damping_multiplier - (r->land_damping_factor - 1) * dt / r->land_damping_falloff)
                    : 1;
        }
        float level = lean * r->leveling;
        float speed = frame_speed(r);
        if (speed < r->slow_damping_speed) {
            float scale =
                r->slow_damping_factor + clampf(speed / r->slow_damping_speed, 0, 1) * (1 - r->slow_damping_factor);
            roll *= scale;
            level *= scale;
        }
        if (omega * lean > 0 && std::fabs(lean) > r->roll_limit_angle)
            roll *= (std::fabs(lean) - r->roll_limit_angle) * r->roll_limit_factor + 1;
        m = level + roll;
        if (r->direct_steering < 1) {
            float h = allowed_lean(r, speed, 4);
            float a = 2.5f * (-r->steer * h - lean);
            bool toward_upright = a * lean < 0;
            float limit = toward_upright ? 9.817477f : 3.926991f;
            a = clampf(a, -limit, limit);
            float e = clampf(a - omega, -0.125f, 0.125f);
            float c = clampf(4 * (omega - (a - e)), -1, 1);
            p = c * r->steering_strength + (p - c * r->steering_strength) * r->direct_steering;
        }
    } else {
        r->land_damping_multiplier = r->land_damping_factor;
        m = -50 * (float)dJointGetHingeAngle(r->joints[STEERING_HEAD]);
        if (!(r->flags & RIDER_KEEP_DIRECT_STEERING))
            p = 0;
    }
    int b = r->bump_timer;
    if (b > 192)
        m = -m * clampf((b - 192) / 64.0f, 0, 1);
    else if (b > 0) {
        float limit = 200 * clampf(1 - b / 192.0f, 0, 1);
        m = clampf(m, -limit, limit);
    }
    apply_steering_torque(r, clampf(1.5f * (m + p), -r->max_steering_force, r->max_steering_force));
}

void steering_damping_step(Rider *r)
{
    const dReal *w = dBodyGetAngularVel(r->bodies[FRONT_WHEEL]);
    dVector3 a;
    dBodyVectorToWorld(r->bodies[FRONT_WHEEL], 1, 0, 0, a);
    double spin = w[0] * a[0] + w[1] * a[1] + w[2] * a[2];
    double k = r->steering_damping;
    double t[3] = {k * (a[0] * spin - w[0]), k * (a[1] * spin - w[1]), k * (a[2] * spin - w[2])};
    dBodyAddTorque(r->bodies[FRONT_WHEEL], t[0], t[1], t[2]);
    dBodyAddTorque(r->bodies[FRAME], -t[0], -t[1], -t[2]);
}

void back_up_or_dab(Rider *r, int tick)
{
    float speed = frame_speed(r);
    if (r->back_up > 0 && speed < 5) {
        r->sit_dab = r->crash_timer > 0 ? 0 : 1;
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        float pulse = 2 * (1 + std::sin(0.049473900056532176f * (tick % 128)));
        float target[3] = {(float)R[2] * pulse, (float)R[6] * pulse, (float)R[10] * pulse};
        horizontal_drive(r, target, 2000);
        const dReal up[3] = {0, 1, 0};
        frame_motor(r, up, -r->steer * pi / 4, 2000);
        return;
    }
    if (!(r->flags & RIDER_AUTO_DAB) || speed > r->max_dab_speed)
        return;
    float lean = bike_lean_angle(r, FRAME);
    if (r->throttle != 0 && r->clutch != 0 && speed >= 5 && std::fabs(lean) <= pi / 16)
        return;
    r->sit_dab = r->crash_timer > 0 ? 0 : std::max(r->sit_dab, clampf(1 - speed / r->max_dab_speed, 0, 1));
    if (speed < 5 && (r->throttle == 0 || r->clutch == 0) && touches(r->front_contact) && touches(r->rear_contact)) {
        r->front_brake = r->rear_brake = 1;
        const float still[3] = {0, 0, 0};
        horizontal_drive(r, still, 1000);
    }
}

void dab_balance(Rider *r)
{
    if (r->crash_timer > 0) {
        r->dab_amount = std::min(1.0f, r->dab_amount + 8 * dt);
        return;
    }
    if (r->sit_dab == 0)
        return;
    if (!touches(r->front_contact)) {
        const dReal *p = dBodyGetPosition(r->bodies[RIDER_TORSO]);
        float centre[3] = {(float)p[0], (float)p[1], (float)p[2]};
        const Terrain &ground = r->world->track->terrain;
        if (ground.heights.empty() || sphere_contact(ground, centre, r->spec.torso_position[1] + 1).depth <= 0)
            return;
    }
    float speed = frame_speed(r);
    if (speed > r->max_dab_speed)
        return;
    float lean = bike_lean_angle(r, FRAME);
    bool both = touches(r->front_contact) && touches(r->rear_contact);
    if (!(speed <= 15 || (both && std::fabs(lean) >= 3 * pi / 16)))
        return;
    r->dab_amount = std::min(1.0f, r->dab_amount + 8 * dt);
    if (r->flags & RIDER_ARCADE)
        return;

    float aim[3];
    if (r->bump_timer <= 0 && speed < 5 && std::fabs(lean) > pi / 8 && std::fabs(lean) < 0.35f * pi &&
        r->has_course_aim && (r->flags & RIDER_AUTO_DAB) && r->back_up <= 0.125f) {
        std::copy(r->course_aim, r->course_aim + 3, aim);
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        float ux = (float)R[2], uz = (float)R[10];
        float ulen = std::sqrt(ux * ux + uz * uz);
        if (ulen > 1.0f / 32) {
            ux /= ulen;
            uz /= ulen;
            const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
            float dx = aim[0] - (float)p[0], dz = aim[2] - (float)p[2];
            float b = dx * ux + dz * uz, n = dx * uz - dz * ux;
            const dReal up[3] = {0, 1, 0};
            if (b >= 0 || -b / 4 <= std::fabs(n)) {
                frame_motor(r, up, n >= 0 ? -pi / 2 : pi / 2, r->total_mass * 320);
                for (const WheelContact *c : {&r->front_contact, &r->rear_contact})
                    if (c->depth > 0)
                        dBodyAddForce(c->body, 0, r->total_mass * 32, 0);
                return;
            }
            frame_motor(r, up, n >= 0 ? -pi / 2 : pi / 2, 4 * std::fabs(n) / std::fabs(b) * r->total_mass * 320);
        }
    }

    float omega = roll_rate(r);
    float e = lean >= 0 ? -pi / 8 : pi / 8;
    if (std::fabs(lean) < pi / 16)
        e *= std::fabs(lean) * 16 / pi;
    float f = (e > 0 && omega < e) ? -400 : (e < 0 && omega > e) ? 400 : 0;
    if (std::fabs(lean) < pi / 32)
        f *= std::fabs(lean) * 32 / pi;
    float allowed = allowed_lean(r, speed, 32);
    float against = e > 0 ? r->steer : -r->steer;
    float k = clampf(2 * (against - 0.5f), 0, 1);
    float j = clampf((std::fabs(lean) - 1.25f * allowed) / 0.25f, 0, 1);
    f *= j + k * (1 - j);
    if (f != 0) {
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        if (R[5] >= 0.707) {
            dVector3 at;
            dBodyGetRelPointPos(r->bodies[FRAME], 0, 4, 0, at);
            dBodyAddForceAtPos(r->bodies[FRAME], 0, std::fabs(f) / 8, 0, at[0], at[1], at[2]);
            dBodyAddRelForceAtRelPos(r->bodies[FRAME], f, 0, 0, 0, 4, 0);
        } else {
            dVector3 at;
            dBodyGetRelPointPos(r->bodies[FRAME], 0, 4, 0, at);
            dBodyAddForceAtPos(r->bodies[FRAME], 0, std::fabs(f), 0, at[0], at[1], at[2]);
        }
    }
}
