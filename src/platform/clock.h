// Platform clock: milliseconds since system start (CLOCK_MONOTONIC), the time
// base of log stamps, input event times and frame pacing.
#pragma once

#include <cstdint>

// Milliseconds since system start, truncated to whole milliseconds.
uint32_t clock_ms();

// The platform clock split into seconds and microseconds (a multiple of 1000).
void clock_now(int *seconds, int *microseconds);

// Sleeps until the platform clock reaches now + the given time: whole
// milliseconds minus one asleep, then yields until the target is reached.
void sleep_until(int seconds, int microseconds);

// The platform clock in seconds.
double clock_seconds();
