// A vector of three doubles (ODE's own precision) for the geometry of
// contacts, collisions and poses.
#pragma once

#include <cmath>

struct V3 {
    double x, y, z;
};

inline V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline V3 operator*(double s, V3 a)
{
    return a * s;
}
inline double dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(V3 a)
{
    return std::sqrt(dot(a, a));
}
// The vector of three floats or three doubles in memory.
inline V3 v3(const float *p)
{
    return {p[0], p[1], p[2]};
}
inline V3 v3(const double *p)
{
    return {p[0], p[1], p[2]};
}
