// The rider HUD drawn over the view: tachometer with the gear, and the
// pitboard with the number, lap and position, gap and lap times.
#pragma once

#include <string>

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

// Draws the HUD of the rider in a slot (nothing for an empty slot) on the
// view plane of the current projection.
void hud_draw_rider(int slot);
