// JM models: reading, variants, the cache and skinning (no GL needed).
#include "test_folders.h"

#include "files/file_index.h"
#include "files/game_file.h"
#include "files/paths.h"
#include "platform/messages.h"
#include "render/model.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

const char two_bones[] = "JM2\n2 rig\n"
                         "16 0 0.5 0.5 0.5 3 1\n"
                         "0 0 0 0 1 0 0 0 0 0\n"
                         "1 0 0 0 1 0 1 0 3 1\n"
                         "0 1 0 0 1 0 0 1 0 1\n"
                         "0 1 2\n";

class Models : public GameFolderTest
{
  protected:
    void SetUp() override
    {
        GameFolderTest::SetUp();
        model_settings(1, 0, true, false, false);
    }
    bool read(const std::string &text, Model *m)
    {
        write_file(data / "m.jm", text);
        GameFile *f = gf_open("@m.jm", "rb");
        bool ok = model_read(f, m);
        gf_close(f);
        return ok;
    }
};

// Counts each within their limits but together asking for more than the
// file holds fail before anything is allocated for them.
TEST_F(Models, CountsTheFileCannotFillFail)
{
    const char *cases[] = {
        "JM2 256 bones\n32 0 1 1 1 4000000 1\n0 0 0",
        "JM1\n32 0 1 1 1 3 4000000\n0 0 0 0 0 0 0 0\n",
        "4000000 4000000\n1 2 3",
        "JM1\n32 0 1 1 1 -1 0\n",
    };
    for (const char *text : cases) {
        Model m;
        EXPECT_FALSE(read(text, &m)) << text;
        EXPECT_TRUE(m.meshes.empty());
    }
}

TEST_F(Models, WeightsAreNormalisedAndZeroWeightsShared)
{
    Model m;
    ASSERT_TRUE(read(two_bones, &m));
    ASSERT_EQ(m.meshes.size(), 1u);
    const Mesh &mesh = m.meshes[0];
    EXPECT_EQ(mesh.bone_count, 2);
    EXPECT_FLOAT_EQ(mesh.weights[0], 0.5f); // all zero: equal
    EXPECT_FLOAT_EQ(mesh.weights[2], 0.75f);
    EXPECT_FLOAT_EQ(mesh.weights[3], 0.25f);
    EXPECT_FLOAT_EQ(mesh.texcoords[5], 0); // v flipped
    EXPECT_EQ(mesh.positions.size(), 18u); // current and rest copies
}

TEST_F(Models, BrokenFilesFailWhole)
{
    Model m;
    EXPECT_FALSE(read("JM1\n16 0 1 1 1 2 0\n0 0 0 0 1 0 0 0\n0 0 0 0 1 0 0\n", &m)); // short vertex
    EXPECT_FALSE(read("JM3\n", &m));
    EXPECT_FALSE(read("JM1\n16 0 1 1 1 3 1\n" + std::string(3, '\n') + "0 1 2\n", &m));
    EXPECT_FALSE(read("JM1\n16 0 1 1 1 1 1\n0 0 0 0 1 0 0 0\n0 0 5\n", &m)); // index out of range
    EXPECT_TRUE(m.meshes.empty());
    // The old form without a header: one white mesh of shininess 32.
    ASSERT_TRUE(read("3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 1 0 0 1 0 0 1\n0 1 2\n", &m));
    EXPECT_EQ(m.meshes[0].shininess, 32);
    EXPECT_EQ(m.meshes[0].triangle_count, 1);
}

TEST_F(Models, VariantsChainByDistanceAndTheCacheIgnoresCase)
{
    const char *one = "JM1\n16 0 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 1 0 0 1 0 0 1\n0 1 2\n";
    write_file(data / "x.jm", one);
    write_file(data / "x_lod3.jm", one);
    write_file(data / "x_lod1.jm", one);
    write_file(data / "x_lod.jm", one);
    Model *m = load_model("@x.jm", true);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->next_variant, nullptr);
    EXPECT_FLOAT_EQ(m->next_variant->variant_distance, 2);
    ASSERT_NE(m->next_variant->next_variant, nullptr);
    EXPECT_FLOAT_EQ(m->next_variant->next_variant->variant_distance, 8);
    EXPECT_EQ(m->next_variant->next_variant->next_variant, nullptr);
    EXPECT_EQ(model_variant(m, 1), m);
    EXPECT_EQ(model_variant(m, 3), m->next_variant);
    EXPECT_EQ(model_variant(m, 100), m->next_variant->next_variant);

    EXPECT_EQ(load_model("@X.JM", true), m);
    EXPECT_STREQ(message_log_line(0), "Warning: case mismatch on '@X.JM'");
    EXPECT_EQ(load_model("@missing.jm", true), nullptr);
    EXPECT_STREQ(message_log_line(0), "Warning: Can't load @missing.jm");
}

TEST_F(Models, SkinningMovesVerticesWithTheirBones)
{
    Model m;
    ASSERT_TRUE(read(two_bones, &m));
    Mesh &mesh = m.meshes[0];
    // Bone 1 turns a quarter about z and moves up by 1; bone 0 stays.
    const float positions[2][3] = {{0, 0, 0}, {0, 1, 0}}, rest[2][3] = {{0, 0, 0}, {0, 0, 0}};
    const float rotations[2][9] = {{1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, -1, 0, 1, 0, 0, 0, 0, 1}};
    skin_mesh(&mesh, {2, positions, rest, rotations});
    // Vertex 1 (1, 0, 0), weights 0.75 / 0.25: 0.75 (1,0,0) + 0.25 ((0,1,0) + (0,1,0)).
    EXPECT_FLOAT_EQ(mesh.positions[3], 0.75f);
    EXPECT_FLOAT_EQ(mesh.positions[4], 0.5f);
    const float one_bone[1][9] = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    Mesh before = mesh;
    skin_mesh(&mesh, {1, positions, rest, one_bone}); // bone count differs: untouched
    EXPECT_EQ(mesh.positions, before.positions);
}

TEST(GeneratedModels, EveryModelOfTheGameLoads)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    model_settings(1, 0, true, false, false);
    int count = 0;
    for (const char *const *n = gf_list_names(); *n; ++n) {
        std::string name = *n;
        if (name.size() < 3 || name.compare(name.size() - 3, 3, ".jm") != 0)
            continue;
        EXPECT_NE(load_model(("@" + name).c_str(), true), nullptr) << name;
        ++count;
    }
    EXPECT_GT(count, 70);
    Model *frame = load_model("@crf250_frame.jm", true);
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->next_variant, nullptr); // the far frame
    EXPECT_FLOAT_EQ(frame->next_variant->variant_distance, 64);
    EXPECT_EQ(load_model("@rider_body.jm", true)->bone_count, 9);
    use_game_folders("", "");
}

} // namespace
