// What each editor tool does on press, while the button is held, on
// release and on its keys: the height brushes, snap, the gradients, timing
// gates, billboards, statues, the tile map and decals.
#include "editor/editor.h"
#include "platform/tick_math.h"

#include "render/terrain_render.h"
#include "track/objects.h"
#include "track/terrain.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

std::mt19937 &random_source()
{
    static std::mt19937 source(12345u);
    return source;
}

void pointer_world(const Editor &e, float *x, float *z)
{
    editor_to_world(e, e.pointer[0], e.pointer[1], x, z);
}

float distance(float ax, float az, float bx, float bz)
{
    return std::sqrt((ax - bx) * (ax - bx) + (az - bz) * (az - bz));
}

bool untouched(const Gradient &g)
{
    if (g.t.size() > 2)
        return false;
    for (float v : g.v)
        if (v != 0)
            return false;
    return true;
}

float slope_of_segment(const Gradient &g, size_t i)
{
    float dt = g.t[i + 1] - g.t[i];
    return dt > 0 ? (g.v[i + 1] - g.v[i]) / dt : 0;
}

float point_slope(const Gradient &g, size_t j)
{
    size_t n = g.t.size();
    if (n < 2)
        return 0;
    if (j == 0)
        return slope_of_segment(g, 0);
    if (j == n - 1)
        return slope_of_segment(g, n - 2);
    if (g.kind[j - 1] == 0)
        return slope_of_segment(g, j - 1);
    if (g.kind[j] == 0)
        return slope_of_segment(g, j);
    return (slope_of_segment(g, j - 1) + slope_of_segment(g, j)) / 2;
}

// The reference ground's height: the surface the brushes work from.
float reference_height(const Editor &e, float x, float z)
{
    const Terrain &live = e.track->terrain;
    int P = live.points_per_side;
    float L = live.spacing;
    float gx = std::clamp(x / L, 0.0f, (float)(P - 1)), gz = std::clamp(z / L, 0.0f, (float)(P - 1));
    int i = std::min((int)gx, P - 2), j = std::min((int)gz, P - 2);
    float fx = gx - (float)i, fz = gz - (float)j;
    auto R = [&](int a, int b) { return e.reference[(size_t)b * P + a]; };
    // Bilinear between the four corners: close to the triangulated surface
    // and exact at the grid points.
    return (R(i, j) * (1 - fx) + R(i + 1, j) * fx) * (1 - fz) + (R(i, j + 1) * (1 - fx) + R(i + 1, j + 1) * fx) * fz;
}

float gradient_shape(const Editor &e, float x, float z, bool radial)
{
    if (e.gradient < 0)
        return 0;
    const Gradient &g = e.gradients[e.gradient];
    float dx = g.end[0] - g.start[0], dz = g.end[1] - g.start[1], len = std::sqrt(dx * dx + dz * dz);
    if (len <= 0)
        return gradient_value(g, 0);
    dx /= len, dz /= len;
    float rx = x - g.start[0], rz = z - g.start[1], along = rx * dx + rz * dz;
    if (!radial)
        return gradient_value(g, along);
    if (along >= 0)
        return gradient_value(g, std::fabs(rx * dz - rz * dx));
    return gradient_value(g, std::sqrt(rx * rx + rz * rz));
}

void ground_changed(Editor *e)
{
    e->dirty = true;
    ++e->revision;
    e->message = "Update needed!";
    e->track->terrain.modified = true;
}

void brush_step(Editor *e)
{
    if (e->steps % 32 != 0)
        return;
    Terrain &t = e->track->terrain;
    int P = t.points_per_side;
    float L = t.spacing, F = editor_pixel(*e);
    float cx, cz;
    pointer_world(*e, &cx, &cz);
    float s = (float)e->items[ITEM_STRENGTH].value;
    float Ro = (float)e->items[ITEM_RADIUS].value * F, Ri = Ro * (float)e->items[ITEM_FOCUS].value;
    int tool = e->tool, mode = e->items[ITEM_SUBMODE].index;
    bool refused = false;
    float along[2] = {0, 0};
    if (tool == TOOL_SMUDGE) {
        float ax = e->trail[0] - cx, az = e->trail[1] - cz, d = std::sqrt(ax * ax + az * az);
        if (d < 1)
            return;
        along[0] = ax / d, along[1] = az / d;
        e->trail[0] = cx + along[0], e->trail[1] = cz + along[1];
    }
    int i0 = std::clamp((int)std::floor((cx - Ro) / L), 0, P - 1),
        i1 = std::clamp((int)std::ceil((cx + Ro) / L), 0, P - 1);
    int j0 = std::clamp((int)std::floor((cz - Ro) / L), 0, P - 1),
        j1 = std::clamp((int)std::ceil((cz + Ro) / L), 0, P - 1);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            float px = (float)i * L, pz = (float)j * L, d = distance(px, pz, cx, cz);
            if (d >= Ro)
                continue;
            float w = 1;
            if (d >= Ri && Ro > Ri) {
                float q = (d - Ri) / (Ro - Ri);
                w = 2 * q * q * q - 3 * q * q + 1;
            }
            float r = e->reference[(size_t)j * P + i], target = r;
            switch (tool) {
            case TOOL_RAISE:
                target = r + s;
                break;
            case TOOL_LOWER:
                target = r - s;
                break;
            case TOOL_SMOOTH: {
                int c = std::clamp((int)std::lround(s), 1, 1024);
                double sum = 0;
                int count = 0;
                for (int di = -(c - 1); di <= c - 1; ++di) {
                    int span = (int)std::lround(std::sqrt((double)(c * c - di * di)));
                    for (int dj = -span; dj <= span; ++dj) {
                        int a = std::clamp(i + di, 0, P - 1), b = std::clamp(j + dj, 0, P - 1);
                        sum += e->reference[(size_t)b * P + a];
                        ++count;
                    }
                }
                target = count ? (float)(sum / count) : r;
                break;
            }
            case TOOL_SMUDGE: {
                double sum = 0;
                int count = 0;
                for (float u = 0; u < s * L; u += L / 2, ++count)
                    sum += reference_height(*e, px + u * along[0], pz + u * along[1]);
                target = count ? (float)(sum / count) : r;
                break;
            }
            case TOOL_LINEAR_PAINT:
                target = gradient_shape(*e, px, pz, false);
                break;
            case TOOL_LINEAR_ADD:
                target = r + gradient_shape(*e, px, pz, false);
                break;
            case TOOL_RADIAL_PAINT:
                target = gradient_shape(*e, px, pz, true);
                break;
            case TOOL_RADIAL_ADD:
                target = r + gradient_shape(*e, px, pz, true);
                break;
            }
            float n = r + (target - r) * w;
            float &h = t.heights[(size_t)j * P + i];
            if (!(std::fabs(h - r) < std::fabs(n - r)))
                continue;
            if (tool >= TOOL_LINEAR_PAINT && tool <= TOOL_RADIAL_ADD) {
                float sigma = std::clamp(s, 0.0f, 1.0f) * (n - r);
                n = sigma >= 0 ? std::min(n, h + sigma) : std::max(n, h + sigma);
            }
            if (mode == 1)
                n = std::max(n, r);
            else if (mode == 2)
                n = std::min(n, r);
            // A height the track files cannot hold is refused.
            if (!std::isfinite(n) || std::fabs(n) > TERRAIN_MAX_HEIGHT) {
                refused = true;
                continue;
            }
            h = n;
            t.min_height = std::min(t.min_height, n);
            t.max_height = std::max(t.max_height, n);
        }
    ground_changed(e);
    if (refused)
        e->message = "Heights beyond the track's limits refused!";
}

} // namespace

bool snap_block(const Editor &e, int *i0, int *j0, int *i1, int *j1, int *size)
{
    const Terrain &t = e.track->terrain;
    int P = t.points_per_side;
    float L = t.spacing, s = (float)e.items[ITEM_STRENGTH].value;
    *size = 1;
    while ((float)*size * L < s && *size < P - 1)
        *size *= 2;
    float cx, cz;
    editor_to_world(e, e.pointer[0], e.pointer[1], &cx, &cz);
    *i0 = std::clamp((int)std::floor(cx / L) / *size * *size, 0, P - 1);
    *j0 = std::clamp((int)std::floor(cz / L) / *size * *size, 0, P - 1);
    *i1 = std::min(*i0 + *size, P - 1), *j1 = std::min(*j0 + *size, P - 1);
    return *i1 > *i0 && *j1 > *j0;
}

namespace
{

// Snap: a block of 2^k grid intervals takes the heights its corners give
// when triangulated as one coarse cell.
void snap_step(Editor *e)
{
    if (e->steps % 16 != 0)
        return;
    Terrain &t = e->track->terrain;
    int P = t.points_per_side, i0, j0, i1, j1, size;
    if (!snap_block(*e, &i0, &j0, &i1, &j1, &size))
        return;
    auto R = [&](int a, int b) { return e->reference[(size_t)b * P + a]; };
    float h00 = R(i0, j0), h10 = R(i1, j0), h01 = R(i0, j1), h11 = R(i1, j1);
    // The diagonal alternates with the cell's place at this level.
    bool flip = ((i0 / size) + (j0 / size)) % 2 == 1;
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            float u = (float)(i - i0) / (float)(i1 - i0), v = (float)(j - j0) / (float)(j1 - j0);
            float h;
            if (!flip)
                h = u + v <= 1 ? h00 + (h10 - h00) * u + (h01 - h00) * v
                               : h11 + (h01 - h11) * (1 - u) + (h10 - h11) * (1 - v);
            else
                h = u >= v ? h00 + (h10 - h00) * u + (h11 - h10) * v : h00 + (h01 - h00) * v + (h11 - h01) * u;
            t.heights[(size_t)j * P + i] = h;
        }
    ground_changed(e);
}

void placement_press(Editor *e)
{
    if (e->gradient < 0)
        return;
    float x, z, p = editor_pick(*e) / 2;
    pointer_world(*e, &x, &z);
    Gradient &g = e->gradients[e->gradient];
    if (distance(x, z, g.start[0], g.start[1]) < p) {
        e->drag = 1;
    } else if (distance(x, z, g.end[0], g.end[1]) < p) {
        e->drag = 2;
    } else {
        e->drag = 0;
        for (int k = (int)e->gradients.size() - 1; k >= 0; --k) {
            const Gradient &o = e->gradients[k];
            if (distance(x, z, o.start[0], o.start[1]) < p || distance(x, z, o.end[0], o.end[1]) < p) {
                e->gradient = k;
                e->point = -1;
                break;
            }
        }
    }
}

void placement_step(Editor *e)
{
    if (e->gradient < 0 || e->drag == 0)
        return;
    float x, z;
    pointer_world(*e, &x, &z);
    Gradient &g = e->gradients[e->gradient];
    if (e->drag == 1) {
        if (untouched(g)) {
            g.start[0] = x, g.start[1] = z;
        } else {
            float dx = x - g.start[0], dz = z - g.start[1];
            g.start[0] += dx, g.start[1] += dz, g.end[0] += dx, g.end[1] += dz;
        }
    } else if (untouched(g)) {
        g.end[0] = x, g.end[1] = z;
    } else {
        float dx = x - g.start[0], dz = z - g.start[1], d = std::sqrt(dx * dx + dz * dz);
        if (d > 0 && !g.t.empty())
            g.end[0] = g.start[0] + dx / d * g.t.back(), g.end[1] = g.start[1] + dz / d * g.t.back();
    }
}

void edit_press(Editor *e)
{
    e->drag = 0;
    if (e->gradient < 0)
        return;
    Gradient &g = e->gradients[e->gradient];
    float x, z, p = editor_pick(*e) / 2;
    pointer_world(*e, &x, &z);
    for (size_t i = 0; i < g.t.size(); ++i)
        if (distance(x, z, g.start[0] + g.t[i], g.start[1] - g.v[i]) < p) {
            e->point = (int)i;
            e->items[ITEM_SEGMENT_TYPE].index = g.kind[i];
            e->drag = 1;
            return;
        }
    for (size_t i = 1; i < g.t.size(); ++i)
        if (x > g.start[0] + g.t[i - 1] && x < g.start[0] + g.t[i]) {
            g.t.insert(g.t.begin() + (long)i, x - g.start[0]);
            g.v.insert(g.v.begin() + (long)i, g.start[1] - z);
            g.kind.insert(g.kind.begin() + (long)i, g.kind[i - 1]);
            e->point = (int)i;
            e->drag = 1;
            return;
        }
    e->point = -1;
}

void edit_step(Editor *e)
{
    if (e->gradient < 0 || e->point < 0 || e->drag != 1)
        return;
    Gradient &g = e->gradients[e->gradient];
    float x, z;
    pointer_world(*e, &x, &z);
    float t = x - g.start[0], v = g.start[1] - z, step = (float)e->items[ITEM_GRANULARITY].value;
    if (step > 0) {
        t = std::floor(t / step + 0.5f) * step;
        v = std::floor(v / step + 0.5f) * step;
    }
    size_t j = (size_t)e->point, n = g.t.size();
    if (j == 0 || j == n - 1) {
        g.v[j] = v;
    } else if (t > g.t[j - 1] && t < g.t[j + 1]) {
        g.t[j] = t, g.v[j] = v;
    } else {
        // Dragged past a neighbour: the point goes.
        g.t.erase(g.t.begin() + (long)j), g.v.erase(g.v.begin() + (long)j), g.kind.erase(g.kind.begin() + (long)j);
        e->point = -1;
        e->drag = 0;
    }
}

void gate_press(Editor *e)
{
    float x, z, p = editor_pick(*e) / 2;
    pointer_world(*e, &x, &z);
    std::vector<Checkpoint> &list = e->track->objects.gates.checkpoints;
    e->checkpoint = -1;
    e->drag = 0;
    for (size_t k = 0; k < list.size(); ++k)
        if (distance(x, z, list[k].centre[0], list[k].centre[2]) < p) {
            e->checkpoint = (int)k, e->drag = 1;
            return;
        }
    for (size_t k = 0; k < list.size(); ++k) {
        const Checkpoint &c = list[k];
        float dx = c.direction[0], dz = c.direction[2], d = std::sqrt(dx * dx + dz * dz);
        if (d > 0 && distance(x, z, c.centre[0] + dx / d * c.radius, c.centre[2] + dz / d * c.radius) < p) {
            e->checkpoint = (int)k, e->drag = 2;
            return;
        }
    }
}

void gate_step(Editor *e)
{
    if (e->checkpoint < 0)
        return;
    float x, z;
    pointer_world(*e, &x, &z);
    Checkpoint &c = e->track->objects.gates.checkpoints[e->checkpoint];
    if (e->drag == 1) {
        c.centre[0] = x, c.centre[1] = 0, c.centre[2] = z;
    } else if (e->drag == 2) {
        float dx = x - c.centre[0], dz = z - c.centre[2], r = std::sqrt(dx * dx + dz * dz);
        if (r <= 0)
            return;
        c.direction[0] = dx, c.direction[1] = 0, c.direction[2] = dz;
        c.radius = r;
    }
    e->track->terrain.modified = true;
}

// The first billboard of the track's own within `reach` of (x, z),
// searched cyclically after the selected one.
int billboard_near(const Editor &e, float x, float z, float reach, bool own_only)
{
    const TrackObjects &o = e.track->objects;
    int n = (int)o.billboards.size();
    for (int step = 1; step <= n; ++step) {
        int k = ((e.billboard < 0 ? -1 : e.billboard) + step) % n;
        if (own_only && k < (int)o.first_track_billboard)
            continue;
        const Billboard &b = o.billboards[k];
        if (k >= (int)o.first_track_billboard && distance(x, z, b.x, b.z) < reach)
            return k;
    }
    return -1;
}

int copy_billboard(Editor *e, float x, float z)
{
    Track *track = e->track;
    Billboard from = track->objects.billboards[e->billboard];
    int k = add_billboard(track, x, from.offset, z, from.size, from.aspect, from.texture_name.c_str());
    if (k >= 0)
        std::copy(from.colour, from.colour + 3, track->objects.billboards[k].colour);
    return k;
}

void billboard_press(Editor *e)
{
    float x, z, p = editor_pick(*e) / 2;
    pointer_world(*e, &x, &z);
    int found = billboard_near(*e, x, z, p, false);
    e->placed = -1;
    if (found >= 0) {
        e->billboard = found;
        e->items[ITEM_HEIGHT].value = e->track->objects.billboards[found].offset;
    } else if (e->billboard >= 0) {
        e->placed = copy_billboard(e, x, z);
    }
}

void billboard_step(Editor *e)
{
    if (e->billboard < 0 || e->placed < 0)
        return;
    float x, z;
    pointer_world(*e, &x, &z);
    const Billboard &last = e->track->objects.billboards[e->placed];
    float D = (float)e->items[ITEM_BILLBOARD_SPACING].value * last.aspect * last.size;
    if (distance(x, z, last.x, last.z) >= D && billboard_near(*e, x, z, D, false) < 0)
        e->placed = copy_billboard(e, x, z);
}

void statue_press(Editor *e)
{
    float x, z, p = editor_pick(*e);
    pointer_world(*e, &x, &z);
    std::vector<Statue> &list = e->track->objects.statues;
    e->statue = -1;
    e->drag = 0;
    for (size_t k = 0; k < list.size(); ++k)
        if (distance(x, z, list[k].x, list[k].z) < p / 2) {
            e->statue = (int)k, e->drag = 1;
            return;
        }
    for (size_t k = 0; k < list.size(); ++k) {
        const Statue &s = list[k];
        if (distance(x, z, s.x - std::sin(s.angle) * 4 * p, s.z - std::cos(s.angle) * 4 * p) < p / 2) {
            e->statue = (int)k, e->drag = 2;
            return;
        }
    }
}

void statue_step(Editor *e)
{
    if (e->statue < 0)
        return;
    float x, z;
    pointer_world(*e, &x, &z);
    Track *track = e->track;
    Statue &s = track->objects.statues[e->statue];
    if (e->drag == 1) {
        s.x = x, s.z = z;
        regrind_statue(track->terrain, &s);
        rebin_statues(track);
    } else if (e->drag == 2) {
        if (s.angle >= 3.25f)
            return;
        float a = std::atan2(s.x - x, s.z - z);
        if (s.angle <= -2 * pi)
            a -= 4 * pi;
        s.angle = a;
        regrind_statue(track->terrain, &s);
    }
    track->terrain.modified = true;
}

void tile_step(Editor *e)
{
    if (e->steps % 32 != 0)
        return;
    Terrain &t = e->track->terrain;
    int type = (int)e->items[ITEM_TILE].value, N = t.tiles_per_side, P = t.points_per_side;
    if (type < 0 || type >= (int)t.surfaces.size() || N <= 0)
        return;
    float cx, cz, L = t.spacing, Rt = (float)e->items[ITEM_RADIUS].value * editor_pixel(*e);
    pointer_world(*e, &cx, &cz);
    int32_t code = t.surfaces[type].code;
    std::vector<int> candidates;
    for (size_t k = 0; k < t.surfaces.size(); ++k)
        if (t.surfaces[k].code == code)
            candidates.push_back((int)k);
    auto corners = [&](int surface, int out[4]) {
        // Corner bits of a transition code: set bits show the other type.
        int32_t c = t.surfaces[surface].code;
        int base = (c >> 16) & 0xff, other = (c >> 8) & 0xff, mask = c & 0xf;
        for (int b = 0; b < 4; ++b)
            out[b] = (mask >> b) & 1 ? other : base;
    };
    int i_lo = std::clamp((int)std::floor((cx - Rt) / L), 0, P - 2),
        i_hi = std::clamp((int)std::ceil((cx + Rt) / L), 0, P - 2);
    int j_lo = std::clamp((int)std::floor((cz - Rt) / L), 0, P - 2),
        j_hi = std::clamp((int)std::ceil((cz + Rt) / L), 0, P - 2);
    static const int around[8][3] = {{-1, -1, 1}, {0, -1, 3}, {1, -1, 2}, {-1, 0, 5},
                                     {1, 0, 10},  {-1, 1, 4}, {0, 1, 12}, {1, 1, 8}};
    for (int j = j_lo | 1; j <= j_hi; j += 2)
        for (int i = i_lo | 1; i <= i_hi; i += 2) {
            if (distance((float)i * L, (float)j * L, cx, cz) > Rt)
                continue;
            int a = i / 2, b = j / 2;
            if (a >= N || b >= N || candidates.empty())
                continue;
            t.tile_map[(size_t)b * N + a] = (uint8_t)candidates[random_source()() % candidates.size()];
            int own = (code >> 16) & 0xff;
            for (const auto &n : around) {
                int na = a + n[0], nb = b + n[1];
                if (na < 0 || nb < 0 || na >= N || nb >= N)
                    continue;
                uint8_t &cell = t.tile_map[(size_t)nb * N + na];
                if (cell >= t.surfaces.size())
                    continue;
                int want[4];
                corners(cell, want);
                bool done = true;
                for (int bit = 0; bit < 4; ++bit)
                    if ((n[2] >> bit) & 1 && want[bit] != own)
                        want[bit] = own, done = false;
                if (done)
                    continue;
                for (size_t k = 0; k < t.surfaces.size(); ++k) {
                    int have[4];
                    corners((int)k, have);
                    if (std::equal(have, have + 4, want)) {
                        cell = (uint8_t)k;
                        break;
                    }
                }
            }
        }
    t.modified = true;
    e->dirty = true;
    ++e->revision;
}

void add_decal(Editor *e, float x, float z, bool from_key)
{
    Terrain &t = e->track->terrain;
    if (e->decal < 0 || e->decal >= (int)t.decals.size())
        return;
    Decal d = t.decals[e->decal];
    const Decal &sel = t.decals[e->decal];
    float spacing = (float)e->items[ITEM_DECAL_SPACING].value;
    if (from_key) {
        float dx = x - sel.x, dz = z - sel.z, len = std::sqrt(dx * dx + dz * dz);
        if (len <= 0)
            return;
        x = sel.x + dx / len * spacing * sel.length;
        z = sel.z + dz / len * spacing * sel.length;
    }
    switch (e->items[ITEM_ORIENTATION].index) {
    case 1:
        d.angle = (float)((double)random_source()() / 4294967296.0 * 2 * pi - pi);
        break;
    case 2:
        d.angle = std::atan2(sel.x - x, sel.z - z);
        break;
    case 3: {
        float qx = sel.x - sel.sin * sel.length * spacing / 2, qz = sel.z - sel.cos * sel.length * spacing / 2;
        d.angle = std::atan2(qx - x, qz - z);
        float half = d.length * spacing / 2;
        if (from_key)
            x = qx - std::sin(d.angle) * half, z = qz - std::cos(d.angle) * half;
        else
            x += std::sin(d.angle) * half, z += std::cos(d.angle) * half;
        break;
    }
    case 4: {
        Vec3 n = terrain_normal(t, x, z);
        d.angle = n.x * n.x + n.z * n.z < 1.0f / 1024 ? (float)((double)random_source()() / 4294967296.0 * 2 * pi - pi)
                                                      : std::atan2(n.x, n.z);
        break;
    }
    default:
        break;
    }
    d.x = x, d.z = z;
    d.sin = std::sin(d.angle), d.cos = std::cos(d.angle);
    t.decals.push_back(d);
    e->decal = (int)t.decals.size() - 1;
    terrain_add_decal(&t, d);
    t.modified = true;
}

void decal_press(Editor *e)
{
    Terrain &t = e->track->terrain;
    float x, z, p = editor_pick(*e);
    pointer_world(*e, &x, &z);
    for (size_t k = 0; k < t.decals.size(); ++k)
        if (distance(x, z, t.decals[k].x, t.decals[k].z) < p / 2) {
            e->decal = (int)k, e->drag = 1;
            return;
        }
    for (size_t k = 0; k < t.decals.size(); ++k) {
        const Decal &d = t.decals[k];
        if (distance(x, z, d.x - d.sin * 4 * p, d.z - d.cos * 4 * p) < p / 2) {
            e->decal = (int)k, e->drag = 2;
            return;
        }
    }
    e->drag = 0;
    add_decal(e, x, z, false);
}

void decal_step(Editor *e)
{
    Terrain &t = e->track->terrain;
    if (e->decal < 0 || e->decal >= (int)t.decals.size())
        return;
    float x, z;
    pointer_world(*e, &x, &z);
    Decal &d = t.decals[e->decal];
    if (e->drag == 1 || e->drag == 2) {
        Decal moved = d;
        if (e->drag == 1) {
            if (std::fabs(x - d.x) < 0.001f && std::fabs(z - d.z) < 0.001f)
                return;
            moved.x = x, moved.z = z;
        } else {
            float a = std::atan2(d.x - x, d.z - z);
            if (std::fabs(a - d.angle) < 0.001f)
                return;
            moved.angle = a, moved.sin = std::sin(a), moved.cos = std::cos(a);
        }
        terrain_remove_decal(&t, e->decal);
        d = moved;
        terrain_add_decal(&t, d);
        t.modified = true;
        return;
    }
    float spacing = (float)e->items[ITEM_DECAL_SPACING].value;
    float gap = distance(x, z, d.x, d.z);
    if (e->items[ITEM_ORIENTATION].index == 3)
        gap = std::min(gap, distance(x, z, d.x - d.sin * d.length * spacing / 2, d.z - d.cos * d.length * spacing / 2));
    if (gap > spacing * d.length)
        add_decal(e, x, z, false);
}

void remove_decals_near(Editor *e, float x, float z, float reach)
{
    Terrain &t = e->track->terrain;
    for (int k = (int)t.decals.size() - 1; k >= 0; --k)
        if (distance(x, z, t.decals[k].x, t.decals[k].z) < reach) {
            terrain_remove_decal(&t, k);
            t.decals.erase(t.decals.begin() + k);
            t.modified = true;
        }
    e->decal = -1;
}

} // namespace

void gradient_flatten(Gradient *g)
{
    float len = distance(g->start[0], g->start[1], g->end[0], g->end[1]);
    g->t = {0, len};
    g->v = {0, 0};
    g->kind = {0, 0};
}

float gradient_value(const Gradient &g, float t)
{
    size_t n = g.t.size();
    if (n == 0)
        return 0;
    if (t < g.t[0])
        return g.v[0];
    if (t >= g.t[n - 1])
        return g.v[n - 1];
    for (size_t i = 0; i + 1 < n; ++i) {
        if (!(g.t[i] <= t && t < g.t[i + 1]))
            continue;
        float dt = g.t[i + 1] - g.t[i], u = (t - g.t[i]) / dt;
        float a = g.v[i], b = g.v[i + 1];
        if (g.kind[i] == 0)
            return a + u * (b - a);
        float gm = point_slope(g, i) * dt, hm = point_slope(g, i + 1) * dt;
        return a + gm * u + (3 * (b - a) - 2 * gm - hm) * u * u + (gm + hm + 2 * (a - b)) * u * u * u;
    }
    return g.v[n - 1];
}

void gradient_from_terrain(Editor *e)
{
    if (e->gradient < 0)
        return;
    Gradient &g = e->gradients[e->gradient];
    float L = e->track->terrain.spacing;
    float dx = g.end[0] - g.start[0], dz = g.end[1] - g.start[1], len = std::sqrt(dx * dx + dz * dz);
    if (len <= 0 || L <= 0)
        return;
    g.t.clear(), g.v.clear(), g.kind.clear();
    for (float t = 0; t < len; t += L) {
        g.t.push_back(t);
        g.v.push_back(reference_height(*e, g.start[0] + dx / len * t, g.start[1] + dz / len * t));
        g.kind.push_back(1);
    }
    g.t.push_back(len), g.v.push_back(reference_height(*e, g.end[0], g.end[1])), g.kind.push_back(1);
    for (int pass = 0; pass < 2; ++pass)
        for (int j = (int)g.t.size() - 2; j >= 1; --j) {
            float u = (g.t[j] - g.t[j - 1]) / (g.t[j + 1] - g.t[j - 1]);
            float line = g.v[j - 1] + u * (g.v[j + 1] - g.v[j - 1]);
            float off = std::fabs(g.v[j] - line);
            bool drop = pass == 0 ? off < 1.0f / 1024 : (g.kind[j - 1] == 1 && g.kind[j] == 1 && off < 0.0625f);
            if (!drop)
                continue;
            g.t.erase(g.t.begin() + j), g.v.erase(g.v.begin() + j), g.kind.erase(g.kind.begin() + j);
            if (pass == 0)
                g.kind[j - 1] = 0;
        }
    e->point = -1;
}

void tool_press(Editor *e)
{
    float x, z;
    pointer_world(*e, &x, &z);
    switch (e->tool) {
    case TOOL_SMUDGE:
        e->trail[0] = x, e->trail[1] = z;
        [[fallthrough]];
    case TOOL_RAISE:
    case TOOL_LOWER:
    case TOOL_SMOOTH:
    case TOOL_SNAP:
        if (e->dirty) {
            editor_commit(e);
            e->message = "OK";
        }
        break;
    case TOOL_GRADIENT_PLACEMENT:
        placement_press(e);
        break;
    case TOOL_GRADIENT_EDIT:
        edit_press(e);
        break;
    case TOOL_TIMING_GATE:
        gate_press(e);
        break;
    case TOOL_BILLBOARDS:
        billboard_press(e);
        break;
    case TOOL_STATUES:
        statue_press(e);
        break;
    case TOOL_DECALS:
        if (!e->track->terrain.decals.empty() || e->decal >= 0)
            decal_press(e);
        break;
    default:
        break;
    }
}

void tool_step(Editor *e)
{
    switch (e->tool) {
    case TOOL_SNAP:
        snap_step(e);
        break;
    case TOOL_GRADIENT_PLACEMENT:
        placement_step(e);
        break;
    case TOOL_GRADIENT_EDIT:
        edit_step(e);
        break;
    case TOOL_TIMING_GATE:
        gate_step(e);
        break;
    case TOOL_BILLBOARDS:
        billboard_step(e);
        break;
    case TOOL_STATUES:
        statue_step(e);
        break;
    case TOOL_TILEMAP:
        tile_step(e);
        break;
    case TOOL_DECALS:
        decal_step(e);
        break;
    default:
        brush_step(e);
        break;
    }
}

void tool_release(Editor *e)
{
    if (e->tool <= TOOL_SNAP) {
        e->message = "OK";
        if (e->dirty)
            editor_commit(e);
    }
    if (e->tool == TOOL_GRADIENT_PLACEMENT && e->gradient >= 0 && e->drag != 0 && untouched(e->gradients[e->gradient]))
        gradient_flatten(&e->gradients[e->gradient]);
    e->drag = e->tool == TOOL_GRADIENT_EDIT ? 0 : e->drag;
}

bool tool_key(Editor *e, int code)
{
    float x, z, p = editor_pick(*e);
    pointer_world(*e, &x, &z);
    Track *track = e->track;
    bool remove = code == 127 || code == 'x';
    switch (e->tool) {
    case TOOL_BILLBOARDS:
        if (!remove)
            return false;
        if (int k = billboard_near(*e, x, z, p / 2, true); k >= 0) {
            track->objects.billboards.erase(track->objects.billboards.begin() + k);
            e->billboard = e->placed = -1;
        }
        return true;
    case TOOL_STATUES: {
        std::vector<Statue> &list = track->objects.statues;
        if (code == 'd' && e->statue >= 0) {
            Statue s = list[e->statue];
            add_statue(track, x, s.offset, z, s.angle, s.model_name.c_str(), s.texture_name.c_str(),
                       s.shape_name.empty() ? nullptr : s.shape_name.c_str());
            rebin_statues(track);
            track->terrain.modified = true;
            return true;
        }
        if (!remove)
            return false;
        for (size_t k = track->objects.first_track_statue; k < list.size(); ++k)
            if (distance(x, z, list[k].x, list[k].z) < p / 2) {
                list.erase(list.begin() + (long)k);
                e->statue = -1;
                rebin_statues(track);
                track->terrain.modified = true;
                break;
            }
        return true;
    }
    case TOOL_DECALS:
        if (code == 'd') {
            add_decal(e, x, z, true);
            return true;
        }
        if (code == 'X') {
            remove_decals_near(e, x, z, 50);
            return true;
        }
        if (remove) {
            remove_decals_near(e, x, z, p / 2);
            return true;
        }
        return false;
    default:
        return false;
    }
}
