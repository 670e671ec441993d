// Reading and caching collision shapes.
#include "track/shape.h"

#include "files/file_numbers.h"
#include "files/game_file.h"

#include <cmath>
#include <memory>

namespace
{

std::vector<std::unique_ptr<SphereShape>> cache;

// Far more spheres than any part needs; a larger count is a broken file.
const int max_spheres = 100000;

// A sphere within 10000 ft of its part with a radius above 0, and finite
// contact numbers of the right sign; anything else is a broken file.
bool sphere_ok(const Sphere &s)
{
    const double far = 10000, big = 1e12;
    return file_number_in(s.x, -far, far) && file_number_in(s.y, -far, far) && file_number_in(s.z, -far, far) &&
           s.radius > 0 && s.radius <= far && file_number_in(s.friction, 0, big) &&
           file_number_in(s.stiffness, 0, big) && file_number_in(s.damping, 0, big);
}

} // namespace

const SphereShape *shape_load(const char *name)
{
    for (const auto &s : cache)
        if (s->name == name)
            return s.get();
    GameFile *f = gf_open(name, "rb");
    if (!f)
        return nullptr;
    auto shape = std::make_unique<SphereShape>();
    shape->name = name;
    int count;
    bool ok = gf_scanf(f, "%d", &count) == 1 && count >= 0 && count <= max_spheres;
    for (int k = 0; ok && k < count; ++k) {
        Sphere s;
        ok = gf_scanf(f, "%f", &s.x) == 1 && gf_scanf(f, "%f", &s.y) == 1 && gf_scanf(f, "%f", &s.z) == 1 &&
             gf_scanf(f, "%f %f %f %f", &s.radius, &s.friction, &s.stiffness, &s.damping) == 4 && sphere_ok(s);
        if (ok) {
            shape->spheres.push_back(s);
            float reach = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z) + s.radius;
            if (reach > shape->bounding_radius)
                shape->bounding_radius = reach;
        }
    }
    gf_close(f);
    if (!ok)
        return nullptr;
    shape->source = shape.get();
    cache.push_back(std::move(shape));
    return cache.back().get();
}

SphereShape shape_copy(const SphereShape *master)
{
    SphereShape copy = *master;
    copy.source = master;
    return copy;
}

void shape_cache_clear()
{
    cache.clear();
}
