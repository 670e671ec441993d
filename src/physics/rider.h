// A simulated bike with its rider: seven rigid bodies and six joints in a
// physics world, its control inputs, engine and drivetrain state, bike
// setup and crash state. How it looks (models, textures) is the renderer's
// business; where it stands in a race is the race's.
#pragma once

#include "physics/catalogue.h"
#include "physics/world.h"
#include "track/shape.h"

#include <ode/ode.h>

#include <cstdint>
#include <string>

enum RiderBody { FRAME, FRONT_WHEEL, REAR_WHEEL, FORK_UPPER, FORK_LOWER, SWINGARM, RIDER_TORSO, RIDER_BODIES };
enum RiderJoint { FRONT_AXLE, REAR_AXLE, STEERING_HEAD, FORK_SLIDE, SWINGARM_PIVOT, RIDER_MOUNT, RIDER_JOINTS };
enum RiderShape {
    SHAPE_FRAME,
    SHAPE_FORK_UPPER,
    SHAPE_FORK_LOWER,
    SHAPE_SWINGARM,
    SHAPE_FRONT_WHEEL,
    SHAPE_REAR_WHEEL,
    SHAPE_RIDER,
    RIDER_SHAPES
};

// Rider::skins: the texture files the rider is drawn with.
enum RiderTexture { TEX_BODY, TEX_HEAD, TEX_BIKE, TEX_WHEELS, RIDER_TEXTURES };

// Flag bits of Rider::flags.
enum {
    RIDER_KEEP_DIRECT_STEERING = 1,
    RIDER_WHEELIE_CONTROL = 2,
    RIDER_STOPPIE_CONTROL = 4,
    RIDER_FRONT_ANTILOCK = 8,
    RIDER_REAR_ANTILOCK = 16,
    RIDER_AUTO_SHIFT = 32,
    RIDER_AUTO_DAB = 64,
    RIDER_ARCADE = 128,
};

// One wheel's contact with the ground this tick.
struct WheelContact {
    dBodyID body;
    float axle[3]; // in the wheel's frame: (1, 0, 0)
    float ring_radius, tube_radius;
    float point[3], velocity[3], normal[3];
    float depth; // 0 in the air
    dJointFeedback feedback;
};

// What a rider rides and wears: its bike, race number and skins (empty: the
// bike's own). The player's ride, a demo's and a remote player's riders and
// the robot roster all describe their riders with one.
struct RiderOutfit {
    std::string bike, number;
    std::string body_texture, head_texture, bike_texture, wheel_texture;
};

struct Rider {
    PhysicsWorld *world; // the world its bodies live in, and the track under it
    BikeSpec spec;
    dBodyID bodies[RIDER_BODIES];
    dJointID joints[RIDER_JOINTS];
    dJointFeedback joint_feedback[RIDER_JOINTS];
    WheelContact front_contact, rear_contact;
    ContactQueue contact_queue; // its ground and statue contacts while found on another thread

    float throttle, clutch, front_brake, rear_brake, steer, sit_dab, dab_amount, back_up, lean;
    int gear, last_shift;
    float drive_angle, engine_speed, engine_inertia, final_drive_ratio;

    float fork_compression_damping, fork_rebound_damping, fork_spring_rate, fork_preload, fork_air_gap;
    float shock_compression_damping, shock_rebound_damping, shock_spring_rate, shock_preload;
    float rider_vertical_spring, rider_vertical_damping, rider_forward_spring, rider_forward_damping;
    float rider_mass_distribution;

    // The robot personality it rides with (0: none).
    int personality;
    // Ids of the learnt lines a robot picked for its last four race sections
    // (by section mod 4; 0: none). A collision clears them: a run disturbed
    // by another rider says nothing about its lines.
    int picked_lines[4];
    // Where to turn towards when stopped and fallen over: the next
    // checkpoint of its race, set by the race every tick (none when it has
    // no place to go, or has finished).
    bool has_course_aim;
    float course_aim[3];

    float total_mass;
    float roll_damping, leveling, roll_limit_factor, roll_limit_angle, steering_damping, steering_strength,
        max_steering_force, direct_steering, slow_damping_speed, slow_damping_factor, land_damping_falloff,
        land_damping_factor;
    float auto_clutch_speed;
    float front_brake_torque, rear_brake_torque;
    float max_dab_speed;

    SphereShape shapes[RIDER_SHAPES];
    bool has_shape[RIDER_SHAPES];
    std::string skins[RIDER_TEXTURES]; // texture files; empty: the bike's own
    int serial;                        // a number no other rider of the process had

    char number[8];
    int slot;
    int last_rider_contact_tick;
    int stop_state;
    float land_damping_multiplier;
    int crash_timer;
    float limb_points[4][3]; // left foot, its velocity, right foot, its velocity
    float torso_velocity_ring[4][3];
    int bump_timer;
    float saved_positions[RIDER_BODIES][3];
    double saved_velocities[2 * RIDER_BODIES][3]; // exact, so restoring changes nothing
    uint8_t flags;
    int ticks; // ticks stepped since the last reset
};

// Builds a rider of a bike (substituting an unknown bike, with a log line)
// in a physics world, reset to the catalogue layout at the origin. Null or
// empty skins mean the bike's own textures.
Rider *rider_create(PhysicsWorld *world, const char *bike, int slot, const char *number,
                    const char *body_texture = nullptr, const char *head_texture = nullptr,
                    const char *bike_texture = nullptr, const char *wheel_texture = nullptr);

// Builds a rider in an outfit, as above.
Rider *rider_create(PhysicsWorld *world, const RiderOutfit &outfit, int slot);

// Destroys the rider's bodies and joints and frees it; null is ignored.
void rider_destroy(Rider *rider);

// Puts the bodies back in the catalogue layout and clears the riding state.
void rider_reset(Rider *rider);

// Rotates every body about the origin by an angle about an axis.
void rider_rotate(Rider *rider, float x, float y, float z, float angle);

// Moves every body by an offset.
void rider_translate(Rider *rider, float dx, float dy, float dz);

// Places a reset rider at (x, z) facing a heading (radians about +y, 0
// facing -z), on the ground, raised in 0.25 ft steps until it touches
// nothing. Returns the height it was raised by.
float rider_place(Rider *rider, float x, float z, float heading);

// The same from a given ground height at (x, z).
float rider_place_at(Rider *rider, float x, float ground, float z, float heading);

// Attaches the rider's upper body to the frame again (after a reset or a
// crash), with the mount laid out for the frame's pose.
void rider_remount(Rider *rider);

// Takes the bodies out of (or back into) the world's stepping.
void rider_disable(Rider *rider);
void rider_enable(Rider *rider);

// Saves and restores every body's velocities (remote riders keep theirs
// through a world step).
void rider_save_velocities(Rider *rider);
void rider_restore_velocities(Rider *rider);

// Sets the rider mass distribution d (share of the rider mass on the torso).
void rider_set_mass_distribution(Rider *rider, float d);

// The per-tick controller; with `simulated` false (a remote rider) it only
// clears the bodies' force and torque accumulators.
void rider_step(Rider *rider, bool simulated, int tick);

// The fork and shock forces for a slider position and rate, and a swingarm
// angle and rate (stage 6 of rider_step).
float fork_force(const Rider *rider, float position, float rate);
float shock_torque(const Rider *rider, float angle, float rate);
