// Learnt racing lines: the table of candidate lines per section of a track
// with their statistics, the lines file of each robot skill level, and the
// robot personalities.
//
// Lines file ("@<track>/lines_novice", "lines_amateur", "lines_expert"),
// plain text:
//   "ct03 %d\n"                      the number of sections F + N
//   per section, in table order:
//     "%d\n"                         the number of stored lines
//     per line: "%d %d %d %d %d %d %d %d %d\n"  npoints, own_time, pair_time,
//               tested, best_own, best_pair, sum_own, sum_pair, fails
//       per point: "[%f %f %f] %f %f\n"         x, y, z, speed, lean
// Times are ticks of 1/128 s; a speed is negative while the bike flies.
#pragma once

#include <string>
#include <vector>

struct Rider;
struct TimingGates;

// One sample of a ridden line.
struct LinePoint {
    float x, y, z;
    float speed; // negative in the air
    float lean;
};

// One candidate line of one section, with what riding it has shown.
struct LineSlot {
    std::vector<LinePoint> points; // empty: an empty slot
    int own_time = 1000000, pair_time = 1000000;
    int tested = 0, best_own = 1000000, best_pair = 1000000, sum_own = 0, sum_pair = 0, fails = 0;
    int last_picked = -1000000;
    int id = 0;
};

enum { LINE_SLOTS = 45, LINE_MAX_POINTS = 100000 };

// F first-lap sections then N shared by every later lap, each of 45 slots.
struct LineTable {
    int first_sections = 0, normal_sections = 0;
    std::vector<std::vector<LineSlot>> sections; // empty: no learning on this track
    std::vector<int> plans[3];                   // per plan mode, a line id per section (0: any)
    int next_id = 0;
};

// The table of a track's timing gates, empty: it exists only when both lap
// lists have timed gates.
LineTable line_table_for(const TimingGates &gates);

// Empties every slot (the ids keep counting).
void lines_clear(LineTable *table);

// The name of a skill level's lines file ("lines_novice", ...).
const char *lines_file_name(int skill);

// Reads the skill's lines file of a track folder into the table. A wrong
// header or section count loads nothing; damage (a count that cannot be,
// a value that does not read) ends the reading there with a log line, and
// the lines read before it are kept. Returns the number of lines read.
int lines_load(LineTable *table, const std::string &folder, int skill);

// Writes the table to the skill's lines file: to a new file first, which
// then replaces the old one, so a failed save never leaves half a file.
// False when it could not be written.
bool lines_save(const LineTable &table, const std::string &folder, int skill);

// The robot personalities: "heron", "osprey", "finch" and "tester" (rows 1
// to 4; row 0 is no robot).
struct PersonalityRow {
    const char *name;
    int plan_mode, plan_mode_leading;
    float lead_threshold, reaction_min, reaction_max; // seconds
};
const PersonalityRow &personality(int row);

// Gives a rider the personality of a name; an unknown name is logged and
// gives heron.
void personality_set(Rider *rider, const char *name);
