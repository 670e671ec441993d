// Simulations for tests: riders put into the slots of a simulation by hand
// and ridden by a test's own inputs, through the one tick.
#pragma once

#include "physics/aids.h"
#include "race/race.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Puts a new rider of a bike into a slot as a local rider (the slot's old
// rider is freed).
Rider *sim_put_rider(Sim *sim, int slot, const char *bike, const char *number = "1");

// Makes a function fill a slot's input every tick, right before its rider
// steps; the input holds the rider's present controls when it is called.
void sim_drive(Sim *sim, int slot, std::function<void(RiderInput &input)> inputs);

// Runs whole ticks for a time in seconds.
void sim_run(Sim *sim, float seconds);

// Runs rutvale-sim with options and a home folder of its own (a fresh one
// unless given); its exit status and everything it printed.
int simulator(const std::string &options, std::string *out, const std::string &home = "");

// A test racing on the game's generated tracks, with a home folder of its
// own: a simulation, the track its races load, and its race state.
class GameRaceTest : public ::testing::Test
{
  protected:
    TempDir home;
    Track track;
    Sim sim;
    RaceState &race = sim.race;
    void SetUp() override;
    void TearDown() override;
};
