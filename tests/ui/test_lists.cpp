// Track, demo and skin lists built from the game files.
#include "test_folders.h"

#include "track/track_list.h"
#include "ui/lists.h"

#include <gtest/gtest.h>

namespace
{

using Lists = GameFolderTest;

TEST_F(Lists, TracksAreSortedByDescriptionIgnoringCase)
{
    write_file(data / "zzzz.saf", archive_bytes({{"hill/terrain.hf", "x"},
                                                 {"hill/desc", "beta Hill\r\nsecond line"},
                                                 {"sand/terrain.hf.gz", "x"},
                                                 {"sand/desc", "Alpha Sands"},
                                                 {"nodesc/terrain.hf", "x"},
                                                 {"empty/terrain.hf", "x"},
                                                 {"empty/desc", ""},
                                                 {"both/terrain.hf", "x"},
                                                 {"both/terrain.hf.gz", "x"},
                                                 {"notatrack/terrain.hfx", "x"}}));
    TrackList list = build_track_list(false);
    EXPECT_EQ(list.names, (std::vector<std::string>{"", "Alpha Sands", "beta Hill", "both", "nodesc"}));
    EXPECT_EQ(list.folders, (std::vector<std::string>{"empty", "sand", "hill", "both", "nodesc"}));
    EXPECT_TRUE(track_list_select(&list, "hill"));
    EXPECT_EQ(list.selected, 2);
    EXPECT_FALSE(track_list_select(&list, "rabbithill"));
    EXPECT_EQ(list.selected, 2);
}

TEST_F(Lists, DemosUnderTheDemoFolderWithDisplayNames)
{
    write_file(home_root.path + "/Rutvale/demos/My Run.rvdemo", "d");
    write_file(data / "demos/sub/old.race.rvdemo", "d");
    write_file(data / "demos/notes.txt", "n");
    write_file(data / "other/x.rvdemo", "d");
    DemoList list = demo_list_build(false);
    EXPECT_EQ(list.files, (std::vector<std::string>{"demos/My Run.rvdemo", "demos/sub/old.race.rvdemo"}));
    EXPECT_EQ(list.names, (std::vector<std::string>{"My Run", "old.race"}));
    std::vector<std::string> page = demo_list_page(list, 0);
    ASSERT_EQ(page.size(), 20u);
    EXPECT_EQ(page[1], "old.race");
    EXPECT_EQ(page[2], "");
    EXPECT_EQ(demo_list_page(list, 1), std::vector<std::string>(20));
}

TEST_F(Lists, SkinsStartWithDefaultAndSkipMaps)
{
    write_file(data / "zzzz.saf", archive_bytes({{"riders/rider_head-red.png", "p"},
                                                 {"riders/rider_head-red_norm.png", "p"},
                                                 {"riders/rider_head-red_spec.png", "p"},
                                                 {"rider_head-blue.png", "p"},
                                                 {"rider_head-.jpg", "p"},
                                                 {"xrider_head-no.png", "p"}}));
    SkinList list = skin_list_build("rider_head-");
    EXPECT_EQ(list.names, (std::vector<std::string>{"default", "blue", "red"}));
    EXPECT_EQ(list.files, (std::vector<std::string>{"", "@rider_head-blue.png", "@riders/rider_head-red.png"}));
}

} // namespace
