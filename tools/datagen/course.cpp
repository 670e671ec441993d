#include "course.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

namespace
{

float smoothstep(float t)
{
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return t * t * (3 - 2 * t);
}

float hills(const Course &c, float x, float z)
{
    const TrackDesign &d = *c.design;
    float h = fbm(x / d.hill_scale, z / d.hill_scale, 5, d.seed) * d.hill_height;
    // The land rises towards the edges of the map, framing the course.
    float ex = std::fabs(x / c.extent - 0.5f) * 2, ez = std::fabs(z / c.extent - 0.5f) * 2;
    float rim = smoothstep((std::max(ex, ez) - 0.75f) / 0.25f);
    return h + rim * d.hill_height * 0.8f;
}

// Length of each feature, feet.
float feature_length(FeatureKind k)
{
    switch (k) {
    case TABLETOP:
        return 95;
    case DOUBLE_JUMP:
        return 100;
    case STEP_UP:
        return 130;
    case WHOOPS:
        return 110;
    case OFF_CAMBER:
        return 120;
    case MUD:
        return 70;
    }
    return 0;
}

// Height added along the lap by jumps and whoops at distance u into a feature.
float feature_profile(FeatureKind k, float u)
{
    switch (k) {
    case TABLETOP: // 25 ft face up to 7 ft, 45 ft table, 25 ft landing
        if (u < 25)
            return 7 * smoothstep(u / 25);
        if (u < 70)
            return 7;
        return 7 * (1 - smoothstep((u - 70) / 25));
    case DOUBLE_JUMP: // a 6 ft kicker, a 30 ft gap, a 40 ft landing
        if (u < 22)
            return 6 * (u / 22) * (u / 22);
        if (u < 26)
            return 6 * (1 - (u - 22) / 4);
        if (u < 56)
            return 0;
        if (u < 60)
            return 6 * (u - 56) / 4;
        return 6 * (1 - smoothstep((u - 60) / 40));
    case STEP_UP: // up 6 ft onto a higher shelf that fades out slowly
        if (u < 20)
            return 6 * smoothstep(u / 20);
        if (u < 60)
            return 6;
        return 6 * (1 - smoothstep((u - 60) / 70));
    case WHOOPS:
        if (u < 10 || u > 100)
            return 0;
        return 1.4f * (0.5f - 0.5f * std::cos((u - 10) / 11.25f * 2 * (float)M_PI));
    default:
        return 0;
    }
}

} // namespace

const PathPoint &course_at(const Course &c, float s)
{
    int n = (int)c.points.size();
    int k = ((int)std::floor(s) % n + n) % n;
    return c.points[k];
}

bool in_feature(const Course &c, FeatureKind kind, float s)
{
    for (const Feature &f : c.design->features) {
        if (f.kind != kind)
            continue;
        float u = std::fmod(s - f.s + c.length, c.length);
        if (u < feature_length(kind))
            return true;
    }
    return false;
}

float course_half_width(const Course &c, float s)
{
    const TrackDesign &d = *c.design;
    s = std::fmod(s + c.length, c.length);
    // Wide at the gate, narrowing into the first turn.
    float start = 1 - smoothstep((s - 90) / 140);
    if (s > c.length - 40)
        start = smoothstep((s - (c.length - 40)) / 40);
    return (d.width + (d.start_width - d.width) * start) / 2;
}

Course build_course(const TrackDesign &d)
{
    Course c;
    c.design = &d;
    c.extent = 2.0f * (1 << d.level) * d.spacing;
    // Catmull-Rom spline through the control points, sampled finely.
    std::vector<float> xs, zs;
    size_t n = d.control.size() / 2;
    for (size_t k = 0; k < n; ++k) {
        const float *p[4];
        for (int i = 0; i < 4; ++i)
            p[i] = &d.control[2 * ((k + n - 1 + i) % n)];
        for (int step = 0; step < 200; ++step) {
            float t = step / 200.0f, t2 = t * t, t3 = t2 * t;
            float w[4] = {-0.5f * t3 + t2 - 0.5f * t, 1.5f * t3 - 2.5f * t2 + 1, -1.5f * t3 + 2 * t2 + 0.5f * t,
                          0.5f * t3 - 0.5f * t2};
            float x = 0, z = 0;
            for (int i = 0; i < 4; ++i) {
                x += w[i] * p[i][0];
                z += w[i] * p[i][1];
            }
            xs.push_back(x * c.extent);
            zs.push_back(z * c.extent);
        }
    }
    // Resample one point per foot.
    size_t m = xs.size();
    float carry = 0;
    for (size_t k = 0; k < m; ++k) {
        float ax = xs[k], az = zs[k], bx = xs[(k + 1) % m], bz = zs[(k + 1) % m];
        float seg = std::sqrt((bx - ax) * (bx - ax) + (bz - az) * (bz - az));
        float at = carry;
        while (at < seg) {
            float t = at / seg;
            c.points.push_back({ax + (bx - ax) * t, az + (bz - az) * t, 0, 0, 0, 0});
            at += 1;
        }
        carry = at - seg;
    }
    int count = (int)c.points.size();
    c.length = (float)count;
    for (int k = 0; k < count; ++k) {
        const PathPoint &a = c.points[(k + count - 2) % count], &b = c.points[(k + 2) % count];
        float dx = b.x - a.x, dz = b.z - a.z, len = std::sqrt(dx * dx + dz * dz);
        c.points[k].tx = dx / len;
        c.points[k].tz = dz / len;
    }
    for (int k = 0; k < count; ++k) {
        // Curvature from the change of direction over 20 ft, smoothed.
        const PathPoint &a = c.points[(k + count - 10) % count], &b = c.points[(k + 10) % count];
        float cross = a.tx * b.tz - a.tz * b.tx, dot = a.tx * b.tx + a.tz * b.tz;
        c.points[k].curvature = -std::atan2(cross, dot) / 20;
    }
    // The course follows the hills, smoothed over 160 ft so it stays rideable.
    std::vector<float> raw(count);
    for (int k = 0; k < count; ++k)
        raw[k] = hills(c, c.points[k].x, c.points[k].z) * 0.6f;
    for (int k = 0; k < count; ++k) {
        float sum = 0;
        for (int i = -80; i <= 80; ++i)
            sum += raw[(k + i + count) % count];
        c.points[k].base = sum / 161;
    }
    c.bucket_size = 16;
    c.buckets = (int)std::ceil(c.extent / c.bucket_size) + 1;
    c.bucket_points.assign((size_t)c.buckets * c.buckets, {});
    for (int k = 0; k < count; ++k) {
        int bx = std::clamp((int)(c.points[k].x / c.bucket_size), 0, c.buckets - 1);
        int bz = std::clamp((int)(c.points[k].z / c.bucket_size), 0, c.buckets - 1);
        c.bucket_points[(size_t)bz * c.buckets + bx].push_back(k);
    }
    return c;
}

CoursePlace course_place(const Course &c, float x, float z, float search)
{
    CoursePlace best = {-1, 0, 0, 1e30f};
    int r = (int)std::ceil(search / c.bucket_size);
    int bx = (int)(x / c.bucket_size), bz = (int)(z / c.bucket_size);
    for (int j = bz - r; j <= bz + r; ++j) {
        if (j < 0 || j >= c.buckets)
            continue;
        for (int i = bx - r; i <= bx + r; ++i) {
            if (i < 0 || i >= c.buckets)
                continue;
            for (int k : c.bucket_points[(size_t)j * c.buckets + i]) {
                const PathPoint &p = c.points[k];
                float d = (x - p.x) * (x - p.x) + (z - p.z) * (z - p.z);
                if (d < best.distance) {
                    best.distance = d;
                    best.index = k;
                }
            }
        }
    }
    if (best.index < 0)
        return best;
    const PathPoint &p = c.points[best.index];
    best.distance = std::sqrt(best.distance);
    best.s = (float)best.index;
    // Left of the direction of travel (tx, tz) is (tz, -tx) in x-z.
    best.lateral = (x - p.x) * p.tz - (z - p.z) * p.tx;
    return best;
}

float ground_height(const Course &c, float x, float z)
{
    const TrackDesign &d = *c.design;
    float blend_width = 40;
    CoursePlace place = course_place(c, x, z, d.start_width / 2 + blend_width + 8);
    float natural = hills(c, x, z);
    if (place.index < 0)
        return natural;
    const PathPoint &p = c.points[place.index];
    float hw = course_half_width(c, place.s);
    float lateral = std::clamp(place.lateral, -hw, hw);
    float h = p.base;
    for (const Feature &f : d.features) {
        float u = std::fmod(place.s - f.s + c.length, c.length);
        if (u < feature_length(f.kind))
            h += feature_profile(f.kind, u);
    }
    // Berms: the outside of a turn rises; an off-camber turn falls away.
    float turn = std::clamp(std::fabs(p.curvature) * 40, 0.0f, 1.0f);
    float outside = -lateral * (p.curvature > 0 ? 1.0f : -1.0f) / hw; // -1..1
    float bank = d.berm_height * turn * std::max(0.0f, outside) * std::max(0.0f, outside);
    if (in_feature(c, OFF_CAMBER, place.s))
        bank = -0.09f * hw * turn * outside;
    h += bank;
    float edge = std::fabs(place.lateral) - hw;
    if (edge <= 0)
        return h;
    return h + (natural - h) * smoothstep(edge / blend_width);
}
