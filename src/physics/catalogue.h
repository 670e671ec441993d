// The bike catalogue: 18 bikes sharing one geometry, differing in masses,
// gearing and engine character. Lengths in feet, masses in slugs, torques
// in lbf*ft; the bike is built at the origin facing -z.
#pragma once

enum { TORQUE_POINTS = 50, GEARS = 6, CATALOGUE_BIKES = 18, BIKE_PART_FILES = 23 };

struct WheelBlock {
    float axle[3];
    float ring_radius, tube_radius, tyre_mass, hub_radius, hub_mass;
};

struct BikeSpec {
    const char *name;
    WheelBlock front, rear;
    float frame_position[3];
    float frame_mass;       // without the rider
    float frame_box[3];     // width, height, length of the frame's mass box
    float steering_head[3]; // fork_upper body, top of the steering axis
    float swingarm_position[3];
    float swingarm_pivot[3];
    float fork_bottom[3]; // fork_lower body, bottom of the steering axis
    float fork_spacing, fork_length, fork_mass;
    float fork_spring_rate[2]; // min, max
    float fork_preload[2];
    float fork_air_gap[2]; // at oil level setting 0 and 1
    float fork_compression_damping, fork_rebound_damping, fork_travel;
    float swingarm_side_mass;
    float shock_spring_rate[2], shock_preload[2];
    float shock_compression_damping, shock_rebound_damping;
    float swingarm_travel;
    float shock_linkage[3]; // two leverage constants and the primary reduction
    float primary_reduction;
    float front_sprocket, rear_sprocket;
    float gear_ratios[GEARS]; // 0 or less: no such gear
    float engine_inertia;
    float closed_torque[TORQUE_POINTS];   // at 0, 500, ... 24500 rpm, throttle shut
    float full_torque[TORQUE_POINTS];     // the same with the throttle open
    float auto_shift_down, auto_shift_up; // rpm
    float rev_limit;
    int two_stroke;
    float snapshot_reference[3];
    float torso_position[3];
    float rider_mass;
    const char *part_files[BIKE_PART_FILES];
    float shoulders[2][3], hips[2][3], grips[2][3], pegs[2][3]; // left, right
    float upper_arm, forearm, thigh, shin;
};

// Indices into BikeSpec::part_files.
enum BikePartFile {
    PART_FRAME_MODEL,
    PART_FRAME_SHAPE,
    PART_BIKE_TEXTURE,
    PART_FORK_UPPER_MODEL,
    PART_FORK_UPPER_SHAPE,
    PART_FORK_LOWER_MODEL,
    PART_FORK_LOWER_SHAPE,
    PART_SWINGARM_MODEL,
    PART_SWINGARM_SHAPE,
    PART_FRONT_WHEEL_MODEL,
    PART_FRONT_WHEEL_SHAPE,
    PART_REAR_WHEEL_MODEL,
    PART_REAR_WHEEL_SHAPE,
    PART_WHEEL_TEXTURE,
    PART_HEAD_MODEL,
    PART_HEAD_TEXTURE,
    PART_BODY_MODEL,
    PART_BODY_FP_MODEL,
    PART_RIDER_SHAPE,
    PART_BODY_TEXTURE,
    PART_SIDE_PLATES_MODEL,
    PART_FRONT_PLATE_MODEL,
    PART_RIDER_PLATE_MODEL,
};

// The catalogue in its fixed order.
const BikeSpec *bike_catalogue();

// The bike of a name (exact, case-sensitive), or null.
const BikeSpec *bike_find(const char *name);

// The bike to use for a name: itself, or the first whose name holds "125"
// (for a 125 request) or "250f", or the first bike.
const BikeSpec *bike_or_substitute(const char *name);
