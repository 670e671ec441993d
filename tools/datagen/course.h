// A track's course: a closed racing line through control points, sampled
// every foot, with its width, jumps and banking, and the ground it shapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum FeatureKind { TABLETOP, DOUBLE_JUMP, STEP_UP, WHOOPS, OFF_CAMBER, MUD };

struct Feature {
    FeatureKind kind;
    float s; // where along the lap it starts, feet
};

struct TrackDesign {
    std::string folder, name;
    int level;     // 2^level tiles per side
    float spacing; // feet between grid points
    uint32_t seed;
    std::vector<float> control; // x, z pairs in fractions of the extent
    float width;                // normal course width, feet
    float start_width;          // width at the starting gate
    float hill_height;          // height of the surrounding hills
    float hill_scale;           // feet per noise feature
    float berm_height;          // banking at the outside of sharp turns
    std::vector<Feature> features;
};

struct PathPoint {
    float x, z;      // position
    float tx, tz;    // unit direction of travel
    float curvature; // positive turning left (towards +x of the direction's left)
    float base;      // ground height of the course before features
};

struct Course {
    const TrackDesign *design;
    float extent;
    std::vector<PathPoint> points; // one per foot along the lap
    float length;
    // Buckets of point indices for nearest-point queries.
    int buckets;
    float bucket_size;
    std::vector<std::vector<int>> bucket_points;
};

// Builds the course of a design over its terrain extent.
Course build_course(const TrackDesign &design);

// Where a point lies relative to the course: the nearest sample, its lap
// distance, and the signed distance to its left (negative: right).
struct CoursePlace {
    int index;
    float s, lateral, distance;
};
CoursePlace course_place(const Course &course, float x, float z, float search);

// Half the course width at a lap distance.
float course_half_width(const Course &course, float s);

// Height of the ground at a point: hills, with the course cut in.
float ground_height(const Course &course, float x, float z);

// The point at a lap distance (wrapping around the lap).
const PathPoint &course_at(const Course &course, float s);

// Whether a lap distance lies inside a feature of a kind.
bool in_feature(const Course &course, FeatureKind kind, float s);
