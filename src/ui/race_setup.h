// The configuration as a race takes it: the bike setup and what a race
// needs of the player and the chosen track.
#pragma once

#include "physics/aids.h"

struct Config;
struct Sim;
struct TrackList;

// The stored bike setup as the physics takes it.
BikeSetup bike_setup(const Config &config);

// Copies the chosen track, the player's bike, number, skins and setup and
// the race switches into the simulation's settings for its next race.
void fill_race_settings(Sim *sim, const Config &config, const TrackList &tracks, bool practice, bool learning,
                        bool debug);
