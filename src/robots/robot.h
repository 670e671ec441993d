// Robot riders: each tick a robot picks the learnt line of the section
// ahead when its joined line runs short, joins it on smoothly, and rides
// it: leaning through the turns the line asks for, holding the line's speed
// within the grip of the ground, slowing behind other riders, lining up for
// jumps and keeping the bike level in the air. It starts from the gate with
// a personal reaction time, and gets itself going again when it loses its
// line: riding back to it, and after long enough walking the bike there.
#pragma once

#include "race/race.h"

#include <random>

// A robot's own state besides its line (kept on its race slot).
struct RobotState {
    int target_tick = 0;         // when robot_target last advanced
    int recovery = 0;            // 0 riding the line; 1 to 3 riding back to it
    int plan_section = 0;        // the race section whose line is picked next
    float start_timer = 0;       // the start procedure's clock (see robot.cpp)
    float throttle_memory = 0;   // the last throttle of normal riding
    int limit_tick = -1000000;   // when the grip last lowered the target speed
    int moving_tick = 0;         // when the bike last moved (or was down, or starting)
    int walk_until = 0;          // walking the bike until this tick
    std::mt19937 random{12345u}; // reaction times and revving, per robot
};

// Makes the robots of every race of a simulation ride.
void robots_install(Sim *sim);

// The controller of one robot slot.
SlotController robot_controller(Sim &sim, int slot);

// One tick of a robot: sets its controls and keeps its line.
void robot_step(Sim &sim, int slot, RobotState *state, RiderInput *input);

// Picks the line of the next section and joins it on (when the table has
// one).
void pick_line(Sim &sim, int slot, RobotState *state);

// Normal riding along the joined line; riding back to it.
void robot_ride(Sim &sim, int slot, RobotState *state, RiderInput *input);
void recovery_ride(Sim &sim, int slot, RobotState *state, RiderInput *input);

// Throttle, brakes and clutch toward a speed (in the air: pitch control).
void speed_control(const Rider &rider, float speed, float target, RiderInput *input);

// The radius of the turn that takes the bike to an aim point (negative to
// the left), from its present turn radius.
float turn_radius_to(float radius, const float frame[3], const float side[3], const float back[3], const float aim[3]);

// The speed to hold behind another rider on the present turn; `held_up`
// is set when the other rider slows this one (its run says nothing of its
// lines then).
float follow_speed(const Sim &sim, float radius, const float frame[3], const float side[3], float speed, float target,
                   const Rider &other, bool *held_up);
