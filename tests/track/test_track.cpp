// Track objects, whole-track loading and the track digest.
#include "track/track_fixture.h"

#include "files/archive.h"
#include "files/file_index.h"
#include "files/game_file.h"
#include "files/paths.h"
#include "platform/messages.h"
#include "track/shape.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

class TrackLoading : public GameFolderTest
{
  protected:
    Track track;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        write_small_track(data.path, "small");
    }
    void TearDown() override
    {
        unload_track(&track);
        GameFolderTest::TearDown();
    }
    std::string digest_of(const std::string &folder)
    {
        game_files_reset();
        EXPECT_EQ(load_track(&track, folder, ""), 1) << message_log_line(0);
        return digest_hex(track.digest);
    }
};

TEST_F(TrackLoading, SmallTrackLoadsEverything)
{
    ASSERT_EQ(load_track(&track, "small", "Small Track"), 1) << message_log_line(0);
    const TrackObjects &o = track.objects;
    EXPECT_EQ(o.gates.starts.size(), 2u);
    EXPECT_EQ(o.gates.start_statues.size(), 2u);
    EXPECT_EQ(o.gates.checkpoints.size(), 2u);
    EXPECT_EQ(o.gates.first_lap_count, 2);
    EXPECT_EQ(o.gates.normal_lap_timed, 2);
    EXPECT_EQ(o.statues.size(), 4u); // two start gates, a tree and a rock
    EXPECT_EQ(o.billboards.size(), (size_t)ROOST_BILLBOARDS + 1);
    const Billboard &sign = o.billboards.back();
    EXPECT_EQ(sign.colour[0], 255);
    EXPECT_EQ(sign.colour[1], 128);
    EXPECT_EQ(sign.colour[2], 0);
    EXPECT_EQ(sign.texture_name, "@sign.png");
    EXPECT_FLOAT_EQ(o.lighting.sun_vector[1], 1);
    EXPECT_FLOAT_EQ(o.lighting.fog_density, 0.01f);

    const Statue &tree = o.statues[2];
    ASSERT_NE(tree.shape, nullptr);
    EXPECT_FLOAT_EQ(tree.shape->bounding_radius, 3.5f);
    EXPECT_FLOAT_EQ(tree.y, terrain_height(track.terrain, 20, 20));
    int cell = statue_grid_cell(20, track.terrain.extent);
    const std::vector<int> &bin = o.statue_grid[cell][cell];
    EXPECT_NE(std::find(bin.begin(), bin.end(), 2), bin.end());
    EXPECT_EQ(o.statues[3].shape, nullptr); // "null": not in the grid
    EXPECT_FLOAT_EQ(o.statues[3].face_distance, 1024);

    // Start gates stand 3 feet behind their start positions.
    const Statue &gate = o.statues[0];
    EXPECT_FLOAT_EQ(gate.z, 2);
    EXPECT_EQ(gate.shape_name, "@startgate.shp");
}

TEST_F(TrackLoading, GateSequenceRepeatsTheNormalLap)
{
    ASSERT_EQ(load_track(&track, "small", ""), 1);
    const TimingGates &g = track.objects.gates;
    const int expected[] = {0, 1, 100000, 1, 0, 100000, 1, 0};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(gate_sequence(g, n), expected[n]) << n;
}

TEST(TimingGates, NormalisationAndAngles)
{
    std::vector<int> entries = {-5, 100003, 1, 7, 100000};
    normalise_gates(&entries, 2);
    EXPECT_EQ(entries, (std::vector<int>{0, 100001, 1, 1, 100000}));
    EXPECT_NEAR(wrap_angle(4.0f), 4.0f - 2 * M_PI, 1e-5);
    EXPECT_FLOAT_EQ(wrap_angle(-3.0f), -3.0f);
    EXPECT_NEAR(wrap_angle(-10.0f), -10.0f + 4 * M_PI, 1e-5);
}

TEST_F(TrackLoading, GateDataNeedsTimedEntriesInBothLaps)
{
    write_file(data / "small/timing_gates", "checkpoints:\n4 [ 10 0 10 ] [ 0 0 1 ]\nfirstlap:\n0\nnormallap:\n");
    ASSERT_EQ(load_track(&track, "small", ""), 1);
    EXPECT_TRUE(track.objects.gates.checkpoints.empty());
    EXPECT_TRUE(track.objects.gates.gates.empty());
    EXPECT_EQ(gate_sequence(track.objects.gates, 0), -1);
}

TEST_F(TrackLoading, StatueOrientationCases)
{
    ASSERT_EQ(load_track(&track, "small", ""), 1);
    float m[9];
    statue_orientation(track.terrain, 20, 20, 10, m);
    EXPECT_EQ(std::vector<float>(m, m + 9), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    statue_orientation(track.terrain, 20, 20, -7, m);
    EXPECT_FLOAT_EQ(m[1], 0); // upright: the model's y axis is world up
    EXPECT_FLOAT_EQ(m[4], 1);
    EXPECT_NEAR(m[0], std::cos(-7.0f), 1e-5); // heading -7 radians
    EXPECT_NEAR(m[6], -std::sin(-7.0f), 1e-5);
    statue_orientation(track.terrain, 15, 15, 0, m);
    Vec3 n = terrain_normal(track.terrain, 15, 15);
    float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    EXPECT_NEAR(m[4], n.y / len, 0.02f); // tilted with the ground
}

TEST_F(TrackLoading, DigestFollowsWhatTheRidingDependsOn)
{
    std::string base = digest_of("small");
    write_file(data / "small/decals", "[ 5 5 ] 0 2 1 @mark.png\n");
    write_file(data / "small/lighting", "sun_vector [ 1 0 0 ]\n");
    write_file(data / "small/billboards", "");
    EXPECT_EQ(digest_of("small"), base);

    write_file(data / "small/statues", "[ 21 0 20 ] 0 @tree.jm @tree.png @tree.shp\n");
    std::string moved = digest_of("small");
    EXPECT_NE(moved, base);
    write_file(data / "small/tileinfo", "texture @dirt.png\naddtile\n");
    EXPECT_NE(digest_of("small"), moved);
}

TEST_F(TrackLoading, ArchiveAndLooseFilesGiveTheSameDigest)
{
    std::string loose = digest_of("small");
    TempDir other;
    std::string error;
    ASSERT_TRUE(archive_pack_folder(data.path, other / "zzzz.saf", &error)) << error;
    use_game_folders(home_root.path, other.path);
    EXPECT_EQ(digest_of("small"), loose);
}

TEST_F(TrackLoading, TrackInfoCarriesTheDigest)
{
    ASSERT_EQ(load_track(&track, "small", "Small Track"), 1);
    save_track_info(track);
    std::string info = read_file(home_root.path + "/Rutvale/small.trackinfo");
    EXPECT_EQ(info,
              "dir=small\nlongname=Small Track\nfirstlap=2\nnormallap=3\nhash=" + digest_hex(track.digest) + "\n");
    EXPECT_STREQ(message_log_line(0), "Track info saved to small.trackinfo");
}

TEST_F(TrackLoading, SavedObjectsReadBack)
{
    ASSERT_EQ(load_track(&track, "small", ""), 1);
    ASSERT_EQ(save_billboards(track), 1);
    ASSERT_EQ(save_statues(track), 1);
    ASSERT_EQ(save_timing_gates(track), 1);
    std::string saved = home_root.path + "/Rutvale/small/";
    EXPECT_EQ(read_file(saved + "billboards"), "[15.000000 0.000000 15.000000] 4.000000 1.000000 #ff8000#@sign.png\n");
    EXPECT_EQ(read_file(saved + "statues"), "[20.000000 0.000000 20.000000] 0.000000 @tree.jm @tree.png @tree.shp\n"
                                            "[25.000000 1.000000 25.000000] 10.000000 @rock.jm @rock.png null\n");
    // The saved files (now in the home folder) describe the same track.
    std::vector<Statue> before = track.objects.statues;
    std::vector<int> gates = track.objects.gates.gates;
    digest_of("small");
    ASSERT_EQ(track.objects.statues.size(), before.size());
    for (size_t k = 0; k < before.size(); ++k) {
        EXPECT_FLOAT_EQ(track.objects.statues[k].x, before[k].x);
        EXPECT_EQ(track.objects.statues[k].shape_name, before[k].shape_name);
    }
    EXPECT_EQ(track.objects.gates.gates, gates);
    EXPECT_EQ(track.objects.gates.starts.size(), 2u);
}

// Numbers no track holds skip the item they belong to; the rest of the
// track loads, every object it keeps finite and within reach.
TEST_F(TrackLoading, HostileObjectNumbersSkipTheirItems)
{
    // Far away, and beyond a float (infinite once read).
    const std::string bad[] = {"1e20", "-1e20", "1e39", "-1e39"};
    std::string billboards = "[ 15 0 15 ] 4 1 @sign.png\n", statues = "[ 20 0 20 ] 0 @tree.jm @tree.png null\n";
    std::string starts, checkpoints;
    for (const std::string &v : bad) {
        billboards += "[ " + v + " 0 15 ] 4 1 @sign.png\n[ 15 0 15 ] " + v + " 1 @sign.png\n";
        statues += "[ 20 " + v + " 20 ] 0 @tree.jm @tree.png null\n[ 20 0 20 ] " + v + " @tree.jm @tree.png null\n";
        starts += "[ 5 0 " + v + " ] 0\n";
        checkpoints += v + " [ 10 0 10 ] [ 0 0 1 ]\n4 [ 10 0 " + v + " ] [ 0 0 1 ]\n";
    }
    write_file(data.path + "/small/billboards", billboards);
    write_file(data.path + "/small/statues", statues);
    write_file(data.path + "/small/timing_gates", "startinggate:\n[ 5 0 5 ] 0\n" + starts +
                                                      "checkpoints:\n4 [ 10 0 10 ] [ 0 0 1 ]\n" + checkpoints +
                                                      "4 [ 30 0 30 ] [ 1 0 0 ]\nfirstlap:\n0 1\nnormallap:\n0 1\n");
    write_file(data.path + "/small/flaggers", "[ 1 0 1 ] [ 2 0 2 ] 3 1 nan @flag.png\n");
    write_file(data.path + "/small/lighting", "fog [ 0.5 0.5 0.5 ] nan\nsun_vector [ inf 1 0 ]\n");
    ASSERT_EQ(load_track(&track, "small", ""), 1) << message_log_line(0);
    const TrackObjects &o = track.objects;
    EXPECT_EQ(o.billboards.size() - o.first_track_billboard, 1u);
    EXPECT_EQ(o.statues.size() - o.first_track_statue, 1u);
    EXPECT_EQ(o.gates.starts.size(), 1u);
    EXPECT_EQ(o.gates.checkpoints.size(), 2u);
    EXPECT_EQ(o.flaggers.start.billboard, -1);
    EXPECT_EQ(o.lighting.fog_density, 0);
    EXPECT_TRUE(std::isfinite(o.lighting.sun_vector[0]));
    for (const Billboard &b : o.billboards)
        EXPECT_TRUE(std::isfinite(b.x + b.y + b.z));
    for (const Statue &st : o.statues)
        EXPECT_TRUE(std::isfinite(st.x + st.y + st.z + st.orientation[0] + st.face_distance));
}

// Names in track files stay inside the game folders: plain names are game
// files too, and ".." is refused.
TEST_F(TrackLoading, TrackFileNamesStayInsideTheGameFolders)
{
    write_file(data.path + "/small/statues", "[ 20 0 20 ] 0 /etc/tree.jm ../tree.png tree.shp\n"
                                             "[ 25 0 25 ] 0 NULL !rock.png ../../shapes/x.shp\n");
    ASSERT_EQ(load_track(&track, "small", ""), 1) << message_log_line(0);
    const std::vector<Statue> &s = track.objects.statues;
    size_t first = track.objects.first_track_statue;
    ASSERT_EQ(s.size(), first + 2);
    EXPECT_EQ(s[first].model_name, "@/etc/tree.jm");
    EXPECT_EQ(s[first].texture_name, "@../tree.png");
    EXPECT_EQ(s[first].shape_name, "@tree.shp");
    EXPECT_NE(s[first].shape, nullptr); // found in the game folder
    EXPECT_EQ(s[first + 1].model_name, "");
    EXPECT_EQ(s[first + 1].texture_name, "!@rock.png");
    EXPECT_EQ(s[first + 1].shape, nullptr); // ".." is refused
    EXPECT_EQ(gf_open("@../small/desc", "rb"), nullptr);
}

TEST_F(TrackLoading, FailedGroundLeavesNoTrack)
{
    remove((data.path + "/small/tilemap").c_str());
    EXPECT_EQ(load_track(&track, "small", ""), 0);
    EXPECT_TRUE(track.folder.empty());
}

} // namespace

namespace
{

TEST(Flaggers, PicturesFollowTheStartTheLeaderAndDownedRiders)
{
    Track track;
    track.terrain = memory_terrain(2, 10, [](int, int) { return 3.0f; });
    TrackObjects &objects = track.objects;
    objects.billboards.resize(3);
    objects.gates.gates = {0, 1, 2};
    objects.gates.checkpoints.resize(3);
    StartFlagger &start = objects.flaggers.start;
    start.billboard = 0;
    start.a[0] = 10, start.a[1] = 1, start.b[0] = 20, start.b[1] = 1;
    start.walk_time = 2;
    for (unsigned k = 0; k < 5; ++k)
        start.pictures[k] = 11 + k;
    objects.flaggers.finish.billboard = 1;
    for (unsigned k = 0; k < 4; ++k)
        objects.flaggers.finish.pictures[k] = 21 + k;
    objects.flaggers.course.push_back({2, 31, 32, {2, -1, -1, -1}});

    // The flaggers as drawn: the track's own billboards stay as loaded.
    std::vector<Billboard> shown = objects.billboards;
    FlaggerView view{0, 10, 0, 5, 3, std::vector<bool>(3, false), 0};
    struct StartCase {
        float seconds;
        unsigned picture;
        float x;
    } starts[] = {{10.05f, 11, 10}, {10.2f, 12, 10}, {10.9f, 13, 10}, {12, 14, 15}, {13.5f, 15, 20}};
    for (const StartCase &c : starts) {
        view.seconds = c.seconds;
        update_flaggers(track, view, &shown);
        EXPECT_EQ(shown[0].texture, c.picture) << c.seconds;
        EXPECT_FLOAT_EQ(shown[0].x, c.x) << c.seconds;
        EXPECT_FLOAT_EQ(shown[0].y, 4) << "standing on the ground";
    }
    struct FinishCase {
        int leader_laps;
        unsigned picture;
    } finishes[] = {{0, 21}, {3, 22}, {4, 23}, {5, 24}, {7, 24}};
    for (const FinishCase &c : finishes) {
        view.leader_laps = c.leader_laps;
        update_flaggers(track, view, &shown);
        EXPECT_EQ(shown[1].texture, c.picture) << c.leader_laps;
    }
    EXPECT_EQ(shown[2].texture, 31u);
    view.marked[2] = true;
    update_flaggers(track, view, &shown);
    EXPECT_EQ(shown[2].texture, 32u);
    // Without timing gates the start and finish flaggers stay as they are.
    objects.gates.gates.clear();
    view.leader_laps = 0;
    update_flaggers(track, view, &shown);
    EXPECT_EQ(shown[1].texture, 24u);
    for (const Billboard &b : objects.billboards)
        EXPECT_EQ(b.texture, 0u) << "the track is not changed";
}

} // namespace
