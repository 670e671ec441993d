// Creating, placing and destroying riders: bodies, masses and joints.
#include "physics/rider.h"

#include "physics/contact.h"
#include "physics/world.h"
#include "platform/fatal.h"
#include "platform/log.h"
#include "track/track.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{

void set_body_mass_box(Rider *r)
{
    const BikeSpec &s = r->spec;
    dMass m;
    dMassSetBoxTotal(&m, s.frame_mass + (1 - r->rider_mass_distribution) * s.rider_mass, s.frame_box[0], s.frame_box[1],
                     s.frame_box[2]);
    dBodySetMass(r->bodies[FRAME], &m);
    dMassSetSphereTotal(&m, r->rider_mass_distribution * s.rider_mass, 1);
    dBodySetMass(r->bodies[RIDER_TORSO], &m);
}

void wheel_mass(dBodyID body, const WheelBlock &w)
{
    dMass total, part;
    dMassSetSphereTotal(&total, w.hub_mass, w.hub_radius);
    for (int k = 0; k < 16; ++k) {
        double a = k * M_PI / 8;
        dMassSetSphereTotal(&part, w.tyre_mass / 16, w.tube_radius);
        dMassTranslate(&part, 0, w.ring_radius * std::cos(a), w.ring_radius * std::sin(a));
        dMassAdd(&total, &part);
    }
    dBodySetMass(body, &total);
}

void fork_mass(dBodyID body, const BikeSpec &s)
{
    double dy = s.fork_bottom[1] - s.steering_head[1], dz = s.fork_bottom[2] - s.steering_head[2];
    dMatrix3 R;
    dRFromAxisAndAngle(R, 1, 0, 0, std::atan(dz / dy));
    dMass total, part;
    dMassSetZero(&total);
    for (float x : {-s.fork_spacing / 2, s.fork_spacing / 2}) {
        dMassSetCylinderTotal(&part, s.fork_mass / 2, 2, s.fork_spacing / 8, s.fork_length / 3);
        dMassTranslate(&part, x, 0, 0);
        dMassRotate(&part, R);
        dMassAdd(&total, &part);
    }
    dBodySetMass(body, &total);
}

void swingarm_mass(dBodyID body, const BikeSpec &s)
{
    double dy = s.rear.axle[1] - s.swingarm_pivot[1], dz = s.rear.axle[2] - s.swingarm_pivot[2];
    double length = std::sqrt(dy * dy + dz * dz);
    dMatrix3 R;
    dRFromAxisAndAngle(R, 1, 0, 0, -std::atan(dy / dz));
    dMass total, part;
    dMassSetZero(&total);
    float w = s.frame_box[0];
    for (float x : {-w / 2, w / 2}) {
        dMassSetBoxTotal(&part, s.swingarm_side_mass, w / 4, w / 4, length);
        dMassTranslate(&part, x, 0, 0);
        dMassRotate(&part, R);
        dMassAdd(&total, &part);
    }
    dBodySetMass(body, &total);
}

const float *body_position(const BikeSpec &s, int body)
{
    switch (body) {
    case FRAME:
        return s.frame_position;
    case FRONT_WHEEL:
        return s.front.axle;
    case REAR_WHEEL:
        return s.rear.axle;
    case FORK_UPPER:
        return s.steering_head;
    case FORK_LOWER:
        return s.fork_bottom;
    case SWINGARM:
        return s.swingarm_position;
    default:
        return s.torso_position;
    }
}

void attach_mount(Rider *r)
{
    dJointID j = r->joints[RIDER_MOUNT];
    dJointAttach(j, r->bodies[RIDER_TORSO], r->bodies[FRAME]);
    const dReal *frame_rotation = dBodyGetRotation(r->bodies[FRAME]);
    // 50 ft ahead of the bike at torso height, in the frame's current pose.
    dVector3 ahead;
    dBodyGetRelPointPos(r->bodies[FRAME], 0, r->spec.torso_position[1] - r->spec.frame_position[1],
                        -50 - r->spec.frame_position[2], ahead);
    dJointSetHinge2Anchor(j, ahead[0], ahead[1], ahead[2]);
    dVector3 axis1 = {0, 1, 1}, axis2 = {1, 0, 0}, w1, w2;
    dMultiply0_331(w1, frame_rotation, axis1);
    dMultiply0_331(w2, frame_rotation, axis2);
    dJointSetHinge2Axes(j, w1, w2);
    dJointSetHinge2Param(j, dParamLoStop, 0);
    dJointSetHinge2Param(j, dParamHiStop, 0);
}

void create_joints(Rider *r)
{
    const BikeSpec &s = r->spec;
    dWorldID world = r->world->world;
    dBodyID *b = r->bodies;
    float steer_axis[3] = {s.steering_head[0] - s.fork_bottom[0], s.steering_head[1] - s.fork_bottom[1],
                           s.steering_head[2] - s.fork_bottom[2]};
    dJointID j;

    j = r->joints[FRONT_AXLE] = dJointCreateHinge(world, nullptr);
    dJointAttach(j, b[FORK_LOWER], b[FRONT_WHEEL]);
    dJointSetHingeAnchor(j, s.front.axle[0], s.front.axle[1], s.front.axle[2]);
    dJointSetHingeAxis(j, 1, 0, 0);

    j = r->joints[REAR_AXLE] = dJointCreateHinge(world, nullptr);
    dJointAttach(j, b[SWINGARM], b[REAR_WHEEL]);
    dJointSetHingeAnchor(j, s.rear.axle[0], s.rear.axle[1], s.rear.axle[2]);
    dJointSetHingeAxis(j, 1, 0, 0);

    j = r->joints[STEERING_HEAD] = dJointCreateHinge(world, nullptr);
    dJointAttach(j, b[FORK_UPPER], b[FRAME]);
    dJointSetHingeAnchor(j, s.steering_head[0], s.steering_head[1], s.steering_head[2]);
    dJointSetHingeAxis(j, steer_axis[0], steer_axis[1], steer_axis[2]);
    dJointSetHingeParam(j, dParamLoStop, -M_PI / 4);
    dJointSetHingeParam(j, dParamHiStop, M_PI / 4);

    j = r->joints[FORK_SLIDE] = dJointCreateSlider(world, nullptr);
    dJointAttach(j, b[FORK_UPPER], b[FORK_LOWER]);
    dJointSetSliderAxis(j, steer_axis[0], steer_axis[1], steer_axis[2]);
    dJointSetSliderParam(j, dParamBounce, 0);
    dJointSetSliderParam(j, dParamLoStop, -s.fork_travel);
    dJointSetSliderParam(j, dParamHiStop, 0);

    j = r->joints[SWINGARM_PIVOT] = dJointCreateHinge(world, nullptr);
    dJointAttach(j, b[SWINGARM], b[FRAME]);
    dJointSetHingeAnchor(j, s.swingarm_pivot[0], s.swingarm_pivot[1], s.swingarm_pivot[2]);
    dJointSetHingeAxis(j, 1, 0, 0);
    dJointSetHingeParam(j, dParamBounce, 0);
    dJointSetHingeParam(j, dParamLoStop, -s.swingarm_travel);
    dJointSetHingeParam(j, dParamHiStop, 0);

    r->joints[RIDER_MOUNT] = dJointCreateHinge2(world, nullptr);
    attach_mount(r);

    for (int k = 0; k < RIDER_JOINTS; ++k)
        dJointSetFeedback(r->joints[k], &r->joint_feedback[k]);
}

} // namespace

void rider_set_mass_distribution(Rider *r, float d)
{
    r->rider_mass_distribution = d;
    set_body_mass_box(r);
}

Rider *rider_create(PhysicsWorld *world, const RiderOutfit &o, int slot)
{
    return rider_create(world, o.bike.c_str(), slot, o.number.c_str(), o.body_texture.c_str(), o.head_texture.c_str(),
                        o.bike_texture.c_str(), o.wheel_texture.c_str());
}

Rider *rider_create(PhysicsWorld *world, const char *bike, int slot, const char *number, const char *body_texture,
                    const char *head_texture, const char *bike_texture, const char *wheel_texture)
{
    // Riders are told apart by serial: a new rider may reuse an old one's memory.
    static std::atomic<int> serials{0};
    const BikeSpec *spec = bike_or_substitute(bike);
    if (strcmp(spec->name, bike) != 0)
        zeph_log("bike info for '%.20s' not found using '%.20s' instead\n", bike, spec->name);
    Rider *r = new (std::nothrow) Rider();
    if (!r)
        out_of_memory();
    r->world = world;
    r->serial = ++serials;
    r->spec = *spec;
    const BikeSpec &s = r->spec;

    static const int shape_files[RIDER_SHAPES] = {PART_FRAME_SHAPE,    PART_FORK_UPPER_SHAPE,  PART_FORK_LOWER_SHAPE,
                                                  PART_SWINGARM_SHAPE, PART_FRONT_WHEEL_SHAPE, PART_REAR_WHEEL_SHAPE,
                                                  PART_RIDER_SHAPE};
    for (int k = 0; k < RIDER_SHAPES; ++k) {
        const SphereShape *master = shape_load(s.part_files[shape_files[k]]);
        r->has_shape[k] = master != nullptr;
        if (master)
            r->shapes[k] = shape_copy(master);
    }
    snprintf(r->number, sizeof r->number, "%.7s", number ? number : "");
    const char *skins[RIDER_TEXTURES] = {body_texture, head_texture, bike_texture, wheel_texture};
    for (int k = 0; k < RIDER_TEXTURES; ++k)
        r->skins[k] = skins[k] ? skins[k] : "";
    r->engine_inertia = s.engine_inertia;
    r->rider_mass_distribution = 1.0f / 3;

    for (int k = 0; k < RIDER_BODIES; ++k) {
        r->bodies[k] = dBodyCreate(world->world);
        const float *p = body_position(s, k);
        dBodySetPosition(r->bodies[k], p[0], p[1], p[2]);
    }
    dBodySetFiniteRotationMode(r->bodies[FRONT_WHEEL], 1);
    dBodySetFiniteRotationMode(r->bodies[REAR_WHEEL], 1);
    set_body_mass_box(r);
    wheel_mass(r->bodies[FRONT_WHEEL], s.front);
    wheel_mass(r->bodies[REAR_WHEEL], s.rear);
    fork_mass(r->bodies[FORK_UPPER], s);
    fork_mass(r->bodies[FORK_LOWER], s);
    swingarm_mass(r->bodies[SWINGARM], s);
    create_joints(r);

    for (WheelContact *c : {&r->front_contact, &r->rear_contact}) {
        const WheelBlock &w = c == &r->front_contact ? s.front : s.rear;
        c->body = r->bodies[c == &r->front_contact ? FRONT_WHEEL : REAR_WHEEL];
        c->axle[0] = 1;
        c->ring_radius = w.ring_radius;
        c->tube_radius = w.tube_radius;
    }

    // Setup defaults, before any of the player's bike setup is applied.
    r->fork_compression_damping = s.fork_compression_damping;
    r->fork_rebound_damping = s.fork_rebound_damping;
    r->fork_spring_rate = (s.fork_spring_rate[0] + s.fork_spring_rate[1]) / 2;
    r->fork_preload = (s.fork_preload[0] + s.fork_preload[1]) / 2;
    r->fork_air_gap = s.fork_air_gap[0];
    r->shock_compression_damping = s.shock_compression_damping;
    r->shock_rebound_damping = s.shock_rebound_damping;
    r->shock_spring_rate = (s.shock_spring_rate[0] + s.shock_spring_rate[1]) / 2;
    r->shock_preload = (s.shock_preload[0] + s.shock_preload[1]) / 2;
    r->final_drive_ratio = std::max(s.rear_sprocket, 3.0f) / std::max(s.front_sprocket, 3.0f);
    r->rider_vertical_spring = r->rider_vertical_damping = 0.5f;
    r->rider_forward_spring = r->rider_forward_damping = 0.5f;
    r->roll_damping = 60;
    r->leveling = 20;
    r->roll_limit_angle = (float)M_PI / 4;
    r->roll_limit_factor = 10;
    r->steering_damping = 45;
    r->steering_strength = 75;
    r->max_steering_force = 400;
    r->direct_steering = 1;
    r->slow_damping_speed = 0;
    r->slow_damping_factor = 1;
    r->land_damping_falloff = 0.25f;
    r->land_damping_factor = 2;
    r->auto_clutch_speed = 5000;
    r->front_brake_torque = r->rear_brake_torque = 250;
    r->max_dab_speed = 30;
    r->flags = RIDER_KEEP_DIRECT_STEERING | RIDER_FRONT_ANTILOCK | RIDER_STOPPIE_CONTROL;

    r->total_mass = 0;
    for (dBodyID body : r->bodies) {
        dMass m;
        dBodyGetMass(body, &m);
        r->total_mass += (float)m.mass;
    }
    rider_reset(r);
    r->slot = slot;
    return r;
}

void rider_destroy(Rider *r)
{
    if (!r)
        return;
    for (dJointID j : r->joints)
        if (j)
            dJointDestroy(j);
    for (dBodyID b : r->bodies)
        if (b)
            dBodyDestroy(b);
    delete r;
}

void rider_reset(Rider *r)
{
    const BikeSpec &s = r->spec;
    dMatrix3 identity;
    dRSetIdentity(identity);
    for (int k = 0; k < RIDER_BODIES; ++k) {
        const float *p = body_position(s, k);
        dBodySetPosition(r->bodies[k], p[0], p[1], p[2]);
        dBodySetRotation(r->bodies[k], identity);
        dBodySetLinearVel(r->bodies[k], 0, 0, 0);
        dBodySetAngularVel(r->bodies[k], 0, 0, 0);
    }
    r->has_course_aim = false;
    r->stop_state = 0;
    r->gear = 0;
    r->last_shift = 0;
    r->throttle = r->clutch = r->front_brake = r->rear_brake = r->steer = 0;
    r->sit_dab = r->dab_amount = r->back_up = r->lean = 0;
    r->drive_angle = r->engine_speed = 0;
    r->bump_timer = r->crash_timer = 0;
    memset(r->torso_velocity_ring, 0, sizeof r->torso_velocity_ring);
    memset(r->joint_feedback, 0, sizeof r->joint_feedback);
    r->last_rider_contact_tick = -1;
    memset(r->picked_lines, 0, sizeof r->picked_lines);
    r->land_damping_multiplier = 1;
    r->ticks = 0;
    attach_mount(r);
    for (int k = 0; k < RIDER_BODIES; ++k) {
        const dReal *p = dBodyGetPosition(r->bodies[k]);
        for (int i = 0; i < 3; ++i)
            r->saved_positions[k][i] = (float)p[i];
    }
}

void rider_rotate(Rider *r, float x, float y, float z, float angle)
{
    dMatrix3 R;
    dRFromAxisAndAngle(R, x, y, z, angle);
    for (dBodyID b : r->bodies) {
        const dReal *p = dBodyGetPosition(b);
        dVector3 q;
        dMultiply0_331(q, R, p);
        dBodySetRotation(b, R);
        dBodySetPosition(b, q[0], q[1], q[2]);
    }
}

void rider_translate(Rider *r, float dx, float dy, float dz)
{
    for (dBodyID b : r->bodies) {
        const dReal *p = dBodyGetPosition(b);
        dBodySetPosition(b, p[0] + dx, p[1] + dy, p[2] + dz);
    }
}

void rider_disable(Rider *r)
{
    for (dBodyID b : r->bodies)
        dBodyDisable(b);
}

void rider_enable(Rider *r)
{
    for (dBodyID b : r->bodies)
        dBodyEnable(b);
}

void rider_save_velocities(Rider *r)
{
    for (int k = 0; k < RIDER_BODIES; ++k) {
        const dReal *v = dBodyGetLinearVel(r->bodies[k]), *w = dBodyGetAngularVel(r->bodies[k]);
        for (int i = 0; i < 3; ++i) {
            r->saved_velocities[k][i] = v[i];
            r->saved_velocities[RIDER_BODIES + k][i] = w[i];
        }
    }
}

void rider_restore_velocities(Rider *r)
{
    for (int k = 0; k < RIDER_BODIES; ++k) {
        const double *v = r->saved_velocities[k], *w = r->saved_velocities[RIDER_BODIES + k];
        dBodySetLinearVel(r->bodies[k], v[0], v[1], v[2]);
        dBodySetAngularVel(r->bodies[k], w[0], w[1], w[2]);
    }
}

void rider_remount(Rider *r)
{
    attach_mount(r);
}

float rider_place(Rider *r, float x, float z, float heading)
{
    const Terrain &t = r->world->track->terrain;
    return rider_place_at(r, x, t.heights.empty() ? 0 : terrain_height(t, x, z), z, heading);
}

float rider_place_at(Rider *r, float x, float ground, float z, float heading)
{
    float raised = 0;
    // 400 steps is 100 ft: far above anything a track holds.
    for (int tries = 0; tries < 400; ++tries) {
        rider_reset(r);
        rider_rotate(r, 0, 1, 0, heading);
        rider_translate(r, x, ground + raised, z);
        bool touching = rider_ground_contacts(r) != 0;
        physics_contacts_clear(r->world);
        if (!touching)
            return raised;
        raised += 0.25f;
    }
    return raised;
}
