// The course files of a generated track: timing gates, billboards, statues,
// flaggers and lighting.
#pragma once

#include "course.h"
#include "track_ground.h"

// Lap distance of the starting gate and of the finish line.
const float START_S = 20;

void write_objects(const Course &course, const Ground &ground);
