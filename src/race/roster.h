// The built-in roster of 80 robot riders, numbers 20 to 99.
#pragma once

#include "physics/rider.h"

enum { ROSTER_SIZE = 80 };

// Personality rows of the robots (row 0 is never picked by name).
enum Personality { PERSONALITY_EMPTY, PERSONALITY_HERON, PERSONALITY_OSPREY, PERSONALITY_FINCH, PERSONALITY_TESTER };

struct RosterRider {
    int number;
    Personality personality;
    RiderOutfit outfit;
};

// The roster in number order.
const RosterRider *robot_roster();
