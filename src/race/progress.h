// The progress step of a rider, once a tick after its physics: which timing
// gate it crosses next, the tick of every crossing, when it has stopped, and
// when it has finished the race. Every crossing updates the race order.
//
// A rider crosses the gate of a sequence position when its front wheel,
// seen from above, lies within the gate's radius of its centre and on the
// gate's positive side: (px - x) dx + (pz - z) dz >= 0.
#pragma once

struct Checkpoint;
struct RiderSlot;
struct Sim;

// Whether a point (x, z) is over a gate: within its reach and past it.
bool crosses_gate(const Checkpoint &gate, float x, float z);

// Whether a slot's rider has a crossing recorded at a sequence position.
bool gate_recorded(const RiderSlot &slot, int position);

// Runs the progress step of a slot's rider for the present tick.
void rider_progress_step(Sim *sim, int slot);

// Puts a slot's rider at a sequence position (the next gate it has to
// cross): its later crossings are forgotten, and it is no longer finished
// when it goes back.
void set_race_position(Sim *sim, int slot, int next_gate);
