// The rider HUD's dial, gear picture and pitboard texts.
#include "render/hud.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

TEST(Hud, TachNeedleSweepsTwoHundredSeventyDegrees)
{
    EXPECT_FLOAT_EQ(tach_needle_degrees(0), -135);
    EXPECT_FLOAT_EQ(tach_needle_degrees(8000), 0);
    EXPECT_FLOAT_EQ(tach_needle_degrees(16000), 135);
}

TEST(Hud, GearsPickTheirShifterCell)
{
    struct Case {
        int gear, column, row;
    } cases[] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 0, 1}, {5, 2, 1}, {6, 0, 2}, {9, 0, 0}};
    for (const Case &c : cases) {
        int column, row;
        shifter_cell(c.gear, &column, &row);
        EXPECT_EQ(column, c.column) << c.gear;
        EXPECT_EQ(row, c.row) << c.gear;
    }
}

TEST(Hud, PitboardTexts)
{
    EXPECT_EQ(race_time_text(128 * 75 + 40), "1:15.3");
    EXPECT_EQ(race_time_text(0), "0:00.0");
    EXPECT_EQ(pitboard_text(false, 2, 4, -1.25f, 0, 0), "L3 P5\n-1.2 \n");
    EXPECT_EQ(pitboard_text(false, 0, 0, 0, 0, 0), "L1 P1\n+0.0 \n");
    // A time trial shows the position alone and the last and best runs.
    EXPECT_EQ(pitboard_text(true, 3, 0, 0, 128 * 80, 128 * 79), "P1\n+0.0 \nLast - 1:20.0 \nBest - 1:19.0");
}

TEST(Hud, LeanIndicatorOpensTowardTheFallingGround)
{
    const float half_turn = (float)M_PI / 2;
    LeanSector right = lean_sector(0.3f);
    EXPECT_FLOAT_EQ(right.from, -half_turn);
    EXPECT_FLOAT_EQ(right.to, 0.3f - half_turn);
    EXPECT_EQ(right.steps, 4); // floor(0.3 x 9.867606) + 2
    EXPECT_FALSE(right.warning);
    LeanSector left = lean_sector(-0.7f);
    EXPECT_FLOAT_EQ(left.from, half_turn);
    EXPECT_FLOAT_EQ(left.to, half_turn - 0.7f);
    EXPECT_TRUE(left.warning); // more than 36 degrees
    EXPECT_EQ(lean_sector(0).steps, 2);
}

TEST(Hud, RaceLengthTexts)
{
    EXPECT_EQ(race_length_text(5, 0), "5 laps");
    EXPECT_EQ(race_length_text(0, 20), "20 minutes");
    EXPECT_EQ(race_length_text(2, 20), "20 minutes + 2 laps");
}

TEST(Hud, StatusLinesInTheirOrder)
{
    StatusInfo info;
    EXPECT_TRUE(status_lines(info).empty());
    info.fps = 60;
    info.race_ticks = 128 * 61;
    info.messages = {"older", "newest"};
    EXPECT_EQ(status_lines(info), (std::vector<std::string>{"FPS - 60", "Time - 1:01.0 ", "older", "newest"}));
    info = StatusInfo();
    RenderStats stats;
    info.render_stats = &stats;
    EXPECT_TRUE(status_lines(info).empty()) << "not shown until switched on";
    render_stats_restart(&stats);
    std::vector<std::string> lines = status_lines(info);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Ground polygons - ", 0), 0u);
    EXPECT_EQ(lines[5].rfind("Shader Changes - ", 0), 0u);
}

} // namespace

namespace
{

// The map arrow points the way the rider faces: up the map for -z (z runs
// down the map), right for +x.
TEST(Hud, MapArrowPointsTheWayTheRiderFaces)
{
    const struct {
        double yaw;   // about +y; 0 faces -z
        float ax, ay; // the arrow's tip direction on the map
    } cases[] = {{0, 0, 1}, {M_PI / 2, -1, 0}, {-M_PI / 2, 1, 0}, {M_PI, 0, -1}};
    for (const auto &c : cases) {
        // Rotation about y: forward (0, 0, -1) turns to (-sin yaw, 0, -cos yaw).
        double s = std::sin(c.yaw), k = std::cos(c.yaw);
        const double R[12] = {k, 0, s, 0, 0, 1, 0, 0, -s, 0, k, 0};
        float a = map_arrow_degrees(R) * (float)M_PI / 180;
        // The arrow (0, 1) turned counter-clockwise by a.
        EXPECT_NEAR(-std::sin(a), c.ax, 1e-5) << c.yaw;
        EXPECT_NEAR(std::cos(a), c.ay, 1e-5) << c.yaw;
    }
}

} // namespace
