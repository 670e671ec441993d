// Rider input and the aids that keep the bike up: the clamped input
// setters, the bike setup, lean measures, steering (normal and arcade),
// steering damping, backing up, dabbing when stopped and dab balance.
#pragma once

struct Rider;

// The stored bike setup as the configuration holds it (percentages,
// degrees, mph and choice indices), converted by apply_bike_setup.
struct BikeSetup {
    float leveling = 20, roll_damping = 60, roll_limit_angle = 45, roll_limit_factor = 10;
    float steering_damping = 45, steering_strength = 75, max_steering_force = 400, direct_steering = 1;
    float slow_damping_speed = 40, slow_damping_factor = 2, land_damping_falloff = 0.25f, land_damping_factor = 2;
    bool arcade = true, arcade_allowed = true;
    bool front_antilock = true, rear_antilock = false;
    int stop_wheelies = 0; // 0 No, 1 Yes, 2 Front Only
    bool auto_shift = true, auto_dab = true;
    float auto_clutch_rpms = 5000, brake_torque = 250, rear_brake_torque = 250, max_dab_mph = 20;
    float front_sprocket = 0, rear_sprocket = 0;
    float fork_compression = 50, fork_rebound = 50, fork_spring_rate = 50, fork_preload = 50, fork_oil_level = 50;
    float shock_compression = 50, shock_rebound = 50, shock_spring_rate = 50, shock_preload = 50;
    float rider_yspring = 50, rider_ydamping = 50, rider_zspring = 50, rider_zdamping = 50;
    float rider_mass_distribution = 0.33f;
};

// One tick's controls of a rider, as the player's keys, a robot, the test
// pilot, a demo or the network give them.
struct RiderInput {
    float throttle = 0, clutch = 1, front_brake = 0, rear_brake = 0, steer = 0;
    float sit_dab = 0, back_up = 0, lean = 0;
    int shift = 0;  // -1 down a gear, 1 up, 0 stay
    int flags = -1; // RIDER_* flag bits to ride with; -1 keeps the rider's
};

// Hands one tick's controls to a rider through the setters and the gear lever.
void rider_apply_input(Rider *r, const RiderInput &input);

// The controls a rider holds now (shift 0: the lever at rest).
RiderInput rider_current_input(const Rider &r);

// Input setters; each clamps, and some inputs are held at 0 while crashed.
void set_throttle(Rider *r, float v);
void set_clutch(Rider *r, float v);
void set_front_brake(Rider *r, float v);
void set_rear_brake(Rider *r, float v);
void set_steer(Rider *r, float v);
void set_sit_dab(Rider *r, float v);
void set_back_up(Rider *r, float v);
void set_lean(Rider *r, float v);

// Applies a stored setup to a rider, in the fixed order.
void apply_bike_setup(Rider *r, const BikeSetup &setup);

// The speed of the frame, and its angular velocity about its own z axis
// (its roll rate: the rate its lean grows).
float frame_speed(const Rider *r);
float roll_rate(const Rider *r);

// Lean of a body: 0 upright, negative when its top leans to its right.
float bike_lean_angle(const Rider *r, int body);

// The direction the front wheel travels relative to the fork, radians.
float front_drift_angle(const Rider *r);

// The steering controller toward a steering angle: a steer value.
float steer_toward(const Rider *r, float target);

// Stage 4: backing up, or dabbing when stopped.
void back_up_or_dab(Rider *r, int tick);

// Stage 7: the steering torque.
void steering_step(Rider *r);

// Stage 9: steering damping.
void steering_damping_step(Rider *r);

// Stage 11: dab balance.
void dab_balance(Rider *r);

// The lean the rider allows at a speed (ft/s) for a power of the curve.
float allowed_lean(const Rider *r, float speed, int power);
