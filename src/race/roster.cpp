// The robot roster: 125 cc ospreys, four-stroke herons and ospreys, and the
// finch team on full team graphics.
#include "race/roster.h"

#include <string>

namespace
{

const char *const bodies[3] = {"@rider_body-alt1.png", "@rider_body-alt2.png", "@rider_body-alt3.png"};
const char *const heads[3] = {"@rider_head-alt1.png", "@rider_head-alt2.png", "@rider_head-alt3.png"};
const char *const wheels[2] = {"@wheels-alt1.png", "@wheels-alt2.png"};

RosterRider make(int k)
{
    static const char *const small[4] = {"kx125", "yz125", "cr125", "rm125"};
    static const char *const fours[4] = {"crf250(2009)", "kx250f(2009)", "rmz250(2009)", "yz250f(2009)"};
    static const char *const finches[4] = {"crf250(2009)", "kx250f(2009)", "yz250f(2009)", "rmz250(2009)"};
    static const char *const families[4][2] = {
        {"crf250", "yz250f"}, {"kx250f", "rmz250"}, {"yz250f", "crf250"}, {"rmz250", "kx250f"}};
    RosterRider r = {20 + k, PERSONALITY_OSPREY, {}};
    RiderOutfit &o = r.outfit;
    o.number = std::to_string(r.number);
    if (k < 20) {
        o.bike = small[k / 5];
        o.body_texture = k % 3 == 0 ? bodies[k % 3] : "";
    } else if (k < 60) {
        r.personality = k < 40 ? PERSONALITY_HERON : PERSONALITY_OSPREY;
        int j = (k - 20) % 20;
        o.bike = j == 19 ? "yz250f_se(2006)" : fours[j / 5];
        o.head_texture = heads[j % 3];
        o.body_texture = j % 2 ? bodies[(j + 1) % 3] : "";
    } else {
        r.personality = PERSONALITY_FINCH;
        int team = (k - 60) / 5, variant = (k - 60) % 2;
        o.bike = finches[team];
        o.body_texture = bodies[team % 3];
        o.head_texture = heads[team % 3];
        o.bike_texture = std::string("@") + families[team][0] + (variant ? "-alt2.png" : "-alt1.png");
        o.wheel_texture = wheels[variant];
    }
    return r;
}

} // namespace

const RosterRider *robot_roster()
{
    static RosterRider roster[ROSTER_SIZE];
    static bool built = false;
    if (!built) {
        for (int k = 0; k < ROSTER_SIZE; ++k)
            roster[k] = make(k);
        built = true;
    }
    return roster;
}
