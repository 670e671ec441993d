// The rider HUD drawn over the view: tachometer with the gear, and the
// pitboard with the number, lap and position, gap and lap times.
#pragma once

#include <string>
#include <vector>

#include "race/timing.h"

struct Sim;

// The needle's turn clockwise from straight up, in degrees: 0 rpm points
// 135 degrees left and 16000 rpm 135 degrees right.
float tach_needle_degrees(float rpm);

// The cell of "shifter.png" (3 x 3 pictures) that shows a gear.
void shifter_cell(int gear, int *column, int *row);

// "m:ss.t" of a time in ticks.
std::string race_time_text(int ticks);

// The pitboard's lines below the number: laps and position (or position
// alone in a time trial), the gap in seconds, the last and best times when
// there are any.
std::string pitboard_text(bool time_trial, int laps_completed, int position, float gap_seconds, int last_ticks,
                          int best_ticks);

// The rider HUD's options.

// The lean indicator's ring sector for the ground's tilt `a` across the bike
// (radians, clockwise from straight up): its start and end angles, the
// steps it is drawn in, and whether it shows the warning colour.
struct LeanSector {
    float from, to;
    int steps;
    bool warning;
};
LeanSector lean_sector(float a);

// The turn (degrees, counter-clockwise) of the map's arrow, drawn pointing
// up, for a body's rotation matrix: it points the way the body faces.
float map_arrow_degrees(const double R[12]);

enum { RENDER_STAT_LINES = 6 };

// The render statistics of the status overlay: whether they are shown and
// the largest counts seen since they were last (re)started. The main loop
// keeps one for its run.
struct RenderStats {
    bool shown = false;
    int largest[RENDER_STAT_LINES] = {};
};

// Shows the render statistics and starts their maxima afresh.
void render_stats_restart(RenderStats *stats);

// What the status overlay shows besides the renderer's own figures.
struct StatusInfo {
    int fps = -1;        // "FPS - %d"; below 0: not shown
    int race_ticks = -1; // "Time - ..." since the start; below 0: not shown
    int ping_ms = -1;    // "Ping - %dms (%dms offset)"; below 0: not shown
    int offset_ms = 0;
    RenderStats *render_stats = nullptr; // shown when set and on; their maxima follow this frame
    std::vector<std::string> messages;   // visible message lines, oldest first
    std::vector<BoardLine> board;        // the results board (empty: none)
    float left = 0;                      // where the lines start, as a share of the view's width
};

// The overlay's lines, top first.
std::vector<std::string> status_lines(const StatusInfo &info);

// Draws the status overlay at the top left, characters 1/50 of the view high.
void hud_draw_status(const StatusInfo &info);

// Draws the HUD of the rider in a slot (nothing for an empty slot) on the
// view plane of the current projection; with `lean_indicator`, the lean
// indicator too.
void hud_draw_rider(const Sim &sim, int slot, bool lean_indicator);
