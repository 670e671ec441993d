// Ground queries on the triangulated height grid.
#include "track/terrain.h"

#include <algorithm>
#include <cmath>

namespace
{

// The triangle under a point: its right-angle corner C, the corner A in the
// same row and B in the same column, and where the point lies in it.
struct Triangle {
    int ci, cj, ai, aj, bi, bj;
    float a, b; // fractions from C towards A and towards B
};

// A coordinate in cells, kept within one cell beyond the grid: past the
// border the ground continues flat, so nothing farther changes an answer,
// and no conversion to an integer can overflow. NaN is taken as the origin.
float cells(float v, const Terrain &t)
{
    float u = v / t.spacing, last = (float)t.points_per_side;
    return u >= -1 ? (u <= last ? u : last) : (u < -1 ? -1 : 0);
}

Triangle triangle_at(const Terrain &t, float x, float z)
{
    float u = cells(x, t), v = cells(z, t);
    int i = (int)std::floor(u), j = (int)std::floor(v);
    float fu = u - i, fv = v - j;
    if ((i + j) & 1) {
        if (fu + fv <= 1)
            return {i, j, i + 1, j, i, j + 1, fu, fv};
        return {i + 1, j + 1, i, j + 1, i + 1, j, 1 - fu, 1 - fv};
    }
    if (fv <= fu)
        return {i + 1, j, i, j, i + 1, j + 1, 1 - fu, fv};
    return {i, j + 1, i + 1, j + 1, i, j, fu, 1 - fv};
}

} // namespace

float terrain_height(const Terrain &t, float x, float z)
{
    Triangle tri = triangle_at(t, x, z);
    float c = terrain_point(t, tri.ci, tri.cj);
    return c + tri.a * (terrain_point(t, tri.ai, tri.aj) - c) + tri.b * (terrain_point(t, tri.bi, tri.bj) - c);
}

TerrainBounds terrain_bounds(const Terrain &t)
{
    const float fence_inset = 12;
    float size = (float)std::max(t.points_per_side - 1, 0) * t.spacing;
    TerrainBounds b;
    if (size > 4 * fence_inset) {
        b.lo = fence_inset;
        b.hi = size - fence_inset;
    }
    return b;
}

Vec3 terrain_normal(const Terrain &t, float x, float z)
{
    Triangle tri = triangle_at(t, x, z);
    float L = t.spacing;
    float c = terrain_point(t, tri.ci, tri.cj);
    Vec3 a = {(tri.ai - tri.ci) * L, terrain_point(t, tri.ai, tri.aj) - c, (tri.aj - tri.cj) * L};
    Vec3 b = {(tri.bi - tri.ci) * L, terrain_point(t, tri.bi, tri.bj) - c, (tri.bj - tri.cj) * L};
    Vec3 n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    if (n.y < 0)
        n = {-n.x, -n.y, -n.z};
    return n;
}

float terrain_average_height(const Terrain &t, float x, float z, float r)
{
    float L = t.spacing;
    // At most 64 cells across and centred within its own reach of the grid:
    // the sum has a bounded number of terms whatever it is asked, and a disc
    // wholly beyond the border still sees only the border.
    r = r >= 0 ? (r <= 32 * L ? r : 32 * L) : 0;
    float reach = r / L + 2, last = (float)t.points_per_side;
    auto near = [&](float v) {
        float u = v / L;
        return (u >= -reach ? (u <= last + reach ? u : last + reach) : (u < -reach ? -reach : 0)) * L;
    };
    x = near(x);
    z = near(z);
    int i0 = (int)std::floor((x - r) / L), i1 = (int)std::ceil((x + r) / L);
    int j0 = (int)std::floor((z - r) / L), j1 = (int)std::ceil((z + r) / L);
    double sum = 0, weights = 0;
    for (int j = j0; j <= j1; ++j) {
        for (int i = i0; i <= i1; ++i) {
            float dx = i * L - x, dz = j * L - z;
            float d2 = dx * dx + dz * dz;
            float w;
            if (d2 < r * r)
                w = 1;
            else if (d2 < (r + L) * (r + L))
                w = (r + L - std::sqrt(d2)) / L;
            else
                continue;
            sum += w * terrain_point(t, i, j);
            weights += w;
        }
    }
    if (weights == 0)
        return terrain_point(t, i0, j0);
    return (float)(sum / weights);
}

int terrain_tile_at(const Terrain &t, float x, float z)
{
    int last = t.tiles_per_side - 1;
    float c = x / t.double_spacing, r = z / t.double_spacing;
    int ci = !(c >= 0) ? 0 : c > last ? last : (int)c;
    int ri = !(r >= 0) ? 0 : r > last ? last : (int)r;
    return t.tile_map[(size_t)ci + (size_t)t.tiles_per_side * ri];
}
