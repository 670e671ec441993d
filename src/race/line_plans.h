// Reading the line table: which section a sequence position lies in, what
// a line costs a robot, which line a full section gives up, thinning out
// crowded first-lap sections, and the cheapest chains of lines around a lap
// that robots prefer (the plans).
//
// Race section s is the stretch that ends at the s-th timed gate passed
// (from 0); it maps to table section s in the first lap (s < F), else to
// F + (s - F) mod N, so every later lap shares one lap's worth of sections.
#pragma once

#include "race/lines.h"

#include <cstdint>
#include <vector>

struct TimingGates;

enum { PLAN_MODES = 3, NO_LINE_SLOT = LINE_SLOTS };

// The race section of a sequence position: the timed gates before it.
int section_of(const TimingGates &gates, int position);

// The table section a race section rides in.
int table_section(const LineTable &table, int section);

// What using a line costs in a plan mode (0 to 3; see the table below), in
// ticks: the average own-section time of the robots that rode it plus up
// to 5 s for failing; 1000000 when the mode cannot use it yet.
//   mode 0 (careful):   tested > 4, failing weighs 640 x fail rate
//   mode 1 (bolder):    tested > 4, 640 x min(1, fail rate x 8/7)
//   mode 2 (eager):     tested > 0, 640 x min(1, fail rate x 4)
//   mode 3 (exploring): every line, the less ridden the cheaper
int line_cost(const LineSlot &line, int mode);

// The bar a new line has to beat to take a slot: a tested line's average
// two-section time plus its failures, an untested one's recorded time and
// a quarter (and 5 s more once it failed).
int64_t line_bar(const LineSlot &line);

// The slot a full section gives up for a new line: the highest bar, where a
// line starting away from all others (within 2.0) counts a quarter less,
// and while fewer than 23 lines have more runs than failures those are
// kept.
int line_evict_choice(const LineTable &table, int section);

// Whether c and d lie on different sides of the line through a and b, seen
// from above.
bool segments_straddle(const LinePoint &a, const LinePoint &b, const LinePoint &c, const LinePoint &d);

// The centre of the circle through three points seen from above, at a's
// height; points in line give a point 1000000 away to the side of ab.
LinePoint circle_center(const LinePoint &a, const LinePoint &b, const LinePoint &c);

// The cheapest chains of lines over `count` sections from race section
// `first`: cost[k][y] for a chain that starts in slot k and arrives at slot
// y of section first + count, and back[t - 1][k][y], the slot of section
// first + t such a chain passed (NO_LINE_SLOT: none).
struct SectionPlan {
    int64_t cost[LINE_SLOTS][LINE_SLOTS];
    std::vector<uint8_t> back; // (count - 1) x 45 x 45
    int count = 0;

    uint8_t &back_at(int t, int k, int y)
    {
        return back[((size_t)t * LINE_SLOTS + (size_t)k) * LINE_SLOTS + (size_t)y];
    }
};
enum : int64_t { NO_CHAIN = 100000000 };
void plan_sections(const LineTable &table, int first, int count, int mode, SectionPlan *plan);

// Fills the table's plans for modes 0 to 2: the line id of the cheapest
// chain around a normal lap, and of the first lap arriving on it (0 where
// the line has fewer than five robot runs). `debug` logs the lap costs.
void lines_plan(LineTable *table, bool debug = false);

// Thins every first-lap section with more than 43 lines: the line crossing
// the most others goes, and the one `line_evict_choice` names, until 43 or
// fewer are left.
void lines_prune(LineTable *table);
