#include "editor/editor.h"
#include "files/game_file.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// A flat 1024-foot ground of 65 x 65 points, 16 feet apart, and the editor
// on it in a 512 x 512 window at zoom 1 (one pixel a foot).
struct EditorTest : ::testing::Test {
    Track track;
    Editor editor;
    MenuKeys keys;
    void SetUp() override
    {
        Terrain &t = track.terrain;
        t.level = 5, t.tiles_per_side = 32, t.points_per_side = 65, t.spacing = 16, t.extent = 1024;
        t.heights.assign(65 * 65, 10);
        t.shading.assign(65 * 65 * 3, 100);
        t.min_height = t.max_height = 10;
        track.serial = 1;
        editor_open(&editor, &track);
        editor.width = editor.height = 512;
        keys.cursor_left = 8192;
    }
    float height(int i, int j) { return track.terrain.heights[(size_t)j * 65 + i]; }
    // One stroke of the current tool at the window's centre (world 512, 512).
    void stroke(int steps = 1)
    {
        editor.pointer[0] = editor.pointer[1] = 256;
        editor_key(&editor, keys, keys.cursor_left, true);
        for (int s = 0; s < steps; ++s)
            editor_step(&editor);
        editor_key(&editor, keys, keys.cursor_left, false);
    }
};

TEST_F(EditorTest, RaiseWeighsByDistanceAndGrowsOnlyOnce)
{
    editor.pointer[0] = editor.pointer[1] = 256;
    float x, z;
    editor_to_world(editor, 256, 256, &x, &z);
    EXPECT_FLOAT_EQ(x, 512);
    EXPECT_FLOAT_EQ(editor_pixel(editor), 1);
    stroke(100); // steps 0, 32, 64, 96 each apply; the growth rule holds it
    EXPECT_FLOAT_EQ(height(32, 32), 18) << "the centre rises by the strength";
    EXPECT_FLOAT_EQ(height(35, 32), 14) << "48 feet out: weight 0.5";
    EXPECT_FLOAT_EQ(height(36, 32), 10) << "64 feet out: outside the brush";
    EXPECT_EQ(editor.message, "OK");

    editor.items[ITEM_SUBMODE].index = 2; // Lower Only
    stroke(1);
    EXPECT_FLOAT_EQ(height(32, 32), 18) << "Lower Only never raises";
}

TEST_F(EditorTest, HeightsTheFilesCannotHoldAreRefused)
{
    track.terrain.heights.assign(65 * 65, 99995);
    editor_commit(&editor);
    stroke();
    EXPECT_FLOAT_EQ(height(32, 32), 99995);
    EXPECT_EQ(editor.message, "OK") << "the stroke ended";
    editor.pointer[0] = editor.pointer[1] = 256;
    editor_key(&editor, keys, keys.cursor_left, true);
    editor_step(&editor);
    EXPECT_EQ(editor.message, "Heights beyond the track's limits refused!");
    editor_key(&editor, keys, keys.cursor_left, false);
}

TEST_F(EditorTest, UndoRingKeepsSevenLevelsBack)
{
    EXPECT_FALSE(editor_undo(&editor));
    EXPECT_EQ(editor.message, "No more undo levels!");
    stroke();
    EXPECT_TRUE(editor_undo(&editor));
    EXPECT_EQ(editor.message, "Undo!");
    EXPECT_FLOAT_EQ(height(32, 32), 10);
    for (int k = 0; k < 9; ++k)
        stroke();
    EXPECT_EQ(editor.undo_count, UNDO_LEVELS);
    for (int k = 0; k < 7; ++k)
        EXPECT_TRUE(editor_undo(&editor)) << k;
    EXPECT_FALSE(editor_undo(&editor));
    // Backspace is undo too.
    editor_key(&editor, keys, 8, true);
    EXPECT_EQ(editor.message, "No more undo levels!");
}

TEST_F(EditorTest, KeysZoomAndStrength)
{
    editor.items[ITEM_ZOOM].value = -1.75;
    editor_key(&editor, keys, '-', true);
    EXPECT_EQ(editor.items[ITEM_ZOOM].value, -2);
    for (int k = 0; k < 30; ++k)
        editor_key(&editor, keys, '=', true);
    EXPECT_EQ(editor.items[ITEM_ZOOM].value, 13) << "the key has no upper limit";
    editor_key(&editor, keys, ']', true);
    EXPECT_EQ(editor.items[ITEM_STRENGTH].value, 16);
    editor_key(&editor, keys, '9', true);
    EXPECT_EQ(editor.tool, TOOL_TIMING_GATE);
    EXPECT_EQ(editor.message, "Pressed 0x39 ('9')");
    EXPECT_FALSE(editor_key(&editor, keys, '\t', true)) << "Tab leaves the view";
}

TEST_F(EditorTest, GradientsProfilesAndPaint)
{
    Gradient g;
    g.start[0] = 100, g.start[1] = 100, g.end[0] = 200, g.end[1] = 100;
    gradient_flatten(&g);
    EXPECT_EQ(g.t, (std::vector<float>{0, 100}));
    EXPECT_EQ(gradient_value(g, 50), 0);
    g.v[1] = 10;
    EXPECT_FLOAT_EQ(gradient_value(g, 50), 5);
    EXPECT_FLOAT_EQ(gradient_value(g, -5), 0);
    EXPECT_FLOAT_EQ(gradient_value(g, 500), 10);
    g.kind[0] = 1; // a curve with the line's slope at both ends is the line
    EXPECT_NEAR(gradient_value(g, 25), 2.5, 1e-5);

    // A new gradient pulls the brushed ground toward height 0.
    editor.pointer[0] = editor.pointer[1] = 256;
    editor.hovered = ITEM_NEW_GRADIENT;
    editor_key(&editor, keys, 'a', true);
    editor.hovered = -1;
    ASSERT_EQ(editor.gradient, 0);
    editor.tool = TOOL_LINEAR_PAINT;
    editor.items[ITEM_STRENGTH].value = 1;
    stroke(1);
    EXPECT_FLOAT_EQ(height(32, 32), 0);
}

TEST(EditorFiles, EdinfoAndSceneIdentifiers)
{
    TempDir dir;
    write_file(dir / "edinfo", "add_point 1 0 5\n  add_gradient 1 2 3 4\nadd_point 1 0 0\nadd_point 0 7 2\n"
                               "add_point 0 3 9\nadd_gradientx 9 9 9 9\nadd_gradient 5 6 nan 8\n");
    GameFile *f = gf_open((dir / "edinfo").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<Gradient> list;
    EXPECT_EQ(edinfo_read(&list, f), 0);
    gf_close(f);
    ASSERT_EQ(list.size(), 1u) << "a point before any gradient and unreadable lines are left out";
    EXPECT_EQ(list[0].t, (std::vector<float>{0, 7})) << "a point out of order is left out";
    EXPECT_EQ(list[0].kind, (std::vector<unsigned char>{1, 0}));
    EXPECT_EQ(pov_identifier("@models/7tree.jm"), "_7tree");
    EXPECT_EQ(pov_identifier("@tree.jm"), "tree");
    EXPECT_EQ(pov_identifier("@2.jm"), "_2");
    EXPECT_EQ(pov_identifier("@billboards/pine-tree.png"), "_pine_tree");
}

} // namespace
