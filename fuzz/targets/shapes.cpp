// Collision shape files, read into the shape cache.
#include "fuzz_target.h"

#include "track/shape.h"

FUZZ_TARGET(shapes)
{
    fuzz_write("part.shp", data, size);
    if (const SphereShape *master = shape_load("@part.shp")) {
        SphereShape copy = shape_copy(master);
        volatile float keep = copy.bounding_radius;
        (void)keep;
    }
    shape_cache_clear();
}
