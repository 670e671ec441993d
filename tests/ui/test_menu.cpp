#include "physics/rider.h"
#include "platform/messages.h"
#include "race/sim_fixture.h"
#include "render/hud.h"
#include "test_folders.h"
#include "track/track.h"
#include "track/track_list.h"
#include "ui/chat.h"
#include "ui/config.h"
#include "ui/lists.h"
#include "ui/menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

// Codes of the menu keys as the tests send them (any distinct values do).
MenuKeys test_keys()
{
    MenuKeys k;
    k.up = 4096 + 0x148, k.down = 4096 + 0x150, k.left = 4096 + 0x14b, k.right = 4096 + 0x14d;
    k.enter = 4096 + 0x1c, k.keypad_enter = 4096 + 0x11c, k.esc = 4096 + 1, k.pause = 4096 + 0x45;
    k.cursor_left = 8192, k.cursor_right = 8194, k.page_up = 4096 + 0x149, k.page_down = 4096 + 0x151;
    return k;
}

// The menus over a configuration, with no window, race or server.
struct MenuFixture {
    Config config;
    DemoList demos;
    TrackList tracks;
    int lineup[START_SLOTS] = {};
    MenuContext ctx;
    Menus menus;

    explicit MenuFixture(Sim *sim = nullptr)
    {
        config_defaults(&config);
        tracks.folders = {"a", "b"};
        tracks.names = {"Track A", "Track B"};
        ctx.config = &config;
        ctx.demos = &demos;
        ctx.tracks = &tracks;
        ctx.lineup = lineup;
        ctx.sim = sim;
        menus_init(&menus, ctx, true);
        menus.keys = test_keys();
        menu_layout(&menus, &ctx, 1024, 768);
    }
    void key(int code)
    {
        int page = menus.page;
        menu_key(&menus, &ctx, code);
        // As the main loop does: a page change blocks the rest of the frame.
        if (menus.page != page)
            menus.page_changed = true;
    }
    void frame() { menus.page_changed = false; }
    void open(int page, int row = 0)
    {
        frame();
        menu_set_page(&menus, page);
        menu_layout(&menus, &ctx, 1024, 768);
        menus.selected = row;
    }
    const MenuRow &row()
    {
        menu_layout(&menus, &ctx, 1024, 768);
        return menus.rows[menus.selected];
    }
};

TEST(Menu, SelectionStopsAtTheFirstAndLastRow)
{
    MenuFixture f;
    f.key(f.menus.keys.up);
    EXPECT_EQ(f.menus.selected, 0);
    for (int i = 0; i < 20; ++i)
        f.key(f.menus.keys.down);
    EXPECT_EQ(f.menus.selected, 8);
    EXPECT_STREQ(f.row().label, "Quit");
}

TEST(Menu, ChoicesWrapBothWays)
{
    MenuFixture f;
    f.open(PAGE_NEW_RACE, 4); // Robot Skill: Novice, Amateur, Expert
    ASSERT_EQ(f.row().item, &f.config.skill);
    f.config.skill.index = 2;
    f.key(f.menus.keys.right);
    EXPECT_EQ(f.config.skill.index, 0);
    f.key(f.menus.keys.left);
    EXPECT_EQ(f.config.skill.index, 2);
    f.key(' ');
    EXPECT_EQ(f.config.skill.index, 0);
}

TEST(Menu, SliderFollowsClicksOnItsBar)
{
    MenuFixture f;
    f.open(PAGE_GRAPHICS);
    int row = 0;
    for (; row < (int)f.menus.rows.size(); ++row)
        if (f.menus.rows[row].item == &f.config.roost_density) // 0..1000, step 10
            break;
    ASSERT_LT(row, (int)f.menus.rows.size());
    f.menus.selected = row;
    const MenuRow &r = f.row();
    ASSERT_GT(r.bar_right, r.bar_left);
    f.menus.cursor_y = (float)(r.rect[1] + r.rect[3]) / 2;
    struct {
        float x;
        double expected;
    } cases[] = {
        {r.bar_left + 0.37f * (r.bar_right - r.bar_left), 370},
        {(float)r.bar_left - 10, 0}, // within 15 pixels of the bar: its minimum
        {(float)r.bar_left - 20, 0}, // further out: unchanged (still 0)
        {(float)r.bar_right + 1, 1000},
    };
    for (const auto &c : cases) {
        f.menus.cursor_x = c.x;
        f.key(f.menus.keys.cursor_left);
        EXPECT_NEAR(f.config.roost_density.value, c.expected, 10) << "clicked at x " << c.x;
    }
    f.config.roost_density.value = 500;
    f.menus.cursor_x = (float)r.bar_left - 20;
    f.key(f.menus.keys.cursor_left);
    EXPECT_EQ(f.config.roost_density.value, 500);
    f.key(f.menus.keys.right);
    EXPECT_EQ(f.config.roost_density.value, 510);
    f.config.roost_density.value = 1000;
    f.key(f.menus.keys.right);
    EXPECT_EQ(f.config.roost_density.value, 1000);
}

TEST(Menu, DemoListPagesSkipEmptyRows)
{
    MenuFixture f;
    for (int i = 0; i < 23; ++i) {
        f.demos.files.push_back("demos/d" + std::to_string(i) + ".rvdemo");
        f.demos.names.push_back("d" + std::to_string(i));
    }
    f.open(PAGE_PLAYBACK, 23); // Next Page
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.demo_list_page, 1);
    int shown = 0;
    for (const MenuRow &r : f.menus.rows)
        shown += r.kind == ROW_LIST && r.entry >= 0;
    menu_layout(&f.menus, &f.ctx, 1024, 768);
    shown = 0;
    for (const MenuRow &r : f.menus.rows)
        shown += r.kind == ROW_LIST && r.entry >= 0;
    EXPECT_EQ(shown, 3);
    f.menus.selected = 5; // the third entry
    f.key(f.menus.keys.down);
    EXPECT_EQ(f.menus.selected, 23);
    f.key(f.menus.keys.up);
    EXPECT_EQ(f.menus.selected, 5);
    f.menus.selected = 23;
    f.key(f.menus.keys.enter); // Next Page on the last page keeps it
    EXPECT_EQ(f.menus.demo_list_page, 1);
}

TEST(Menu, QuitNeedsAKeyInALaterFrame)
{
    MenuFixture f;
    f.open(PAGE_MAIN, 8);
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.page, PAGE_EXIT);
    f.key(f.menus.keys.enter);
    EXPECT_FALSE(f.menus.quit);
    f.frame();
    f.key('x');
    EXPECT_TRUE(f.menus.quit);
}

TEST(Menu, ChooserReturnsToItsPageWithTheChoice)
{
    MenuFixture f;
    f.open(PAGE_TIME_TRIAL, 2); // Track
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.page, PAGE_CHOOSER);
    EXPECT_STREQ(f.menus.chooser_title, "Choose Track");
    f.frame();
    f.menus.selected = 3; // the second track
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.page, PAGE_TIME_TRIAL);
    EXPECT_EQ(f.menus.selected, 0);
    EXPECT_EQ(f.tracks.selected, 1);
}

TEST(Menu, ServerHistoryBrowsing)
{
    MenuFixture f;
    f.config.server_name.text = "new.example";
    f.config.server_name_hist[0].text = "one.example";
    f.config.server_name_hist[1].text = "two.example";
    f.open(PAGE_MULTIPLAYER, 3);
    ASSERT_EQ(f.row().item, &f.config.server_name);
    f.key(f.menus.keys.page_up);
    EXPECT_EQ(f.config.server_name.text, "one.example");
    f.key(f.menus.keys.page_up);
    EXPECT_EQ(f.config.server_name.text, "two.example");
    f.key(f.menus.keys.page_up); // entry 2 is empty: nothing changes
    EXPECT_EQ(f.config.server_name.text, "two.example");
    EXPECT_EQ(f.menus.history_browse, 1);
    f.key(f.menus.keys.page_down);
    EXPECT_EQ(f.config.server_name.text, "one.example");
    f.key(f.menus.keys.page_down);
    EXPECT_EQ(f.menus.history_browse, -1);
}

TEST(Menu, TextFieldsKeepTheirCapacity)
{
    MenuKeys k = test_keys();
    MenuItem number;
    number.kind = ITEM_TEXT;
    number.max_length = 3;
    number.insert = false;
    for (char c : std::string("12345"))
        text_field_key(&number, k, c);
    EXPECT_EQ(number.text, "123");
    text_field_key(&number, k, k.left);
    text_field_key(&number, k, '9');
    EXPECT_EQ(number.text, "129");
    text_field_key(&number, k, '\t'); // refused
    text_field_key(&number, k, 8);
    EXPECT_EQ(number.text, "12");

    MenuItem name;
    name.kind = ITEM_TEXT;
    name.max_length = 5;
    name.text = "abcde";
    name.cursor = 0;
    text_field_key(&name, k, 'X'); // inserting pushes the last one out
    EXPECT_EQ(name.text, "Xabcd");
    text_field_key(&name, k, 127);
    EXPECT_EQ(name.text, "Xbcd");
    text_field_key(&name, k, 300); // not a character
    EXPECT_EQ(name.text, "Xbcd");
}

TEST(Menu, BindingRowsStartACaptureAndShowTheirKey)
{
    MenuFixture f;
    f.open(PAGE_CONTROLS, 1);
    ASSERT_EQ(f.row().item, &f.config.bindings[BIND_THROTTLE]);
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.capturing, &f.config.bindings[BIND_THROTTLE].binding);
    // Without a window no key has a name: the capture waits on.
    EXPECT_FALSE(capture_key(&f.menus, &f.ctx, 4096 + 0x11));
    capture_end(&f.menus, f.ctx);
    EXPECT_EQ(f.menus.capturing, nullptr);
}

class MenuRaceTest : public GameRaceTest
{
};

TEST_F(MenuRaceTest, NewRaceRotatesTheLineUp)
{
    MenuFixture f(&sim);
    f.tracks = build_track_list(false);
    track_list_select(&f.tracks, "rabbithill");
    f.ctx.rotate_lineup = 1;
    for (MenuItem &slot : f.config.slots)
        slot.index = 0;
    f.config.slots[19].index = 1; // Human in Gate 20
    f.config.slots[0].index = 2;
    f.open(PAGE_NEW_RACE, 1);
    f.key(f.menus.keys.enter);
    EXPECT_EQ(f.menus.page, PAGE_CLOSED);
    EXPECT_EQ(f.config.slots[20].index, 1) << "the Human of Gate 20 shows in Gate 21";
    EXPECT_EQ(f.config.slots[1].index, 2);
    ASSERT_NE(sim.race.slots[19].rider, nullptr) << "the race started with the player in slot 19";
    EXPECT_EQ(sim.race.slots[19].kind, KIND_LOCAL);
}

TEST_F(MenuRaceTest, SetupChangesReachThePlayersRider)
{
    MenuFixture f(&sim);
    f.tracks = build_track_list(false);
    track_list_select(&f.tracks, "rabbithill");
    for (MenuItem &slot : f.config.slots)
        slot.index = 0;
    f.config.slots[0].index = 1;
    f.open(PAGE_TIME_TRIAL, 1);
    f.key(f.menus.keys.enter);
    Rider *rider = sim.race.slots[sim.race.watched_slot].rider;
    ASSERT_NE(rider, nullptr);
    float before = rider->max_dab_speed;
    f.open(PAGE_BIKE_SETUP);
    for (int i = 0; i < (int)f.menus.rows.size(); ++i)
        if (f.menus.rows[i].item == &f.config.max_dab_speed)
            f.menus.selected = i;
    f.config.max_dab_speed.value = 11;
    f.key(f.menus.keys.right); // 12 mph
    EXPECT_NE(rider->max_dab_speed, before);
    EXPECT_FLOAT_EQ(rider->max_dab_speed, std::max(12 * 1.46666666f, 16.0f));
}

// The console and chat lines.
struct ChatFixture : MenuFixture {
    ChatFixture()
    {
        menu_set_page(&menus, PAGE_CHAT);
        message_log_clear();
    }
    void type(const std::string &line)
    {
        menus.chat_field.text = line;
        menus.chat_field.cursor = (int)line.size();
        chat_key(&menus, &ctx, menus.keys.enter);
    }
    std::string last_message() { return message_log_line(0); }
};

TEST(Chat, CommandsMatchExactlyOrAsPrefixes)
{
    ChatFixture f;
    f.type("/savetrackinfo now");
    EXPECT_EQ(f.menus.chat_field.text, "/savetrackinfo now") << "not a command: the line stays";
    f.type("/bbopt12");
    EXPECT_EQ(f.config.billboard_optimize_lookahead, 12);
    EXPECT_EQ(f.menus.chat_field.text, "");
    EXPECT_EQ(f.last_message(), "Billboard optimization window is now 12");
    struct {
        const char *line;
        double fov;
        const char *message;
    } fov_cases[] = {{"/fov 200", 170, "fov set"}, {"/fov 5", 10, "fov set"}, {"\\fov", 10, "Usage: fov <degrees>"}};
    for (const auto &c : fov_cases) {
        f.type(c.line);
        EXPECT_EQ(f.config.fov.value, c.fov) << c.line;
        EXPECT_EQ(f.last_message(), c.message) << c.line;
    }
    f.type("/togglespy");
    EXPECT_EQ(f.last_message(), f.config.spy ? "Spy mode ON" : "Spy mode OFF");
    f.type("/namedemo fast");
    EXPECT_EQ(f.last_message(), "Not currently recording a demo");
    f.type("/nosuchcommand");
    EXPECT_EQ(f.menus.chat_field.text, "/nosuchcommand");
}

// "/renderstats" shows the render statistics with their maxima started
// afresh, and the frame times too; "/savetrackinfo" says so once.
TEST(Chat, RenderStatsRestartAndTrackInfoIsReportedOnce)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    Track track;
    track.folder = "quarry";
    Sim sim;
    sim_create(&sim, &track);
    ChatFixture f;
    f.ctx.sim = &sim;
    RenderStats stats;
    stats.largest[0] = 99999;
    double shortest = 0.5, longest = 0.5;
    f.ctx.render_stats = &stats;
    f.ctx.min_frame_time = &shortest, f.ctx.max_frame_time = &longest;
    StatusInfo info;
    info.render_stats = &stats;
    EXPECT_TRUE(status_lines(info).empty());
    f.type("/renderstats");
    EXPECT_TRUE(stats.shown);
    EXPECT_EQ(shortest, 1);
    EXPECT_EQ(longest, 0);
    std::vector<std::string> lines = status_lines(info);
    ASSERT_EQ(lines.size(), (size_t)RENDER_STAT_LINES);
    EXPECT_EQ(lines[0].find("max=99999"), std::string::npos) << lines[0];

    int before = message_log.write_index;
    f.type("/savetrackinfo");
    EXPECT_EQ(message_log.write_index, before + 1);
    EXPECT_EQ(f.last_message(), "Track info saved to quarry.trackinfo");
    EXPECT_TRUE(path_exists(home.path + "/Rutvale/quarry.trackinfo"));
    sim_destroy(&sim);
}

TEST(Chat, FloodGuardAndNoServer)
{
    ChatFixture f;
    message_log.clock = 100;
    f.type("hello");
    EXPECT_EQ(f.last_message(), "Not connected to server");
    EXPECT_EQ(f.menus.chat_field.text, "");
    message_log.clock = 101;
    f.type("again");
    EXPECT_EQ(f.last_message(), "No one likes a spammer");
    EXPECT_EQ(f.menus.chat_field.text, "again") << "kept for another try";
    message_log.clock = 103;
    f.type("again");
    EXPECT_EQ(f.menus.chat_field.text, "");
}

TEST(Chat, HistoryKeepsTheLatestLines)
{
    ChatFixture f;
    for (int i = 0; i < 120; ++i)
        f.type("/fov " + std::to_string(20 + i));
    EXPECT_EQ(f.menus.history_count, CHAT_HISTORY - 1);
    f.key(f.menus.keys.up);
    EXPECT_EQ(f.menus.chat_field.text, "/fov 139");
    for (int i = 0; i < 200; ++i)
        f.key(f.menus.keys.up);
    EXPECT_EQ(f.menus.chat_field.text, "/fov 41") << "the oldest line kept";
    f.key(f.menus.keys.down);
    EXPECT_EQ(f.menus.chat_field.text, "/fov 42");
}

} // namespace
