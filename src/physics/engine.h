// Engine, clutch, gearbox and brakes: the engine is a rotating mass whose
// speed the rider integrates, joined to the rear wheel through the gearing
// and a clutch acting as a torsional spring with limited wind-up.
#pragma once

struct Rider;

// Stage 8 of rider_step: shifting, torque, clutch, engine speed, brakes.
void engine_step(Rider *rider, int tick);

// A gear change request from the controls (-1, 0, +1), edge-triggered.
void shift(Rider *rider, int direction);

// Engine speed in rpm.
float engine_rpm(const Rider *rider);

// Engine torque from the tables with the throttle and wheelie control applied.
float engine_torque(const Rider *rider);

// The clutch engagement this tick for a coupling torque (the automatic
// clutch between the auto clutch speed and 2000 rpm above it).
float clutch_engagement(const Rider *rider, float coupling_torque);

// Moves the gear by a request, skipping gears the bike does not have.
void select_gear(Rider *rider, int request);
