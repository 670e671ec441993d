// The ground's quadtree: node numbering, measured error, thresholds built
// in slices, and fans that cover the ground without cracks.
#include "render/terrain_lod.h"
#include "track/track_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace
{

Terrain bumpy(int level)
{
    Terrain t = memory_terrain(level, 3, [](int i, int j) {
        return 4 * std::sin(i * 0.21f) * std::cos(j * 0.13f) + ((i * 7 + j * 3) % 5) * 0.05f;
    });
    t.min_height = *std::min_element(t.heights.begin(), t.heights.end());
    t.max_height = *std::max_element(t.heights.begin(), t.heights.end());
    return t;
}

TEST(TerrainLod, NodesAreNumberedLevelByLevel)
{
    struct Case {
        int l, a, b, index;
    } cases[] = {{0, 0, 0, 0},  {1, 0, 0, 1},  {1, 1, 1, 4},  {2, 0, 0, 5},
                 {2, 3, 1, 12}, {3, 0, 0, 21}, {4, 0, 0, 85}, {5, 0, 0, 341}};
    for (const Case &c : cases)
        EXPECT_EQ(lod_node_index(c.l, c.a, c.b), c.index) << c.l << " " << c.a << " " << c.b;
    EXPECT_EQ(lod_node_count(3), 85);
}

TEST(TerrainLod, CellsOfWildCoordinatesStayInRange)
{
    struct Case {
        float v, size;
        int cell;
    } cases[] = {{5.5f, 2, 2}, {-0.5f, 1, -1},        {0, 3, 0}, {1e30f, 1, 1000000}, {-1e30f, 1, -1000000},
                 {NAN, 1, 0},  {INFINITY, 3, 1000000}};
    for (const Case &c : cases)
        EXPECT_EQ(grid_cell(c.v, c.size), c.cell) << c.v;
    // A camera far off with no number at all still selects a valid set.
    Terrain t = bumpy(5);
    TerrainLod lod;
    lod_reset(&lod, t, 0.0025f);
    lod_compute(&lod, t, 0);
    lod_select(&lod, t, NAN, 1e30f);
    EXPECT_EQ(lod.refine[0], 1);
    int refined = 0;
    for (uint8_t r : lod.refine)
        refined += r;
    EXPECT_LT(refined, (int)lod.refine.size() / 4) << "far away, not everything in full detail";
}

TEST(TerrainLod, ErrorIsMeasuredAgainstTheNodesTwoTriangles)
{
    struct Case {
        const char *name;
        float (*height)(int, int);
        float root_error;
    } cases[] = {
        {"flat", [](int, int) { return 2.0f; }, 0},
        {"sloped plane", [](int i, int j) { return 0.5f * i - 0.25f * j; }, 0},
        // The root splits along (0,0)-(8,8); a peak on that diagonal stands
        // its full height above the plane.
        {"peak in the middle", [](int i, int j) { return i == 4 && j == 4 ? 3.0f : 0.0f; }, 3},
        // Only the far corner raised: the plane rises along the diagonal, so
        // the flat samples near it lie below the plane.
        {"raised corner", [](int i, int j) { return i == 8 && j == 8 ? 8.0f : 0.0f; }, 7},
    };
    for (const Case &c : cases) {
        Terrain t = memory_terrain(2, 1, c.height); // 9 x 9 points
        EXPECT_NEAR(lod_node_error(t, 0, 0, 0), c.root_error, 1e-5) << c.name;
    }
}

TEST(TerrainLod, FlatGroundIsRefinedByDistanceAlone)
{
    Terrain t = memory_terrain(3, 2, [](int, int) { return 0.0f; });
    TerrainLod lod;
    lod_reset(&lod, t, 0.01f);
    ASSERT_EQ(lod_compute(&lod, t, 0), 1);
    float finest_radius = t.extent * std::sqrt(0.5f) / 8;
    for (int b = 0; b < 8; ++b)
        for (int a = 0; a < 8; ++a)
            EXPECT_FLOAT_EQ(lod.thresholds[lod_node_index(3, a, b)], finest_radius * finest_radius);
    // A coarser node is refined at least whenever any of its children is.
    for (int l = 0; l < 3; ++l)
        for (int b = 0; b < 1 << l; ++b)
            for (int a = 0; a < 1 << l; ++a)
                for (int k = 0; k < 4; ++k)
                    EXPECT_GE(lod.thresholds[lod_node_index(l, a, b)],
                              lod.thresholds[lod_node_index(l + 1, 2 * a + (k & 1), 2 * b + (k >> 1))]);
}

TEST(TerrainLod, ComputationInSlicesGivesTheSameThresholdsAndSwapsOnlyWhenDone)
{
    Terrain t = bumpy(5);
    TerrainLod whole;
    lod_reset(&whole, t, 0.0025f);
    lod_compute(&whole, t, 0);

    TerrainLod sliced;
    lod_reset(&sliced, t, 0.0025f);
    int calls = 0;
    while (!lod_compute(&sliced, t, 1000)) {
        ++calls;
        // Until it completes, drawing keeps the previous (here: empty) set.
        ASSERT_EQ(sliced.thresholds[0], 0.0f);
        ASSERT_LT(calls, 100000);
    }
    EXPECT_GT(calls, 10);
    EXPECT_EQ(sliced.thresholds, whole.thresholds);
    // A finished computation is not repeated.
    EXPECT_EQ(lod_compute(&sliced, t, 1000), 1);
}

// Every fan edge inside the grid must be shared with exactly one other fan
// running the other way; the fans together cover the grid exactly once.
void expect_conforming_cover(const TerrainLod &lod, const Terrain &t, const float eye[3], const char *where)
{
    const float down[3] = {0, -1, 0};
    std::map<std::pair<std::pair<int, int>, std::pair<int, int>>, int> edges;
    long twice_area = 0;
    int last = t.points_per_side - 1;
    lod_fans(lod, t, eye, down, nullptr, [&](const GroundFan &fan) {
        for (int k = 1; k + 1 < fan.count; ++k) {
            std::pair<int, int> p = {fan.points[k][0], fan.points[k][1]},
                                q = {fan.points[k + 1][0], fan.points[k + 1][1]};
            ++edges[{p, q}];
            // Triangle hub, p, q: its doubled area, positive when it turns
            // counter-clockwise seen from above (x right, z toward the viewer).
            long cross = (long)(q.first - fan.points[0][0]) * (p.second - fan.points[0][1]) -
                         (long)(p.first - fan.points[0][0]) * (q.second - fan.points[0][1]);
            EXPECT_GT(cross, 0) << where << ": a fan triangle is turned over";
            twice_area += cross;
        }
    });
    EXPECT_EQ(twice_area, 2L * last * last) << where;
    for (const auto &[edge, count] : edges) {
        EXPECT_EQ(count, 1) << where;
        const auto &[p, q] = edge;
        bool border = (p.first == q.first && (p.first == 0 || p.first == last)) ||
                      (p.second == q.second && (p.second == 0 || p.second == last));
        if (!border) {
            EXPECT_EQ(edges.count({q, p}), 1u) << where << ": crack along (" << p.first << "," << p.second << ")-("
                                               << q.first << "," << q.second << ")";
        }
    }
}

TEST(TerrainLod, FansCoverTheGroundWithoutCracksWhereverTheCameraIs)
{
    Terrain t = bumpy(6); // 129 x 129 points, 3 ft apart
    TerrainLod lod;
    lod_reset(&lod, t, 0.0025f);
    lod_compute(&lod, t, 0);
    struct Case {
        const char *where;
        float x, z;
    } cases[] = {{"centre", 192, 192},
                 {"corner", 1, 1},
                 {"edge", 383, 200},
                 {"off the grid", -900, 2000},
                 {"odd spot", 77.7f, 301.2f}};
    for (const Case &c : cases) {
        const float eye[3] = {c.x, 50, c.z};
        lod_select(&lod, t, c.x, c.z);
        expect_conforming_cover(lod, t, eye, c.where);
    }
    // Coarser tolerance: far fewer fans, still no cracks.
    lod_reset(&lod, t, 0.5f);
    lod_compute(&lod, t, 0);
    const float eye[3] = {100, 50, 100};
    lod_select(&lod, t, 100, 100);
    expect_conforming_cover(lod, t, eye, "coarse");
}

TEST(TerrainLod, NodesBehindTheCameraAreLeftOutAndTheRestComeFrontToBack)
{
    Terrain t = bumpy(6);
    TerrainLod lod;
    lod_reset(&lod, t, 0.0025f);
    lod_compute(&lod, t, 0);
    // Standing west of the grid looking west: nothing to draw.
    const float eye[3] = {-50, 10, 190}, west[3] = {-1, 0, 0}, east[3] = {1, 0, 0};
    lod_select(&lod, t, eye[0], eye[2]);
    int fans = 0;
    lod_fans(lod, t, eye, west, nullptr, [&](const GroundFan &) { ++fans; });
    EXPECT_EQ(fans, 0);
    // Looking east every fan is drawn, the nearer ones first.
    std::vector<float> along;
    lod_fans(lod, t, eye, east, nullptr, [&](const GroundFan &fan) { along.push_back(fan.points[0][0] * t.spacing); });
    ASSERT_FALSE(along.empty());
    EXPECT_LT(along.front(), along.back());
    float near_half = 0, far_half = 0;
    for (size_t k = 0; k < along.size(); ++k)
        (k < along.size() / 2 ? near_half : far_half) += along[k];
    EXPECT_LT(near_half, far_half);
}

TEST(TerrainLod, AFrustumLeavesOutOnlyFansWhollyOutsideIt)
{
    Terrain t = bumpy(6);
    TerrainLod lod;
    lod_reset(&lod, t, 0.0025f);
    lod_compute(&lod, t, 0);
    // West of the grid looking east through a wedge 90 degrees wide and
    // open above and below; the frustum is relative to the eye.
    const float eye[3] = {-50, 10, 190}, east[3] = {1, 0, 0};
    const float h = 0.70710678f;
    Frustum wedge = {{{h, 0, h, 0}, {h, 0, -h, 0}, {0, 1, 0, 1000}, {0, -1, 0, 1000}, {1, 0, 0, 0}, {-1, 0, 0, 1e6}}};
    lod_select(&lod, t, eye[0], eye[2]);
    auto key = [](const GroundFan &f) { return std::make_tuple(f.level, f.a, f.b); };
    std::map<std::tuple<int, int, int>, GroundFan> all, seen;
    lod_fans(lod, t, eye, east, nullptr, [&](const GroundFan &fan) { all[key(fan)] = fan; });
    lod_fans(lod, t, eye, east, &wedge, [&](const GroundFan &fan) { seen[key(fan)] = fan; });
    EXPECT_LT(seen.size(), all.size());
    EXPECT_GT(seen.size(), 0u);
    for (const auto &[k, fan] : all) {
        if (seen.count(k))
            continue;
        // Left out: some plane has every point of the fan outside it.
        bool outside = false;
        for (const auto &plane : wedge.planes) {
            bool all_out = true;
            for (int p = 0; p < fan.count; ++p) {
                float x = fan.points[p][0] * t.spacing - eye[0], z = fan.points[p][1] * t.spacing - eye[2];
                float y = terrain_point(t, fan.points[p][0], fan.points[p][1]) - eye[1];
                all_out = all_out && plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < 0;
            }
            outside = outside || all_out;
        }
        EXPECT_TRUE(outside) << "a fan partly in view was left out at level " << fan.level << " (" << fan.a << ","
                             << fan.b << ")";
    }
}

} // namespace
