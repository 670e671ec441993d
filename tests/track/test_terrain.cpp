// Ground queries and the terrain files.
#include "track/track_fixture.h"

#include "files/image.h"
#include "platform/messages.h"
#include "track/terrain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// A 5x5 grid (level 1, spacing 2) of varied heights.
Terrain grid()
{
    Terrain t = memory_terrain(1, 2, [](int i, int j) {
        int k = j * 5 + i;
        return (float)((k * 7) % 11) - 3.0f * (k % 3);
    });
    t.tile_map = {0, 1, 2, 3};
    return t;
}

TEST(TerrainHeight, MatchesCornersAndCellCentres)
{
    Terrain t = grid();
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i)
            EXPECT_FLOAT_EQ(terrain_height(t, i * 2.0f, j * 2.0f), terrain_point(t, i, j));
    // (0,0) is even: the diagonal (i,j)-(i+1,j+1); (1,0) is odd.
    EXPECT_FLOAT_EQ(terrain_height(t, 1, 1), (terrain_point(t, 0, 0) + terrain_point(t, 1, 1)) / 2);
    EXPECT_FLOAT_EQ(terrain_height(t, 3, 1), (terrain_point(t, 2, 0) + terrain_point(t, 1, 1)) / 2);
}

TEST(TerrainHeight, ContinuousAcrossEdgesAndDiagonals)
{
    Terrain t = grid();
    const float e = 1e-4f;
    for (float a = 0.05f; a < 8; a += 0.37f) {
        for (float grid_line = 0; grid_line <= 8; grid_line += 2) {
            EXPECT_NEAR(terrain_height(t, grid_line - e, a), terrain_height(t, grid_line + e, a), 0.01f);
            EXPECT_NEAR(terrain_height(t, a, grid_line - e), terrain_height(t, a, grid_line + e), 0.01f);
        }
    }
    for (float s = 0.05f; s < 2; s += 0.1f) {
        // Across the even diagonal of cell (0, 0) and the odd one of cell (1, 0).
        EXPECT_NEAR(terrain_height(t, s + e, s - e), terrain_height(t, s - e, s + e), 0.01f);
        EXPECT_NEAR(terrain_height(t, 2 + s + e, 2 - s + e), terrain_height(t, 2 + s - e, 2 - s - e), 0.01f);
    }
}

TEST(TerrainHeight, ClampsOutsideTheGrid)
{
    Terrain t = grid();
    EXPECT_FLOAT_EQ(terrain_height(t, -50, -50), terrain_point(t, 0, 0));
    EXPECT_FLOAT_EQ(terrain_height(t, 100, -3), terrain_point(t, 4, 0));
    EXPECT_FLOAT_EQ(terrain_height(t, -1, 4), terrain_point(t, 0, 2));
}

TEST(TerrainNormal, IsTheUpwardCrossProductOfTheTriangle)
{
    Terrain t = grid();
    // Points well inside triangles, away from every edge and diagonal.
    for (float x = 0.31f; x < 8; x += 0.93f) {
        for (float z = 0.23f; z < 8; z += 0.81f) {
            Vec3 n = terrain_normal(t, x, z);
            EXPECT_FLOAT_EQ(n.y, 4.0f); // L^2
            float d = 1e-3f;
            float dhdx = (terrain_height(t, x + d, z) - terrain_height(t, x - d, z)) / (2 * d);
            float dhdz = (terrain_height(t, x, z + d) - terrain_height(t, x, z - d)) / (2 * d);
            EXPECT_NEAR(n.x, -4 * dhdx, 0.05f) << x << " " << z;
            EXPECT_NEAR(n.z, -4 * dhdz, 0.05f);
        }
    }
}

TEST(TerrainQueries, AverageHeightAndTiles)
{
    Terrain t = grid();
    for (float &h : t.heights)
        h = 7;
    EXPECT_FLOAT_EQ(terrain_average_height(t, 3, 3, 2.5f), 7);
    t.heights[2 + 5 * 2] = 17; // the point at (4, 4)
    float near = terrain_average_height(t, 4, 4, 1);
    EXPECT_GT(near, 7);
    EXPECT_LT(near, 17);
    EXPECT_FLOAT_EQ(terrain_average_height(t, 4, 4, 0), 17); // only the point itself

    EXPECT_EQ(terrain_tile_at(t, 0, 0), 0);
    EXPECT_EQ(terrain_tile_at(t, 4.5f, 0), 1);
    EXPECT_EQ(terrain_tile_at(t, 8, 8), 3); // x = extent is the last column
    EXPECT_EQ(terrain_tile_at(t, -5, 5), 2);
}

class TerrainFiles : public GameFolderTest
{
  protected:
    Terrain t;
    void TearDown() override
    {
        free_terrain(&t);
        GameFolderTest::TearDown();
    }
};

TEST_F(TerrainFiles, LevelZeroTrackLoads)
{
    write_file(data / "tiny/terrain.hf", inline_heights(0, 4, 10, 20, {0, 65535, 0, 0, 0, 0, 0, 0, 65535}));
    write_file(data / "tiny/shading.ppm", flat_ppm(3, 9, 9, 9));
    write_file(data / "tiny/texturelist", "0.8 4 12 dirt.png\n\ngrass.png\n");
    write_file(data / "tiny/tilemap", "\xc8");
    ASSERT_EQ(load_terrain(&t, "tiny"), 1) << message_log_line(0);
    EXPECT_EQ(t.tiles_per_side, 1);
    EXPECT_EQ(t.points_per_side, 3);
    EXPECT_FLOAT_EQ(terrain_point(t, 1, 0), 20);
    EXPECT_FLOAT_EQ(terrain_point(t, 2, 2), 20);
    EXPECT_EQ(t.shading[0], 4);  // halved
    EXPECT_EQ(t.tile_map[0], 1); // 200 clamped to the last of two types
    ASSERT_EQ(t.surfaces.size(), 2u);
    EXPECT_FLOAT_EQ(t.surfaces[0].friction[7], 0.8f);
    EXPECT_FLOAT_EQ(t.surfaces[1].roll_high[0], 15);
    EXPECT_EQ(t.shadows[0], 0);
}

TEST_F(TerrainFiles, SavedTerrainReloadsWithinOneStep)
{
    write_small_track(data.path, "small");
    ASSERT_EQ(load_terrain(&t, "small"), 1) << message_log_line(0);
    std::vector<float> before = t.heights;
    t.heights[7] = 123.25f;
    before[7] = 123.25f;
    ASSERT_EQ(save_terrain(&t, "small"), 1);
    Terrain again;
    ASSERT_EQ(load_terrain(&again, "small"), 1) << message_log_line(0);
    float step = (again.max_height - again.min_height) / 65535;
    for (size_t k = 0; k < before.size(); ++k)
        EXPECT_NEAR(again.heights[k], before[k], step) << k;
    EXPECT_EQ(again.shading, t.shading); // "shadingx2.ppm" holds the bytes exactly
    EXPECT_EQ(again.tile_map, t.tile_map);
    free_terrain(&again);
}

struct BrokenCase {
    const char *file;
    std::string contents;
    const char *message;
};

TEST_F(TerrainFiles, BrokenFilesFailWithTheirMessages)
{
    const BrokenCase cases[] = {
        {"terrain.hf", "x y z", "Error reading heights"},
        {"terrain.hf", "40 1 0 1\n", "Error reading heights"},
        {"terrain.hf", "1 10 0 1\n:\x01\x02", "Error reading heights"},
        {"shading.ppm", flat_ppm(4, 1, 1, 1), "Bad shading dimensions (4x4)"},
        {"shading.ppm", "P6 5 5 255\nshort", "Error reading shading"},
        {"tilemap", "\x01", "Error reading tilemap"},
    };
    for (const BrokenCase &c : cases) {
        write_small_track(data.path, "b");
        write_file(data.path + "/b/" + c.file, c.contents);
        EXPECT_EQ(load_terrain(&t, "b"), 0) << c.file;
        EXPECT_STREQ(message_log_line(0), c.message) << c.file;
        EXPECT_TRUE(t.heights.empty());
    }
    write_small_track(data.path, "c");
    remove((data.path + "/c/shading.ppm").c_str());
    EXPECT_EQ(load_terrain(&t, "c"), 0);
    EXPECT_EQ(std::string(message_log_line(0)), "Can't open '@c/shading.ppm'");
    EXPECT_EQ(load_terrain(&t, "nothing"), 0);
    EXPECT_EQ(std::string(message_log_line(0)), "Can't open '@nothing/terrain.hf'");
}

TEST_F(TerrainFiles, HeightsFromPngAndShadowsComplemented)
{
    write_small_track(data.path, "png");
    write_file(data / "png/terrain.hf", "1 10 0 65535\n");
    std::vector<uint16_t> samples = {1, 2, 3, 4}; // 2x2: the last row and column repeat
    ASSERT_TRUE(write_heights_png("@png/terrain.png", samples.data(), 2, 2));
    write_file(data / "png/shadows.pgm", "P5 5 5 255\n" + std::string(25, '\x0a'));
    ASSERT_EQ(load_terrain(&t, "png"), 1);
    EXPECT_FLOAT_EQ(terrain_point(t, 0, 0), 1);
    EXPECT_FLOAT_EQ(terrain_point(t, 4, 0), 2);
    EXPECT_FLOAT_EQ(terrain_point(t, 4, 4), 4);
    EXPECT_EQ(t.shadows[3], 245);
    remove((home_root.path + "/Rutvale/png/terrain.png").c_str());
    ASSERT_EQ(load_terrain(&t, "png"), 1);
    EXPECT_FLOAT_EQ(terrain_point(t, 3, 3), 0); // flat at the minimum
}

} // namespace

namespace
{

// Coordinates no track holds (from files or a body flung far away) ask the
// ground nothing undefined: answers are the border's, and finite.
TEST(TerrainQueries, HostileCoordinatesGetTheBordersAnswers)
{
    Terrain t = grid();
    const float inf = INFINITY, nan = NAN;
    const struct {
        float x, z;
        float i, j; // the grid point whose height the answer is (the border)
    } cases[] = {
        {1e20f, 4, 4, 2}, {-1e20f, 4, 0, 2}, {inf, 8, 4, 4}, {4, -inf, 2, 0}, {1e30f, -1e30f, 4, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.z);
        EXPECT_FLOAT_EQ(terrain_height(t, c.x, c.z), terrain_point(t, (int)c.i, (int)c.j));
        EXPECT_TRUE(std::isfinite(terrain_normal(t, c.x, c.z).y));
        EXPECT_TRUE(std::isfinite(terrain_average_height(t, c.x, c.z, 10)));
        EXPECT_GE(terrain_tile_at(t, c.x, c.z), 0);
    }
    for (float v : {nan, -nan}) {
        EXPECT_TRUE(std::isfinite(terrain_height(t, v, v)));
        EXPECT_TRUE(std::isfinite(terrain_average_height(t, v, 1, v)));
        EXPECT_EQ(terrain_tile_at(t, v, v), t.tile_map[0]);
    }
    // A huge radius averages a bounded patch.
    EXPECT_TRUE(std::isfinite(terrain_average_height(t, 4, 4, 1e30f)));
}

TEST_F(TerrainFiles, HostileHeightFieldHeadersAreRefused)
{
    const char *headers[] = {
        "1 1e-30 0 1\n", // spacing far below a sixty-fourth of a foot
        "1 1e30 0 1\n",  // far above 100 ft
        "1 nan 0 1\n",      "1 inf 0 1\n", "1 -4 0 1\n", "1 10 -1e38 1\n", "1 10 0 inf\n",
        "12 10 0 1\n", // level 12: more points than the limit
        "-1 10 0 1\n",
        "11 10 0 1\n:\x01", // the largest level, its samples missing: refused without filling memory
    };
    for (const char *header : headers) {
        write_small_track(data.path, "h");
        write_file(data.path + "/h/terrain.hf", header);
        EXPECT_EQ(load_terrain(&t, "h"), 0) << header;
        EXPECT_STREQ(message_log_line(0), "Error reading heights") << header;
    }
}

} // namespace
