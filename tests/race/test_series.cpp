#include "files/game_file.h"
#include "race/series.h"
#include "race/sim_fixture.h"
#include "track/track_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace
{

// A points row: the given points for the first places, 0 after them.
std::string points(std::initializer_list<int> first)
{
    std::string out;
    int k = 0;
    for (int p : first)
        out += std::to_string(p) + " ", ++k;
    for (; k < 40; ++k)
        out += "0 ";
    return out + "\n";
}

std::string event(const char *name, const char *track, const std::string &moto, const std::string &round)
{
    return std::string("\"") + name + "\" " + track + "\n0 2\n" + moto + round;
}

struct SeriesTest : GameFolderTest {
    TrackList tracks;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        tracks.folders = {"quarry", "rabbithill"};
        tracks.names = {"Quarry Flats", "Rabbit Hill"};
    }
    // Files written after the index was built are seen once it is rebuilt.
    void rescan() { use_game_folders(home_root.path, data.path); }
    bool read(const std::string &text, Series *s)
    {
        write_file(data / "test.series", text);
        rescan();
        return series_read("test.series", tracks, s, false);
    }
    // Three robots and the player; the events' positions set by hand.
    Series three_motos()
    {
        Series s;
        std::string text = "\"Three\"\n3 Novice\n20 21 22\n3\n";
        std::string moto = points({10, 6, 3, 1}), none = points({});
        text += event("M1", "quarry", moto, none);
        text += event("M2", "quarry", moto, none);
        text += event("M3", "rabbithill", moto, points({100, 50, 25, 10}));
        EXPECT_TRUE(read(text, &s));
        return s;
    }
};

TEST_F(SeriesTest, FilesAreReadOrRefusedWhole)
{
    Series s;
    EXPECT_TRUE(read("\"A Cup\" 2 Expert 30 31 1 \"Only\" quarry 3 0 " + points({5}) + points({9}), &s));
    EXPECT_EQ(s.name, "A Cup");
    EXPECT_EQ(s.skill, 2);
    EXPECT_EQ(s.numbers, (std::vector<int>{30, 31}));
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].minutes, 3);
    EXPECT_EQ(s.events[0].round_points[0], 9);
    EXPECT_EQ(s.standings_file, "@test.series_standings");

    std::string good_event = event("E", "quarry", points({1}), points({1}));
    std::string numbers39;
    for (int i = 0; i < 39; ++i)
        numbers39 += std::to_string(20 + i) + " ";
    EXPECT_TRUE(read("S 39 Novice " + numbers39 + "1 " + good_event, &s)) << "a field of 39 robots";
    struct {
        const char *why;
        std::string text;
    } refused[] = {
        {"40 robots", "S 40 Novice " + numbers39 + "60 1 " + good_event},
        {"a missing number", "S 3 Novice 20 21"},
        {"no events", "S 1 Novice 20 0"},
        {"a negative count", "S -1 Novice 1 " + good_event},
        {"the largest count", "S 2147483647 Novice 1 " + good_event},
        {"points no total could hold", "S 1 Novice 20 1 " + event("E", "quarry", points({2000000000}), points({1}))},
        {"a huge event count", "S 1 Novice 20 99999999 " + good_event},
        {"an unknown track", "S 1 Novice 20 1 " + event("E", "nowhere", points({1}), points({1}))},
        {"a word for a number", "S 1 Novice 20 1 \"E\" quarry zero 2 " + points({1}) + points({1})},
        {"a cut points row", "S 1 Novice 20 1 \"E\" quarry 0 2 1 2 3"},
        {"negative laps", "S 1 Novice 20 1 \"E\" quarry 0 -2 " + points({1}) + points({1})},
        {"an endless race", "S 1 Novice 20 1 \"E\" quarry 0 0 " + points({1}) + points({1})},
    };
    for (const auto &r : refused)
        EXPECT_FALSE(read(r.text, &s)) << r.why;
    EXPECT_TRUE(read("S 1 Pro 20 1 " + good_event, &s));
    EXPECT_EQ(s.skill, 2) << "an unknown skill word rides as Expert";
}

TEST_F(SeriesTest, RoundsAreClassifiedWithTiesByTheLastMoto)
{
    Series s = three_motos();
    // Positions (0-based) of riders 0, 1, 2 and the player (3) per moto.
    const int positions[3][4] = {{0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}};
    for (int e = 0; e < 3; ++e)
        for (int r = 0; r < 4; ++r)
            s.events[e].positions[r] = positions[e][r];
    s.completed = 3;
    series_classify(&s);
    // Moto points: rider 0 10+6+1 = 17, rider 1 6+10+3 = 19, rider 2 3+1+6
    // = 10, the player 1+3+10 = 14.
    const int *ranks = s.events[2].round_ranks;
    EXPECT_EQ(ranks[1], 0);
    EXPECT_EQ(ranks[0], 1);
    EXPECT_EQ(ranks[3], 2);
    EXPECT_EQ(ranks[2], 3);
    std::vector<int> totals = series_totals(s);
    EXPECT_EQ(totals, (std::vector<int>{50, 100, 10, 25}));
    Standings st = series_standings(s);
    EXPECT_EQ(st.heading, "Three Final Standings");
    ASSERT_EQ(st.blocks.size(), 1u);
    EXPECT_EQ(st.blocks[0][0].cells, (std::vector<std::string>{"No.", "Total", "Rd 1"}));
    EXPECT_EQ(st.blocks[0][1].cells, (std::vector<std::string>{"21", "100", "100 (2-1-3)"}));
    EXPECT_EQ(st.blocks[0][3].cells[0], "999");
    EXPECT_TRUE(st.blocks[0][3].player);

    // Equal moto points: the better place in the round's last moto wins.
    const int tie[3][4] = {{0, 1, 2, 3}, {1, 0, 2, 3}, {1, 0, 2, 3}};
    for (int e = 0; e < 3; ++e)
        for (int r = 0; r < 4; ++r)
            s.events[e].positions[r] = tie[e][r];
    // Rider 0: 10+6+6 = 22; rider 1: 6+10+10 = 26. Make them level.
    s.events[0].moto_points[0] = 14;
    series_classify(&s);
    EXPECT_EQ(s.events[2].round_ranks[1], 0) << "level on 26, rider 1 won the last moto";
    EXPECT_EQ(s.events[2].round_ranks[0], 1);

    // Part of the round run: "- (p-)" cells.
    s.completed = 1;
    series_classify(&s);
    EXPECT_EQ(series_standings(s).blocks[0][1].cells[2].substr(0, 3), "- (");
    EXPECT_EQ(series_standings(s).heading, "Next Event: M2");
}

TEST_F(SeriesTest, StandingsSurviveARestartAndAResetStartsAgain)
{
    // Two whole lines and a third cut short (a crash of an old version
    // mid-write, say).
    write_file(home() + "/test.series_standings", "1 2 3 4 \n2 3 4 1 \n3 4 ");
    Series again = three_motos();
    series_read_standings(&again);
    EXPECT_EQ(again.completed, 2) << "the cut third line does not count";
    EXPECT_EQ(again.events[1].positions[3], 0);
    series_reset(&again);
    EXPECT_EQ(again.completed, 0);
}

TEST_F(SeriesTest, LaterEventsPickGatesByThePreviousResult)
{
    Series s = three_motos();
    int lineup[40];
    series_lineup(s, lineup);
    EXPECT_EQ(lineup[0], 1020);
    EXPECT_EQ(lineup[2], 1022);
    EXPECT_EQ(lineup[3], 1) << "the player after the robots";
    s.events[0].positions[0] = 3, s.events[0].positions[1] = 0, s.events[0].positions[2] = 1,
    s.events[0].positions[3] = 2;
    s.completed = 1;
    series_lineup(s, lineup);
    // The last of the previous moto picks first: slots 6, 8, 10, 12.
    EXPECT_EQ(lineup[6], 1020);
    EXPECT_EQ(lineup[8], 1);
    EXPECT_EQ(lineup[10], 1022);
    EXPECT_EQ(lineup[12], 1021);
    EXPECT_EQ(lineup[0], 0);
}

class SeriesRaceTest : public GameRaceTest
{
};

TEST_F(SeriesRaceTest, AnEnteredEventLeftForAnotherRaceIsRecordedAsItStood)
{
    TrackList tracks = build_track_list(false);
    SeriesList list;
    series_load_all(&list, tracks, false);
    ASSERT_GE(list.series.size(), 2u) << "the shipped series";
    int sprint = -1;
    for (size_t i = 0; i < list.series.size(); ++i)
        if (list.series[i].file == "sprint.series")
            sprint = (int)i;
    ASSERT_GE(sprint, 0);
    ASSERT_TRUE(series_start_event(&list, &sim, &tracks, sprint, true, false));
    EXPECT_EQ(list.entered_series, sprint);
    EXPECT_FALSE(series_start_event(&list, &sim, &tracks, sprint, true, false)) << "entered already";
    sim_run(&sim, 20);
    // Another race: the event counts as it stands, the player last.
    int lineup[40] = {2};
    race_start(&sim, lineup, false, false, 0, 1, 0, 1);
    const Series &s = list.series[sprint];
    EXPECT_EQ(s.completed, 1);
    EXPECT_EQ(s.events[0].positions[s.numbers.size()], (int)s.numbers.size());
    EXPECT_EQ(list.entered_series, -1);
    EXPECT_NE(read_file(home.path + "/Rutvale/sprint.series_standings"), "");

    // Practice leaves the standings alone; the file is read back the same.
    ASSERT_TRUE(series_start_event(&list, &sim, &tracks, sprint, false, false));
    race_start(&sim, lineup, false, false, 0, 1, 0, 1);
    EXPECT_EQ(list.series[sprint].completed, 1);
    SeriesList again;
    series_load_all(&again, tracks, false);
    EXPECT_EQ(again.series[sprint].completed, 1);
}

TEST(SeriesSimulator, StandingsAddUpToTheEventsPoints)
{
    std::string out;
    // Each event cut at 45 s of racing: the standings still add up.
    ASSERT_EQ(simulator("--series sprint --pilot --seconds 45", &out), 0) << out;
    std::map<std::string, int> summed, totals;
    std::istringstream lines(out);
    std::string line;
    int events = 0;
    while (std::getline(lines, line)) {
        char number[16];
        int position, points;
        if (sscanf(line.c_str(), "  rider %15s position %d points %d", number, &position, &points) == 3)
            summed[number] += points;
        if (line.rfind("event ", 0) == 0)
            ++events;
        if (line.rfind("totals:", 0) == 0) {
            totals.clear();
            std::istringstream cells(line.substr(7));
            std::string cell;
            while (cells >> cell)
                totals[cell.substr(0, cell.find('='))] = std::stoi(cell.substr(cell.find('=') + 1));
        }
    }
    EXPECT_EQ(events, 2);
    EXPECT_EQ(summed.size(), 10u);
    EXPECT_EQ(summed, totals) << out;
    EXPECT_NE(out.find("Rutvale Sprint Cup Final Standings"), std::string::npos);
}

} // namespace
