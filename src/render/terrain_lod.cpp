// Quadtree thresholds and the per-frame refinement choice.
#include "render/terrain_lod.h"

#include "track/terrain.h"

#include <algorithm>
#include <cmath>

namespace
{

// Grid intervals per side of a level-l node.
int node_span(const Terrain &t, int l)
{
    return (t.points_per_side - 1) >> l;
}

// Height of the plane through a node's two triangles at grid point (i, j).
// The node splits along (i0, j0)-(i1, j1) when a + b is even, like the
// grid's own cells, and along the other diagonal when odd.
float plane_height(const float corner[4], bool even, float u, float v)
{
    // corner: (i0, j0), (i1, j0), (i0, j1), (i1, j1)
    if (even) {
        if (u >= v)
            return corner[0] + u * (corner[1] - corner[0]) + v * (corner[3] - corner[1]);
        return corner[0] + v * (corner[2] - corner[0]) + u * (corner[3] - corner[2]);
    }
    if (u + v <= 1)
        return corner[0] + u * (corner[1] - corner[0]) + v * (corner[2] - corner[0]);
    return corner[3] + (1 - u) * (corner[2] - corner[3]) + (1 - v) * (corner[1] - corner[3]);
}

struct NodeScan {
    int i0, j0, n;
    float corner[4];
    bool even;
};

NodeScan node_scan(const Terrain &t, int l, int a, int b)
{
    NodeScan s;
    s.n = node_span(t, l);
    s.i0 = a * s.n;
    s.j0 = b * s.n;
    s.corner[0] = terrain_point(t, s.i0, s.j0);
    s.corner[1] = terrain_point(t, s.i0 + s.n, s.j0);
    s.corner[2] = terrain_point(t, s.i0, s.j0 + s.n);
    s.corner[3] = terrain_point(t, s.i0 + s.n, s.j0 + s.n);
    s.even = ((a + b) & 1) == 0;
    return s;
}

// Largest error along one row of a node.
float row_error(const Terrain &t, const NodeScan &s, int row)
{
    const float *h = &t.heights[(size_t)(s.j0 + row) * t.points_per_side + s.i0];
    float v = (float)row / (float)s.n, worst = 0;
    for (int k = 0; k <= s.n; ++k) {
        float e = std::fabs(h[k] - plane_height(s.corner, s.even, (float)k / (float)s.n, v));
        worst = std::max(worst, e);
    }
    return worst;
}

// The node's final threshold from its error: its own value, raised so that
// the coarser node is refined whenever a neighbour of its children is.
float node_threshold(const TerrainLod &lod, const Terrain &t, int l, int a, int b, float error)
{
    float radius = t.extent * 0.70710678f / (float)(1 << l);
    float own = error / lod.tolerance + radius;
    float value = own * own;
    if (l == lod.level)
        return value;
    int side = 2 << l, ca = 2 * a, cb = 2 * b;
    static const int around[8][2] = {{0, -1}, {1, -1}, {2, 0}, {2, 1}, {1, 2}, {0, 2}, {-1, 1}, {-1, 0}};
    float largest = 0;
    for (const auto &o : around) {
        int na = ca + o[0], nb = cb + o[1];
        if (na >= 0 && nb >= 0 && na < side && nb < side)
            largest = std::max(largest, lod.building[lod_node_index(l + 1, na, nb)]);
    }
    float margin = t.extent / (float)(2 << l) * 3.1622777f * 0.50048828125f;
    float raised = std::sqrt(largest) + margin;
    value = std::max(value, raised * raised);
    static const int children[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (const auto &o : children)
        value = std::max(value, lod.building[lod_node_index(l + 1, ca + o[0], cb + o[1])]);
    return value;
}

void refine_window(TerrainLod *lod, int l, int sx, int ex, int sz, int ez)
{
    for (int b = sz; b < ez; ++b)
        for (int a = sx; a < ex; ++a)
            lod->refine[lod_node_index(l, a, b)] = 1;
}

// Window bounds of one axis at level l around camera cell c, given the
// finer level's window [finer_start, finer_end) (none when finer_end < 0).
void window_axis(int level, int l, int c, int finer_start, int finer_end, int *start, int *end)
{
    int shift = level - l + 1;
    int s = ((c - (1 << (level - l))) >> shift) - 1;
    s = std::max(0, std::min(s, (1 << l) - 4));
    int e = s + 4;
    if (finer_end >= 0 && 2 * e == finer_end)
        ++e;
    e = std::min(e, 1 << l);
    if (finer_end >= 0 && 2 * s == finer_start)
        --s;
    *start = std::max(s, 0);
    *end = e;
}

void refine_by_distance(TerrainLod *lod, const Terrain &t, int l, int a, int b, float x, float z)
{
    int index = lod_node_index(l, a, b);
    float half = t.extent / (float)(2 << l);
    float dx = x - (float)(2 * a + 1) * half, dz = z - (float)(2 * b + 1) * half;
    if (!lod->refine[index] && dx * dx + dz * dz >= lod->thresholds[index])
        return;
    lod->refine[index] = 1;
    if (l == lod->level)
        return;
    for (int k = 0; k < 4; ++k)
        refine_by_distance(lod, t, l + 1, 2 * a + (k & 1), 2 * b + (k >> 1), x, z);
}

// Quadrants (0: low x low z, 1: high x, 2: high z, 3: both) from the
// camera's own to the one opposite it, for each camera quadrant: the ground
// is drawn front to back, so the depth test turns away the hidden ground
// behind a hill before it is shaded.
const int quadrant_order[4][4] = {{0, 1, 2, 3}, {1, 3, 0, 2}, {2, 0, 3, 1}, {3, 2, 1, 0}};

struct FanWalk {
    const TerrainLod &lod;
    const Terrain &t;
    const float *eye, *forward;
    const Frustum *frustum; // relative to the eye; null: only what is behind is left out
    int octant;             // signs of the view direction: x 1, y 2, z 4
    void (*visit)(const GroundFan &, void *);
    void *context;
};

bool is_refined(const TerrainLod &lod, int l, int a, int b)
{
    int side = 1 << l;
    if (a < 0 || b < 0 || a >= side || b >= side)
        return true; // the grid border keeps its midpoints
    return lod.refine[lod_node_index(l, a, b)] != 0;
}

// Whether even the node's farthest point along the view lies behind the
// eye, or the node lies wholly outside the view's frustum.
bool out_of_view(const FanWalk &w, int i0, int j0, int n)
{
    float x = (float)((w.octant & 1) ? i0 + n : i0) * w.t.spacing;
    float y = (w.octant & 2) ? w.t.max_height : w.t.min_height;
    float z = (float)((w.octant & 4) ? j0 + n : j0) * w.t.spacing;
    if ((x - w.eye[0]) * w.forward[0] + (y - w.eye[1]) * w.forward[1] + (z - w.eye[2]) * w.forward[2] < 0)
        return true;
    if (!w.frustum)
        return false;
    // The node's box, from the lowest ground to the highest, round the eye.
    float L = w.t.spacing;
    const float low[3] = {(float)i0 * L - w.eye[0], w.t.min_height - w.eye[1], (float)j0 * L - w.eye[2]},
                high[3] = {(float)(i0 + n) * L - w.eye[0], w.t.max_height - w.eye[1], (float)(j0 + n) * L - w.eye[2]};
    return !frustum_box_visible(*w.frustum, low, high);
}

void emit_fan(const FanWalk &w, int l, int a, int b)
{
    int n = node_span(w.t, l), h = n / 2, i0 = a * n, j0 = b * n;
    // A refined node of the finest level shows every grid point of its
    // edges (its 2x2 cells are exactly the fan).
    bool full = l == w.lod.level && is_refined(w.lod, l, a, b);
    // Offsets from the node's corner, and for the edge midpoints the step
    // to the neighbour across that edge: a midpoint is needed where that
    // neighbour is refined.
    static const int outline[8][4] = {{0, 0, 0, 0}, {0, 1, -1, 0}, {0, 2, 0, 0}, {1, 2, 0, 1},
                                      {2, 2, 0, 0}, {2, 1, 1, 0},  {2, 0, 0, 0}, {1, 0, 0, -1}};
    GroundFan fan;
    fan.level = l, fan.a = a, fan.b = b;
    fan.points[0][0] = i0 + h, fan.points[0][1] = j0 + h;
    fan.count = 1;
    for (const auto &o : outline) {
        bool midpoint = o[2] != 0 || o[3] != 0;
        if (midpoint && !full && !is_refined(w.lod, l, a + o[2], b + o[3]))
            continue;
        fan.points[fan.count][0] = i0 + o[0] * h;
        fan.points[fan.count][1] = j0 + o[1] * h;
        ++fan.count;
    }
    fan.points[fan.count][0] = i0, fan.points[fan.count][1] = j0;
    ++fan.count;
    w.visit(fan, w.context);
}

void walk_node(const FanWalk &w, int l, int a, int b)
{
    int n = node_span(w.t, l);
    if (out_of_view(w, a * n, b * n, n))
        return;
    if (l == w.lod.level || !w.lod.refine[lod_node_index(l, a, b)]) {
        emit_fan(w, l, a, b);
        return;
    }
    // Unrefined quadrants are drawn as their own fans: a fan around this
    // node's centre would leave a crack where a refined sibling puts a
    // vertex on the shared edge.
    int centre_i = a * n + n / 2, centre_j = b * n + n / 2;
    int q = (w.lod.camera_cell[0] >= centre_i ? 1 : 0) | (w.lod.camera_cell[1] >= centre_j ? 2 : 0);
    for (int k : quadrant_order[q])
        walk_node(w, l + 1, 2 * a + (k & 1), 2 * b + (k >> 1));
}

} // namespace

void lod_fans_walk(const TerrainLod &lod, const Terrain &t, const float eye[3], const float forward[3],
                   const Frustum *frustum, void (*visit)(const GroundFan &, void *), void *context)
{
    if (lod.level < 0 || lod.refine.empty())
        return;
    int octant = (forward[0] > 0 ? 1 : 0) | (forward[1] > 0 ? 2 : 0) | (forward[2] > 0 ? 4 : 0);
    FanWalk w = {lod, t, eye, forward, frustum, octant, visit, context};
    walk_node(w, 0, 0, 0);
}

int grid_cell(float v, float size)
{
    double cell = std::floor((double)v / size);
    if (!(cell > -1e6))
        return cell != cell ? 0 : -1000000;
    return cell < 1e6 ? (int)cell : 1000000;
}

int lod_node_count(int level)
{
    return ((1 << (2 * (level + 1))) - 1) / 3;
}

float lod_node_error(const Terrain &t, int l, int a, int b)
{
    NodeScan s = node_scan(t, l, a, b);
    float worst = 0;
    for (int row = 0; row <= s.n; ++row)
        worst = std::max(worst, row_error(t, s, row));
    return worst;
}

void lod_reset(TerrainLod *lod, const Terrain &t, float tolerance)
{
    int count = lod_node_count(t.level);
    if (lod->level != t.level || (int)lod->thresholds.size() != count) {
        lod->level = t.level;
        // Until the first computation completes every node looks far away.
        lod->thresholds.assign((size_t)count, 0.0f);
        lod->building.assign((size_t)count, 0.0f);
        lod->refine.assign((size_t)count, 0);
    }
    lod->tolerance = tolerance > 0 ? tolerance : 1e-6f;
    lod->next_level = t.level;
    lod->next_node = lod->next_row = 0;
    lod->partial_max = 0;
    lod->finished = false;
}

int lod_compute(TerrainLod *lod, const Terrain &t, int work_limit)
{
    if (lod->finished)
        return 1;
    long work = 0;
    while (lod->next_level >= 0) {
        int l = lod->next_level, side = 1 << l;
        for (; lod->next_node < side * side; ++lod->next_node) {
            int a = lod->next_node % side, b = lod->next_node / side;
            NodeScan s = node_scan(t, l, a, b);
            if (lod->next_row == 0)
                work += 20; // the node's two triangles
            for (; lod->next_row <= s.n; ++lod->next_row) {
                if (work_limit > 0 && work >= work_limit)
                    return 0;
                lod->partial_max = std::max(lod->partial_max, row_error(t, s, lod->next_row));
                work += s.n - 1; // k - 2 for a row of k = n + 1 samples
            }
            lod->building[lod_node_index(l, a, b)] = node_threshold(*lod, t, l, a, b, lod->partial_max);
            lod->partial_max = 0;
            lod->next_row = 0;
        }
        lod->next_node = 0;
        --lod->next_level;
    }
    lod->thresholds.swap(lod->building);
    lod->finished = true;
    return 1;
}

void lod_select(TerrainLod *lod, const Terrain &t, float x, float z)
{
    int level = lod->level;
    // A camera without a place sees the ground from far away.
    if (!std::isfinite(x) || !std::isfinite(z))
        x = z = -1e6f;
    std::fill(lod->refine.begin(), lod->refine.end(), 0);
    int cx = grid_cell(x, t.spacing), cz = grid_cell(z, t.spacing);
    lod->camera_cell[0] = cx;
    lod->camera_cell[1] = cz;
    // The coarsest levels are always refined: every node of levels 0 to
    // M - 6 and the first of level M - 5 (only the root on small grids).
    int forced = level >= 5 ? lod_node_count(level - 6) + 1 : 1;
    std::fill(lod->refine.begin(), lod->refine.begin() + forced, 1);
    int fsx = -1, fex = -1, fsz = -1, fez = -1;
    for (int l = level; l >= 1; --l) {
        int sx, ex, sz, ez;
        window_axis(level, l, cx, fsx, fex, &sx, &ex);
        window_axis(level, l, cz, fsz, fez, &sz, &ez);
        refine_window(lod, l, sx, ex, sz, ez);
        fsx = sx, fex = ex, fsz = sz, fez = ez;
    }
    refine_by_distance(lod, t, 0, 0, 0, x, z);
}
