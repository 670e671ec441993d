// Collision shapes: sets of spheres read from ".shp" files, cached by name.
//
// File: the number of spheres, then per sphere its centre x, y, z and
// "radius friction stiffness damping". Any value that does not read, or is
// not finite or out of range (centres within 10000 ft, radius above 0,
// contact numbers not negative), drops the whole shape.
#pragma once

#include <string>
#include <vector>

struct Sphere {
    float x, y, z; // centre in the part's own frame
    float radius, friction, stiffness, damping;
};

struct SphereShape {
    std::string name;
    std::vector<Sphere> spheres;
    float bounding_radius = 0;           // largest centre distance + radius
    const SphereShape *source = nullptr; // the cached master copy
};

// The cached master copy of a shape file, or null when it cannot be read.
const SphereShape *shape_load(const char *name);

// A private copy of a cached shape, whose sphere centres may be overwritten.
SphereShape shape_copy(const SphereShape *master);

// Forgets every cached shape (no copy of one may be in use).
void shape_cache_clear();
