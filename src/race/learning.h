// Learning racing lines while riding. Riders that are not robots are
// sampled four times a second; each stretch between two timed gates is
// offered to the line table when the rider has ridden it and the next one
// cleanly, and kept when it is new and fast enough. Robots report how the
// lines they picked worked: a clean run credits its times to the line, a
// stop, a missed gate or a run off the line blames it.
#pragma once

struct RiderSlot;
struct Rider;
struct Sim;

// Samples the rider's line on every 32nd tick (riders that are not robots).
void learn_sample(Sim *sim, int slot);

// A rider that has just stopped or crashed: a robot blames the line it was
// riding (and the one before, when it crossed a gate less than 1 s ago).
void learn_stopped(Sim *sim, int slot);

// A rider crossed the timed gate at sequence position q, reached from the
// gate expected by `offset` positions: store its recorded line, or judge
// the robot's run.
void learn_timed_gate(Sim *sim, int slot, int q, int offset);

// A robot that finished lets its line roll to a stop.
void learn_finished(Sim *sim, int slot);

// How far along its joined line a robot is, in points: the first point
// behind the bike (seen along the frame's heading) and the fraction to the
// next; 0 at the very start of the line.
float line_progress(const RiderSlot &slot);
