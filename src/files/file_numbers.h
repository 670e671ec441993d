// Numbers read from outside files are checked before anything uses them: a
// value that is not finite, or lies outside what its reader can use, takes
// the reader's documented fallback instead of reaching an integer
// conversion, an allocation size or a loop bound.
#pragma once

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

// The farthest a position read from a file may lie from the origin, in
// feet: well beyond the largest terrain (4096 cells of the largest spacing),
// small enough that every ground query on it is exact.
constexpr float FILE_POSITION_LIMIT = 1e6f;

// Whether a number is finite and within [lo, hi] (NaN never is).
inline bool file_number_in(double v, double lo, double hi)
{
    return v >= lo && v <= hi;
}

// Whether every coordinate of a position is finite and within the limit.
inline bool file_position_ok(float x, float y, float z)
{
    const float l = FILE_POSITION_LIMIT;
    return file_number_in(x, -l, l) && file_number_in(y, -l, l) && file_number_in(z, -l, l);
}

// A number truncated to an integer when it is within [lo, hi]; else the
// fallback.
inline int file_int(double v, int lo, int hi, int fallback)
{
    return file_number_in(v, lo, hi) ? (int)v : fallback;
}

// The whole number a text begins with (after blanks), clamped to the range
// of int; false when it begins with none. Unlike sscanf's "%d" or atoi, an
// overlong number has a defined value.
inline bool text_int(const char *text, int *out)
{
    char *end;
    errno = 0;
    long long v = strtoll(text, &end, 10);
    if (end == text)
        return false;
    *out = v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : (int)v;
    return true;
}

// A number clamped into [lo, hi]; NaN gives the fallback.
inline float file_clamp(float v, float lo, float hi, float fallback)
{
    if (std::isnan(v))
        return fallback;
    return v < lo ? lo : v > hi ? hi : v;
}
