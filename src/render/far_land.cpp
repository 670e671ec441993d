// The land beyond the height field and the fence round the ridden ground.
//
// Three pieces, built once per terrain:
// - a skirt along each border, from the border's own grid points out to a
//   coarse line 48 ft beyond (the ground the physics continues flat there);
// - a coarse grid from that line out to 4000 ft, whose cells grow outward:
//   the border's heights blend into hills that rise with distance, woods
//   dark on them, all of it fogged into the sky;
// - a tape fence on posts along the terrain's bounds.
// Everything is drawn from vertex arrays in world coordinates, without
// textures: from inside the fence it is scenery, never ridden.
#include "render/far_land.h"

#include "render/gl_caps.h"
#include "render/shaders.h"
#include "track/objects.h"
#include "track/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

const float skirt = 48, reach = 4000, coarse = 128;

struct LandVertex {
    float position[3];
    float colour[3];
};

struct Land {
    const Terrain *terrain = nullptr;
    const float *heights = nullptr;
    size_t count = 0;
    uint64_t checksum = 0;
    std::vector<LandVertex> vertices;
    std::vector<unsigned> triangles;
    std::vector<LandVertex> fence; // quads
    struct Chunk {
        float x, z;         // the middle of a run of fence
        GLint first, count; // its quads' vertices
    };
    std::vector<Chunk> fence_chunks;
};

Land land;

float hash01(int x, int z)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)z * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (float)((h ^ (h >> 16)) & 0xffffff) / (float)0xffffff;
}

float value_noise(float x, float z)
{
    int ix = (int)std::floor(x), iz = (int)std::floor(z);
    float fx = x - (float)ix, fz = z - (float)iz;
    fx = fx * fx * (3 - 2 * fx);
    fz = fz * fz * (3 - 2 * fz);
    float a = hash01(ix, iz), b = hash01(ix + 1, iz), c = hash01(ix, iz + 1), d = hash01(ix + 1, iz + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fz;
}

float fbm(float x, float z)
{
    float sum = 0, amplitude = 0.5f;
    for (int octave = 0; octave < 4; ++octave) {
        sum += amplitude * (value_noise(x, z) * 2 - 1);
        x *= 2.03f, z *= 2.03f, amplitude *= 0.5f;
    }
    return sum;
}

uint64_t heights_checksum(const Terrain &t)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < t.heights.size(); i += 97) {
        uint32_t bits;
        std::memcpy(&bits, &t.heights[i], 4);
        h = (h ^ bits) * 1099511628211ull;
    }
    return h;
}

// Height of the far land: the border's height where it leaves the skirt,
// hills with distance.
float far_height(const Terrain &t, float size, float average, float x, float z)
{
    float d = std::max({-x, x - size, -z, z - size}) - skirt;
    float border = terrain_height(t, std::clamp(x, 0.0f, size), std::clamp(z, 0.0f, size));
    if (d <= 0)
        return border;
    float w = std::clamp(d / 900, 0.0f, 1.0f);
    w = w * w * (3 - 2 * w);
    float hills = average + 25 + 110 * (fbm(x / 1100, z / 1100) + 0.35f) + 0.035f * std::min(d, reach);
    return border + (hills - border) * w;
}

// How wooded the land is at a place beyond the skirt (0..1).
float woodland(float x, float z, float d)
{
    float forest = std::clamp((fbm(x / 380 + 17, z / 380 - 5) - 0.05f) * 6, 0.0f, 1.0f);
    return forest * std::clamp((d - 120) / 200, 0.0f, 1.0f);
}

float border_average(const Terrain &t)
{
    const int P = t.points_per_side;
    double sum = 0;
    for (int k = 0; k < P; ++k)
        sum +=
            terrain_point(t, k, 0) + terrain_point(t, k, P - 1) + terrain_point(t, 0, k) + terrain_point(t, P - 1, k);
    return (float)(sum / (4.0 * P));
}

void colour_of(float x, float z, float d, float slope, float out[3])
{
    static const float grass[3] = {0.36f, 0.46f, 0.23f}, woods[3] = {0.14f, 0.25f, 0.12f};
    float forest = woodland(x, z, d);
    float shade = 0.72f + 0.28f * std::clamp(1 - slope * 1.5f, 0.0f, 1.0f);
    float speckle = 0.92f + 0.16f * hash01((int)(x / 40), (int)(z / 40));
    for (int i = 0; i < 3; ++i)
        out[i] = (grass[i] + (woods[i] - grass[i]) * forest) * shade * speckle;
}

// The axis of the coarse grid: the skirt's outer line, coarse steps across
// the terrain, and steps doubling outward to the far reach.
std::vector<float> grid_axis(float size)
{
    std::vector<float> outward;
    for (float step = 64, at = skirt + step; at - skirt < reach; step *= 1.6f, at += step)
        outward.push_back(at);
    std::vector<float> axis;
    for (auto it = outward.rbegin(); it != outward.rend(); ++it)
        axis.push_back(-*it);
    axis.push_back(-skirt);
    for (float at = 0; at < size; at += coarse)
        axis.push_back(at);
    axis.push_back(size);
    axis.push_back(size + skirt);
    for (float at : outward)
        axis.push_back(size + at);
    return axis;
}

void add_vertex(float x, float y, float z, float d, float slope)
{
    LandVertex v = {{x, y, z}, {}};
    colour_of(x, z, d, slope, v.colour);
    land.vertices.push_back(v);
}

void build(const Terrain &t)
{
    land.vertices.clear();
    land.triangles.clear();
    land.fence.clear();
    land.fence_chunks.clear();
    const int P = t.points_per_side;
    const float L = t.spacing, size = (float)(P - 1) * L;
    double sum = 0;
    for (int k = 0; k < P; ++k)
        sum +=
            terrain_point(t, k, 0) + terrain_point(t, k, P - 1) + terrain_point(t, 0, k) + terrain_point(t, P - 1, k);
    float average = (float)(sum / (4.0 * P));

    // The coarse grid, less the cells inside the skirt's outer line.
    std::vector<float> axis = grid_axis(size);
    const int n = (int)axis.size();
    std::vector<float> h((size_t)n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            h[(size_t)i + (size_t)n * j] = far_height(t, size, average, axis[(size_t)i], axis[(size_t)j]);
    auto height_at = [&](int i, int j) { return h[(size_t)i + (size_t)n * j]; };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            float x = axis[(size_t)i], z = axis[(size_t)j];
            float dx = height_at(std::min(i + 1, n - 1), j) - height_at(std::max(i - 1, 0), j);
            float run = axis[(size_t)std::min(i + 1, n - 1)] - axis[(size_t)std::max(i - 1, 0)];
            float d = std::max({-x, x - size, -z, z - size});
            add_vertex(x, height_at(i, j), z, d, std::fabs(dx) / std::max(run, 1.0f));
        }
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            bool inside = axis[(size_t)i] >= -skirt && axis[(size_t)i + 1] <= size + skirt &&
                          axis[(size_t)j] >= -skirt && axis[(size_t)j + 1] <= size + skirt;
            if (inside)
                continue;
            unsigned a = (unsigned)(i + n * j), b = a + 1, c = a + (unsigned)n, d = c + 1;
            land.triangles.insert(land.triangles.end(), {a, c, b, b, c, d});
        }

    // The skirts: each border's grid points out to the coarse line, whose
    // heights run straight between the coarse grid's, so no crack opens.
    auto coarse_border = [&](float u, bool along_x, float fixed) {
        // Between the coarse axis positions inside 0..size.
        int k = 0;
        while (k + 1 < n && axis[(size_t)k + 1] <= u)
            ++k;
        k = std::min(k, n - 2);
        float u0 = axis[(size_t)k], u1 = axis[(size_t)k + 1], f = u1 > u0 ? (u - u0) / (u1 - u0) : 0;
        float h0 = along_x ? far_height(t, size, average, u0, fixed) : far_height(t, size, average, fixed, u0);
        float h1 = along_x ? far_height(t, size, average, u1, fixed) : far_height(t, size, average, fixed, u1);
        return h0 + (h1 - h0) * f;
    };
    // Every fourth grid point of the border: the border's own shape, at a
    // quarter of the triangles.
    std::vector<int> border_points;
    for (int k = 0; k < P; k += 4)
        border_points.push_back(k);
    if (border_points.back() != P - 1)
        border_points.push_back(P - 1);
    const int B = (int)border_points.size();
    for (int side = 0; side < 4; ++side) {
        unsigned first = (unsigned)land.vertices.size();
        for (int k : border_points) {
            float u = (float)k * L;
            float x, z, ox, oz;
            int gi, gj;
            switch (side) {
            case 0: // z = 0
                x = ox = u, z = 0, oz = -skirt, gi = k, gj = 0;
                break;
            case 1: // z = size
                x = ox = u, z = size, oz = size + skirt, gi = k, gj = P - 1;
                break;
            case 2: // x = 0
                z = oz = u, x = 0, ox = -skirt, gi = 0, gj = k;
                break;
            default: // x = size
                z = oz = u, x = size, ox = size + skirt, gi = P - 1, gj = k;
                break;
            }
            add_vertex(x, terrain_point(t, gi, gj), z, 0, 0);
            add_vertex(ox, coarse_border(u, side < 2, side < 2 ? oz : ox), oz, skirt, 0);
        }
        for (int k = 0; k + 1 < B; ++k) {
            unsigned a = first + 2 * (unsigned)k, b = a + 1, c = a + 2, d = a + 3;
            land.triangles.insert(land.triangles.end(), {a, b, c, c, b, d});
        }
    }
    // The corner squares between the skirts.
    for (float cx : {0.0f, size})
        for (float cz : {0.0f, size}) {
            unsigned first = (unsigned)land.vertices.size();
            float sx = cx == 0 ? -skirt : size + skirt, sz = cz == 0 ? -skirt : size + skirt;
            for (float x : {cx, sx})
                for (float z : {cz, sz})
                    add_vertex(x, far_height(t, size, average, x, z), z, skirt, 0);
            land.triangles.insert(land.triangles.end(), {first, first + 1, first + 2, first + 2, first + 1, first + 3});
        }

    // The fence: posts every 10 ft with two red and white tapes.
    TerrainBounds b = terrain_bounds(t);
    if (b.lo < b.hi) {
        auto quad = [&](const float p[4][3], const float colour[3]) {
            for (int k = 0; k < 4; ++k)
                land.fence.push_back({{p[k][0], p[k][1], p[k][2]}, {colour[0], colour[1], colour[2]}});
        };
        static const float post[3] = {0.42f, 0.33f, 0.22f}, red[3] = {0.8f, 0.1f, 0.08f},
                           white[3] = {0.92f, 0.92f, 0.9f};
        const float spacing = 10;
        const int chunk_posts = 10;
        int posts = (int)std::ceil((b.hi - b.lo) / spacing);
        for (int side = 0; side < 4; ++side)
            for (int k = 0; k < posts; ++k) {
                if (k % chunk_posts == 0) {
                    float u = std::min(b.lo + ((float)k + chunk_posts / 2.0f) * spacing, b.hi);
                    float x = side < 2 ? u : (side == 2 ? b.lo : b.hi), z = side < 2 ? (side == 0 ? b.lo : b.hi) : u;
                    land.fence_chunks.push_back({x, z, (GLint)land.fence.size(), 0});
                }
                auto at = [&](float u, float *x, float *z) {
                    u = std::min(b.lo + u, b.hi);
                    *x = side < 2 ? u : (side == 2 ? b.lo : b.hi);
                    *z = side < 2 ? (side == 0 ? b.lo : b.hi) : u;
                };
                float x0, z0, x1, z1;
                at((float)k * spacing, &x0, &z0);
                at((float)(k + 1) * spacing, &x1, &z1);
                float y0 = terrain_height(t, x0, z0), y1 = terrain_height(t, x1, z1);
                const float w = 0.15f;
                const float p1[4][3] = {
                    {x0 - w, y0 - 0.5f, z0}, {x0 + w, y0 - 0.5f, z0}, {x0 + w, y0 + 3.6f, z0}, {x0 - w, y0 + 3.6f, z0}};
                const float p2[4][3] = {
                    {x0, y0 - 0.5f, z0 - w}, {x0, y0 - 0.5f, z0 + w}, {x0, y0 + 3.6f, z0 + w}, {x0, y0 + 3.6f, z0 - w}};
                quad(p1, post);
                quad(p2, post);
                for (float level : {2.1f, 3.2f})
                    for (int half = 0; half < 2; ++half) {
                        float a = half * 0.5f, e = a + 0.5f;
                        float xa = x0 + (x1 - x0) * a, za = z0 + (z1 - z0) * a, ya = y0 + (y1 - y0) * a;
                        float xe = x0 + (x1 - x0) * e, ze = z0 + (z1 - z0) * e, ye = y0 + (y1 - y0) * e;
                        const float tape[4][3] = {{xa, ya + level, za},
                                                  {xe, ye + level, ze},
                                                  {xe, ye + level + 0.3f, ze},
                                                  {xa, ya + level + 0.3f, za}};
                        quad(tape, half ? white : red);
                    }
                land.fence_chunks.back().count = (GLint)land.fence.size() - land.fence_chunks.back().first;
            }
    }
}

} // namespace

void far_land_draw(const Terrain &t, const float eye[3])
{
    if (t.heights.empty() || t.points_per_side < 2)
        return;
    uint64_t checksum = heights_checksum(t);
    if (land.terrain != &t || land.heights != t.heights.data() || land.count != t.heights.size() ||
        land.checksum != checksum) {
        build(t);
        land.terrain = &t;
        land.heights = t.heights.data();
        land.count = t.heights.size();
        land.checksum = checksum;
    }
    if (gl_caps.has_fragment_shader)
        use_program(PROGRAM_FIXED);
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glPushMatrix();
    glTranslatef(-eye[0], -eye[1], -eye[2]);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (!land.triangles.empty()) {
        glVertexPointer(3, GL_FLOAT, sizeof(LandVertex), land.vertices[0].position);
        glColorPointer(3, GL_FLOAT, sizeof(LandVertex), land.vertices[0].colour);
        glDrawElements(GL_TRIANGLES, (GLsizei)land.triangles.size(), GL_UNSIGNED_INT, land.triangles.data());
    }
    if (!land.fence.empty()) {
        // Only the fence near the eye: past 700 ft its thin posts and tapes
        // are lost in the distance and the fog.
        glVertexPointer(3, GL_FLOAT, sizeof(LandVertex), land.fence[0].position);
        glColorPointer(3, GL_FLOAT, sizeof(LandVertex), land.fence[0].colour);
        for (const Land::Chunk &c : land.fence_chunks) {
            float dx = c.x - eye[0], dz = c.z - eye[2];
            if (dx * dx + dz * dz < 700.0f * 700.0f)
                glDrawArrays(GL_QUADS, c.first, c.count);
        }
    }
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

void far_land_trees(const Terrain &t, const std::vector<Billboard> &billboards, size_t first,
                    std::vector<Billboard> *out)
{
    if (t.heights.empty() || t.points_per_side < 2)
        return;
    // The track's trees: its tall billboards.
    std::vector<const Billboard *> kinds;
    for (size_t k = first; k < billboards.size(); ++k)
        if (billboards[k].texture && billboards[k].size >= 12 && kinds.size() < 64)
            kinds.push_back(&billboards[k]);
    if (kinds.empty())
        return;
    const float size = (float)(t.points_per_side - 1) * t.spacing, average = border_average(t);
    // Candidates on a jittered 70 ft grid from just past the skirt to 330 ft
    // out (farther, the hills' dark woods stand for them); a candidate
    // stands where the woods are.
    const float cell = 70, from = skirt + 20, to = 330;
    for (float gz = -to; gz < size + to; gz += cell)
        for (float gx = -to; gx < size + to; gx += cell) {
            int ix = (int)std::floor(gx / cell), iz = (int)std::floor(gz / cell);
            float x = gx + cell * hash01(ix, iz + 7919), z = gz + cell * hash01(ix + 104729, iz);
            float d = std::max({-x, x - size, -z, z - size});
            if (d < from || d > to)
                continue;
            float wood = std::max(woodland(x, z, d), 0.25f * std::clamp((d - from) / 100, 0.0f, 1.0f));
            if (hash01(ix * 31 + 5, iz * 17 + 3) > wood)
                continue;
            const Billboard &kind = *kinds[(size_t)(hash01(ix + 3, iz + 11) * (float)kinds.size()) % kinds.size()];
            Billboard b = kind;
            b.size = kind.size * (0.8f + 0.5f * hash01(ix + 13, iz + 29));
            b.x = x, b.z = z;
            b.y = far_height(t, size, average, x, z) + kind.offset - 0.5f;
            out->push_back(b);
        }
}

void far_land_free()
{
    land = Land();
}
