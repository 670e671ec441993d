// The simulation's fixed step and the small numeric helpers every layer
// shares.
#pragma once

#include <algorithm>
#include <cmath>

// The simulation advances in ticks of exactly 1/128 s.
enum { TICKS_PER_SECOND = 128 };
constexpr double TICK_SECONDS = 1.0 / TICKS_PER_SECOND;
constexpr float TICK_SECONDS_F = 1.0f / TICKS_PER_SECOND;

constexpr float pi = (float)M_PI;

// `v` held within lo..hi; a NaN comes out as `lo`.
inline float clampf(float v, float lo, float hi)
{
    return std::min(hi, std::max(lo, v));
}

inline float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}
