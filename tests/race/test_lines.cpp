// The line table, the lines files and the personalities.
#include "physics/rider.h"
#include "race/lines.h"
#include "test_folders.h"
#include "track/objects.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// Two timed gates in the first lap, an untimed and two timed in the others.
TimingGates two_and_two()
{
    TimingGates g;
    g.gates = {0, 1, UNTIMED_GATE + 2, 0, 1};
    g.first_lap_count = 2;
    g.normal_lap_count = 3;
    return g;
}

class Lines : public GameFolderTest
{
  protected:
    LineTable table = line_table_for(two_and_two());
    std::string file() const { return data.path + "/t/lines_amateur"; }
    LineSlot line(int points, int tested)
    {
        LineSlot s;
        for (int k = 0; k < points; ++k)
            s.points.push_back({(float)k, 1.5f, -2.25f * k, k % 2 ? -30.5f : 30.5f, 0.125f});
        s.own_time = 500 + points;
        s.pair_time = 1100;
        s.tested = tested;
        s.sum_own = 520 * tested;
        s.sum_pair = 1090 * tested;
        s.fails = 1;
        return s;
    }
};

TEST(LineTables, SectionsAreTheTimedGatesOfEachLap)
{
    LineTable t = line_table_for(two_and_two());
    EXPECT_EQ(t.first_sections, 2);
    EXPECT_EQ(t.normal_sections, 2);
    ASSERT_EQ(t.sections.size(), 4u);
    EXPECT_EQ(t.sections[3].size(), (size_t)LINE_SLOTS);
    TimingGates none;
    EXPECT_TRUE(line_table_for(none).sections.empty());
    TimingGates untimed = two_and_two();
    untimed.gates = {0, 1, UNTIMED_GATE, UNTIMED_GATE + 1, UNTIMED_GATE + 2};
    EXPECT_TRUE(line_table_for(untimed).sections.empty()) << "no timed gate in the normal lap: no learning";
}

TEST_F(Lines, SavedTablesLoadBackTheSame)
{
    table.sections[0][0] = line(3, 6);
    table.sections[0][7] = line(1, 0);
    table.sections[3][44] = line(2, 2);
    ASSERT_TRUE(lines_save(table, "t", 1));
    EXPECT_FALSE(path_exists(file() + ".new"));
    LineTable again = line_table_for(two_and_two());
    EXPECT_EQ(lines_load(&again, "t", 1), 3);
    // Stored lines fill the first slots of their section, in slot order.
    const LineSlot &a = again.sections[0][0], &b = again.sections[0][1], &c = again.sections[3][0];
    ASSERT_EQ(a.points.size(), 3u);
    EXPECT_FLOAT_EQ(a.points[2].z, -4.5f);
    EXPECT_FLOAT_EQ(a.points[1].speed, -30.5f);
    EXPECT_EQ(a.tested, 6);
    EXPECT_EQ(a.sum_pair, 1090 * 6);
    EXPECT_EQ(b.points.size(), 1u);
    EXPECT_EQ(c.points.size(), 2u);
    EXPECT_EQ(a.id, 1);
    EXPECT_EQ(c.id, 3);
    EXPECT_EQ(again.sections[1][0].points.size(), 0u);
}

TEST_F(Lines, HugeStatisticsAreHalvedKeepingTheirAverages)
{
    write_file(file(), "ct03 4\n1\n1 10 20 100000 5 6 1000000 300000000 70000\n[1 2 3] 4 0.5\n0\n0\n0\n");
    ASSERT_EQ(lines_load(&table, "t", 1), 1);
    const LineSlot &s = table.sections[0][0];
    EXPECT_LE(s.tested, 65535);
    EXPECT_LE(s.sum_pair, 100000000);
    EXPECT_LE(s.fails, 65535);
    EXPECT_EQ(s.sum_pair / s.tested, 3000);
    EXPECT_EQ(s.sum_own / s.tested, 10);
}

// Damaged files keep what was read before the damage and go no further;
// files of other gates load nothing.
TEST_F(Lines, DamagedFilesAreCutAtTheDamage)
{
    const std::string good = "2 1 2 3 4 5 6 7 0\n[1 2 3] 4 0.5\n[1 2 3] 4 0.5\n";
    const struct {
        std::string text;
        int kept;
    } cases[] = {
        {"ct03 4\n2\n" + good + good, 2},
        {"ct03 4\n2\n" + good + "2 1 2 3 4 5 6 7 0\n[1 2 3] 4 0.5\n[1 2", 1},               // cut short in a point
        {"ct03 4\n2\n" + good + "-5 1 2 3 4 5 6 7 0\n", 1},                                 // an impossible count
        {"ct03 4\n2\n" + good + "999999999 1 2 3 4 5 6 7 0\n[1 2 3] 4 0.5\n", 1},           // more than the file holds
        {"ct03 4\n2\n" + good + "2 x 2 3 4 5 6 7 0\n", 1},                                  // not a number
        {"ct03 4\n2\n" + good + "2 1 2 3 4 5 6 7 0\n[1e39 2 3] 4 0.5\n[1 2 3] 4 0.5\n", 1}, // a point out of reach
        {"ct03 4\n-1\n" + good, 0},
        {"ct03 5\n1\n" + good, 0}, // the gates have changed
        {"ct02 4\n1\n" + good, 0},
    };
    for (const auto &c : cases) {
        LineTable t = line_table_for(two_and_two());
        write_file(file(), c.text);
        EXPECT_EQ(lines_load(&t, "t", 1), c.kept) << c.text;
    }
    // A section of more than 45 lines keeps the first 45.
    std::string many = "ct03 4\n46\n";
    for (int k = 0; k < 46; ++k)
        many += good;
    write_file(file(), many + "1\n" + good);
    LineTable t = line_table_for(two_and_two());
    EXPECT_EQ(lines_load(&t, "t", 1), 46);
    EXPECT_EQ(t.sections[1][0].points.size(), 2u);
}

TEST(Personalities, NamesPickTheirRowsAndUnknownOnesHeron)
{
    Rider r = {};
    const struct {
        const char *name;
        int row;
    } cases[] = {{"heron", 1}, {"osprey", 2}, {"finch", 3}, {"tester", 4}, {"Finch", 1}, {"empty", 1}};
    for (const auto &c : cases) {
        personality_set(&r, c.name);
        EXPECT_EQ(r.personality, c.row) << c.name;
    }
    EXPECT_EQ(personality(2).plan_mode, 2);
    EXPECT_EQ(personality(2).plan_mode_leading, 1);
    EXPECT_FLOAT_EQ(personality(3).reaction_max, 0.1f);
}

} // namespace
