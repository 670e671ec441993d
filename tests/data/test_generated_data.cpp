// The generated game data: deterministic, complete, and readable by the
// game's own readers.
#include "test_folders.h"

#include "files/archive.h"
#include "files/digest.h"
#include "files/file_index.h"
#include "files/game_file.h"
#include "files/image.h"
#include "platform/messages.h"
#include "race/lines.h"
#include "track/shape.h"
#include "track/track.h"
#include "track/track_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

namespace
{

// The game's own data folder of this build.
class GeneratedData : public ::testing::Test
{
  protected:
    TempDir home;
    Track track;
    void SetUp() override
    {
        use_game_folders(home.path, GAME_DIR);
        message_log_clear();
    }
    void TearDown() override
    {
        unload_track(&track);
        use_game_folders("", "");
    }
    std::vector<std::string> names_ending(const char *suffix)
    {
        std::vector<std::string> out;
        size_t n = strlen(suffix);
        for (const char *const *name = gf_list_names(); *name; ++name) {
            std::string s = *name;
            if (s.size() >= n && s.compare(s.size() - n, n, suffix) == 0)
                out.push_back(s);
        }
        return out;
    }
};

TEST(GeneratedDataBuild, TwoGenerationsGiveTheSameBytes)
{
    TempDir a, b;
    std::string error;
    for (const TempDir *dir : {&a, &b}) {
        std::string command = std::string(DATAGEN_EXE) + " '" + dir->path + "/data'";
        ASSERT_EQ(system(command.c_str()), 0);
        ASSERT_TRUE(archive_pack_folder(dir->path + "/data", dir->path + "/zzzz.saf", &error)) << error;
    }
    uint8_t da[DIGEST_SIZE], db[DIGEST_SIZE];
    ASSERT_TRUE(digest_file_prefix(a / "zzzz.saf", SIZE_MAX, da));
    ASSERT_TRUE(digest_file_prefix(b / "zzzz.saf", SIZE_MAX, db));
    EXPECT_EQ(digest_hex(da), digest_hex(db));
    // The build teaches the shipped lines on top, the same way every time.
    if (SHIPPED_LINES) {
        ASSERT_EQ(system((std::string(TEACH_EXE) + " '" + a.path + "/data'").c_str()), 0);
        ASSERT_TRUE(archive_pack_folder(a.path + "/data", a.path + "/zzzz.saf", &error)) << error;
    }
    std::string built = read_file(std::string(GAME_DIR) + "/zzzz.saf");
    EXPECT_TRUE(built == read_file(a / "zzzz.saf")) << "the build made other bytes";
}

TEST_F(GeneratedData, BothTracksAreListedWithTheirNames)
{
    TrackList list = build_track_list(false);
    EXPECT_EQ(list.folders, (std::vector<std::string>{"quarry", "rabbithill"}));
    EXPECT_EQ(list.names, (std::vector<std::string>{"Quarry Flats", "Rabbit Hill"}));
}

TEST_F(GeneratedData, BothTracksLoadCompletelyWithoutAWarning)
{
    for (const char *folder : {"rabbithill", "quarry"}) {
        message_log_clear();
        ASSERT_EQ(load_track(&track, folder, ""), 1) << folder << ": " << message_log_line(0);
        EXPECT_STREQ(message_log_line(0), "") << folder;
        const Terrain &t = track.terrain;
        EXPECT_EQ(t.level, 8);
        EXPECT_GE(t.extent, 1000);
        EXPECT_LE(t.extent, 2000);
        EXPECT_EQ(t.surfaces.size(), 18u);
        const TrackObjects &o = track.objects;
        EXPECT_EQ(o.gates.starts.size(), 40u) << folder;
        EXPECT_GE(o.gates.checkpoints.size(), 20u) << folder;
        EXPECT_EQ(o.gates.first_lap_timed, (int)o.gates.checkpoints.size());
        EXPECT_GT(o.statues.size(), 40u);
        for (const Statue &s : o.statues)
            EXPECT_NE(s.shape, nullptr) << s.shape_name;
        EXPECT_GT(o.billboards.size(), (size_t)ROOST_BILLBOARDS + 100);
        EXPECT_EQ(o.flaggers.start.billboard >= 0, true);
        EXPECT_FALSE(o.flaggers.course.empty());
        EXPECT_EQ(o.lighting.flares.size(), 1u);
        EXPECT_GT(o.lighting.fog_density, 0);
        // Decals need their textures, which load only with GL; the file still parses.
        GameFile *decals = gf_open(("@" + std::string(folder) + "/decals").c_str(), "rb");
        ASSERT_NE(decals, nullptr);
        float x, z, angle, length, aspect;
        char name[1024];
        int ruts = 0;
        while (gf_scanf(decals, "[ %f %f ] %f %f %f %1023s ", &x, &z, &angle, &length, &aspect, name) == 6)
            ++ruts;
        gf_close(decals);
        EXPECT_GT(ruts, 100) << folder;

        // Checkpoints lie on the ground, 60 to 100 feet apart, wide enough.
        const auto &cps = o.gates.checkpoints;
        float lap = 0;
        for (size_t k = 1; k < cps.size(); ++k) {
            float dx = cps[k].centre[0] - cps[k - 1].centre[0], dz = cps[k].centre[2] - cps[k - 1].centre[2];
            float gap = std::sqrt(dx * dx + dz * dz);
            EXPECT_GT(gap, 45) << folder << " " << k;
            EXPECT_LT(gap, 105) << folder << " " << k;
            EXPECT_GE(cps[k].radius, 15);
            lap += gap;
        }
        // 40 to 60 seconds at the 50 to 70 ft/s of a good rider.
        EXPECT_GT(lap, 2000) << folder;
        EXPECT_LT(lap, 4200) << folder;
    }
}

TEST_F(GeneratedData, EveryTrackShipsLinesForEverySkillCoveringEverySection)
{
    if (!SHIPPED_LINES)
        GTEST_SKIP() << "this build ships no learnt lines";
    for (const char *folder : {"rabbithill", "quarry"}) {
        ASSERT_EQ(load_track(&track, folder, ""), 1) << folder;
        for (int skill = 0; skill < 3; ++skill) {
            LineTable table = line_table_for(track.objects.gates);
            ASSERT_FALSE(table.sections.empty()) << folder;
            EXPECT_GT(lines_load(&table, folder, skill), 0) << folder << " " << skill;
            int tested = 0;
            for (const auto &section : table.sections) {
                bool any = false;
                for (const LineSlot &line : section) {
                    any |= !line.points.empty();
                    tested += line.tested;
                }
                EXPECT_TRUE(any) << folder << " " << lines_file_name(skill);
            }
            printf("%s %s: %d robot runs on its lines\n", folder, lines_file_name(skill), tested);
        }
    }
}

TEST_F(GeneratedData, TransitionTilesCarryTheirCornerCodes)
{
    ASSERT_EQ(load_track(&track, "rabbithill", ""), 1);
    const auto &s = track.terrain.surfaces;
    ASSERT_EQ(s.size(), 18u);
    EXPECT_EQ(s[0].texture_file, "grass.png");
    EXPECT_EQ(s[1].texture_file, "dirt.png");
    std::set<int> masks;
    for (size_t k = 4; k < s.size(); ++k) {
        EXPECT_EQ((s[k].code >> 16) & 0xff, 1) << s[k].texture_file; // dirt
        EXPECT_EQ((s[k].code >> 8) & 0xff, 0) << s[k].texture_file;  // grass
        masks.insert(s[k].code & 15);
    }
    EXPECT_EQ(masks.size(), 14u);                                      // every mixed corner pattern
    EXPECT_EQ(s[3].roost[0].kind, 2);                                  // mud splashes
    EXPECT_GT(surface_friction(s[2], 20), surface_friction(s[0], 20)); // hardpack grips more than grass
}

TEST_F(GeneratedData, EveryPictureAndShapeParses)
{
    int pictures = 0;
    for (const std::string &name : names_ending(".png")) {
        Image image;
        EXPECT_TRUE(read_image_png(("@" + name).c_str(), &image)) << name << ": " << image_error();
        ++pictures;
    }
    for (const std::string &name : names_ending(".ppm")) {
        GameFile *f = gf_open(("@" + name).c_str(), "rb");
        ASSERT_NE(f, nullptr) << name;
        Image image;
        EXPECT_TRUE(read_image_ppm(f, &image)) << name << ": " << image_error();
        gf_close(f);
        ++pictures;
    }
    EXPECT_GT(pictures, 40);
    for (const std::string &name : names_ending(".shp"))
        EXPECT_NE(shape_load(("@" + name).c_str()), nullptr) << name;
}

} // namespace

namespace
{

// Reads a JM model as the format lays it out; false with a reason on error.
bool check_jm(GameFile *f, std::string *why)
{
    int version = 0, bones = 0;
    char name[1024];
    if (gf_scanf(f, "JM%d", &version) != 1 || (version != 1 && version != 2))
        return *why = "header", false;
    if (version == 2 && gf_scanf(f, "%d %1023s", &bones, name) != 2)
        return *why = "bones", false;
    int meshes = 0;
    float shininess, reflectivity, r, g, b;
    int vertices, triangles;
    while (gf_scanf(f, "%f %f %f %f %f %d %d", &shininess, &reflectivity, &r, &g, &b, &vertices, &triangles) == 7) {
        ++meshes;
        for (int v = 0; v < vertices; ++v) {
            float value;
            for (int k = 0; k < 8 + bones; ++k)
                if (gf_scanf(f, "%f", &value) != 1)
                    return *why = "vertex " + std::to_string(v), false;
        }
        for (int t = 0; t < 3 * triangles; ++t) {
            int index;
            if (gf_scanf(f, "%d", &index) != 1 || index < 0 || index >= vertices)
                return *why = "triangle " + std::to_string(t / 3), false;
        }
    }
    return meshes > 0 || (*why = "no mesh", false);
}

TEST_F(GeneratedData, EveryModelHasValidMeshesAndTheFontsTheirCells)
{
    std::vector<std::string> models = names_ending(".jm");
    EXPECT_GE(models.size(), 9u * 7 + 8);
    for (const std::string &name : models) {
        GameFile *f = gf_open(("@" + name).c_str(), "rb");
        ASSERT_NE(f, nullptr) << name;
        std::string why;
        EXPECT_TRUE(check_jm(f, &why)) << name << ": " << why;
        gf_close(f);
    }
    // The top row marks every cell's left edge, plus the end of the last.
    const struct {
        const char *name;
        int cells;
    } fonts[] = {{"@font.png", 94}, {"@numbers.png", 10}, {"@numbers-condensed.png", 10}};
    for (const auto &font : fonts) {
        Image image;
        ASSERT_TRUE(read_image_rgba(font.name, &image)) << font.name;
        const uint8_t *sep = image.pixels.data();
        int marks = 0;
        for (int x = 0; x < image.width; ++x)
            marks += memcmp(&image.pixels[(size_t)x * 4], sep, 4) == 0;
        EXPECT_EQ(marks, font.cells + 1) << font.name;
        EXPECT_TRUE(is_power_of_two(image.width) && is_power_of_two(image.height)) << font.name;
    }
}

} // namespace
