// The ground's painted textures and the whole scene: windows around the
// camera, painting through a frame buffer or the back buffer, and the three
// views of the default track with their screenshots.
#include "core/main_loop.h"
#include "core/settings.h"
#include "core/view_draw.h"
#include "editor/editor.h"
#include "files/image.h"
#include "files/texture.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "race/lines.h"
#include "race/race.h"
#include "render/frustum.h"
#include "render/gl_caps.h"
#include "render/gl_renderer.h"
#include "render/ground_textures.h"
#include "render/hud.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/scene.h"
#include "render/solid_texture.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "render/texture_gl.h"
#include "test_folders.h"
#include "track/track.h"
#include "track/track_fixture.h"
#include "ui/config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

TEST(GroundWindows, StartOneBlockBeforeTheCameraClampedToTheGrid)
{
    Terrain t;
    t.tiles_per_side = 256;
    struct Case {
        int level, camera_tile, start;
    } cases[] = {{0, 100, 99}, {1, 100, 49}, {1, 0, 0}, {1, 255, 124}, {3, 40, 4}, {5, 200, 4}, {5, 20, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(ground_window_start(t, c.level, c.camera_tile), c.start) << c.level << " " << c.camera_tile;
    t.tiles_per_side = 8; // fewer blocks than a window: it starts at 0
    EXPECT_EQ(ground_window_start(t, 2, 7), 0);
}

TEST(GroundWindows, NodesTakeTheFinestReadyTextureThatCoversThem)
{
    Terrain t = memory_terrain(8, 3, [](int, int) { return 0.0f; });
    GroundTextures g;
    g.finest = 1;
    g.coarse_tiles = 64;
    g.coarse_blocks = 4;
    g.coarse.resize(16);
    for (size_t k = 0; k < g.coarse.size(); ++k)
        g.coarse[k].texture = 1000 + (unsigned)k;
    for (int level = 0; level < GROUND_WINDOW_LEVELS; ++level)
        for (int k = 0; k < 16; ++k)
            g.windows[level][k].texture = (unsigned)(level * 100 + k);
    // Camera over tile (100, 30): x = 100 * 6 + 1 ft.
    ground_windows_update(&g, t, 601, 181, false);
    GroundChoice choice = ground_texture_for(g, 100, 30, 1);
    EXPECT_GE(choice.texture, 1000u) << "nothing painted yet: the coarse texture";
    EXPECT_EQ(choice.span, 128);
    for (int level = 0; level < GROUND_WINDOW_LEVELS; ++level)
        for (GroundSlot &slot : g.windows[level])
            slot.ready = true;
    struct Case {
        int tile_x, tile_z, tiles;
        int level; // -1: coarse
    } cases[] = {
        {100, 30, 1, 1},  // under the camera: the finest level in use
        {100, 30, 2, 1},  // a node of two tiles still fits a level-1 block
        {96, 28, 4, 2},   // four tiles need level 2
        {106, 30, 1, 2},  // beyond level 1's window of 8 tiles
        {200, 30, 1, -1}, // far away: only the coarse texture
        {64, 0, 64, -1},  // too big for any window
    };
    for (const Case &c : cases) {
        choice = ground_texture_for(g, c.tile_x, c.tile_z, c.tiles);
        if (c.level < 0) {
            EXPECT_GE(choice.texture, 1000u) << c.tile_x;
            EXPECT_EQ(choice.span, 128) << c.tile_x;
        } else {
            EXPECT_EQ((int)choice.texture / 100, c.level) << c.tile_x;
            EXPECT_EQ(choice.span, 2 << c.level) << c.tile_x;
            EXPECT_EQ(choice.origin_i, (c.tile_x >> c.level) << (c.level + 1)) << c.tile_x;
        }
    }
    // The camera moves one level-1 block on: the slot that wrapped round is
    // repainted, the others keep their pictures.
    ground_windows_update(&g, t, 601 + 12, 181, false);
    int not_ready = 0;
    for (const GroundSlot &slot : g.windows[1])
        not_ready += !slot.ready;
    EXPECT_EQ(not_ready, 4);
}

TEST(GroundWindows, DecalBinsClampToTheGrid)
{
    int first, last;
    decal_bin_range(800, 90, 110, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    decal_bin_range(800, -50, 2000, &first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 7);
}

TEST(Scene, ReplayedRidersFadeInFromHalfTheFadeDistance)
{
    const float r = 50;
    struct Case {
        float distance, alpha;
    } cases[] = {{0, 0}, {r / 2, 0}, {r / 2 + r / 4, 0.5f}, {r, 1}, {r * 3, 1}};
    for (const Case &c : cases)
        EXPECT_FLOAT_EQ(ghost_alpha(c.distance, r), c.alpha) << c.distance;
    EXPECT_FLOAT_EQ(ghost_alpha(0, 0), 1) << "no fading distance: always whole";
}

// In a network race the riders on the gate beside the player are remote
// riders 3.3 ft away: drawn whole, not faded as demo ghosts; one silent for
// a second is not drawn. Offline, the same neighbour fades as a ghost.
TEST(Scene, RemoteNeighboursAreWholeAndSilentOnesHidden)
{
    Sim sim;
    sim_create(&sim, nullptr);
    for (int k = 0; k < 3; ++k) {
        RiderSlot &slot = sim.race.slots[k];
        slot.rider = rider_create(&sim.physics, "crf250(2009)", k, "1");
        rider_place_at(slot.rider, 100 + 3.3f * k, 0, 100, 0);
        slot.kind = k == 0 ? KIND_LOCAL : KIND_REPLAYED;
    }
    sim.race.tick = 1000;
    sim.network.last_received[1] = 990;
    sim.network.last_received[2] = 1000 - TICKS_PER_SECOND;
    EXPECT_LT(rider_draw_alpha(sim, 1, 50), 1) << "offline: a ghost";
    sim.network.connected = true;
    EXPECT_EQ(rider_draw_alpha(sim, 0, 50), 1);
    EXPECT_EQ(rider_draw_alpha(sim, 1, 50), 1) << "a remote neighbour is drawn whole";
    EXPECT_EQ(rider_draw_alpha(sim, 2, 50), 0) << "silent for a second: not seen";
    sim.network.connected = false;
    sim_destroy(&sim);
}

class GroundGl : public ::testing::Test
{
  protected:
    static Window *window;
    static void SetUpTestSuite()
    {
        if (!getenv("DISPLAY"))
            return;
        window = gl_window_create("Rutvale test", 640, 480, 0x100 | 32, 0, 16, 0, 0);
        if (window) {
            // Textures and models of an earlier window died with its context.
            forget_textures();
            forget_models();
            gl_caps_init();
            gl_renderer_install(nullptr);
        }
    }
    static void TearDownTestSuite()
    {
        gl_window_destroy(window);
        window = nullptr;
    }
    void SetUp() override
    {
        if (!window)
            GTEST_SKIP() << "no display";
        ASSERT_NE(frame_begin(window), nullptr);
    }
    void TearDown() override
    {
        if (window)
            frame_end(window);
    }
};
Window *GroundGl::window;

TEST_F(GroundGl, PaintsTilesDecalsAndShadingThroughEitherPath)
{
    for (bool fbo : {true, false}) {
        if (fbo && !gl_caps.has_fbo)
            continue;
        SCOPED_TRACE(fbo ? "frame buffer object" : "back buffer");
        Terrain t = memory_terrain(2, 1, [](int, int) { return 0.0f; }); // 8 x 8 ft
        t.surfaces.resize(1);
        t.surfaces[0].texture = solid_texture(200, 100, 50, 255);
        t.shading.assign((size_t)t.points_per_side * t.points_per_side * 3, 64); // a quarter of full light x2
        t.decals.push_back({solid_texture(0, 0, 0, 255), 4, 4, 0, 2, 1, 0, 1});  // 2 x 2 ft in the middle
        GroundTextures g;
        ground_textures_create(&g, t, {32, 0, false, fbo, false});
        low_detail_textures_build(&g, t);
        ground_add_decal(&g, t, 0);
        ground_windows_update(&g, t, 1, 1, true);
        EXPECT_GT(ground_paint_due(&g, t), 0);
        EXPECT_EQ(g.target.use_fbo, fbo);

        std::vector<uint8_t> pixels(32 * 32 * 3);
        glBindTexture(GL_TEXTURE_2D, g.coarse[0].texture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        auto at = [&](int x, int y) { return &pixels[((size_t)y * 32 + x) * 3]; };
        // Ground x 2 x shading: 200 * 2 * 64 / 255 = 100.
        const uint8_t *corner = at(2, 2);
        EXPECT_NEAR(corner[0], 100, 4);
        EXPECT_NEAR(corner[1], 50, 4);
        EXPECT_NEAR(corner[2], 25, 4);
        const uint8_t *middle = at(16, 16);
        EXPECT_LT(middle[0], 8) << "the decal is painted in";
        glBindTexture(GL_TEXTURE_2D, 0);
        ground_textures_free(&g);
    }
}

TEST_F(GroundGl, NumberPlatesShowTheNumberInBlackOnWhite)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    fonts_load();
    for (bool fbo : {true, false}) {
        if (fbo && !gl_caps.has_fbo)
            continue;
        SCOPED_TRACE(fbo ? "frame buffer object" : "back buffer");
        int saved = gl_caps.has_fbo;
        gl_caps.has_fbo = fbo;
        for (const char *number : {"7", "123", ""}) {
            unsigned id = text_texture(number, 64);
            ASSERT_NE(id, 0u);
            std::vector<uint8_t> pixels(64 * 64 * 4);
            glBindTexture(GL_TEXTURE_2D, id);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            int dark = 0;
            for (size_t k = 0; k < pixels.size(); k += 4)
                dark += pixels[k] < 64;
            EXPECT_EQ(pixels[0], 255) << number; // the plate's corner
            if (*number)
                EXPECT_GT(dark, 100) << number;
            else
                EXPECT_EQ(dark, 0);
            GLuint name = id;
            glDeleteTextures(1, &name);
        }
        gl_caps.has_fbo = saved;
    }
    use_game_folders("", "");
}

// The game's renderer set up on the generated data, in a home folder of
// the test's own.
class GameScene : public GroundGl
{
  protected:
    TempDir home;
    Config config;
    GameSettings settings;
    int shots = -1;
    void start_renderer()
    {
        use_game_folders(home.path, GAME_DIR);
        config_defaults(&config);
        renderer_start(config, settings, nullptr);
    }
};

// From the gate of each shipped track, eight riders ride straight out at
// full throttle, one each way, for a minute: none leaves the height field
// (the fence holds them), and the chase view at the end shows ground, not
// the fog, below the horizon.
TEST_F(GameScene, NoRiderLeavesTheWorldAndTheWorldGoesOnToTheHorizon)
{
    start_renderer();
    for (const char *folder : {"rabbithill", "quarry"}) {
        SCOPED_TRACE(folder);
        Track track;
        Sim sim;
        sim_create(&sim, &track);
        int lineup[SLOTS] = {LINEUP_HUMAN};
        sim.settings.track_folder = folder;
        ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
        const Terrain &ground = sim_track(sim).terrain;
        const float size = (float)(ground.points_per_side - 1) * ground.spacing;
        const dReal *gate = dBodyGetPosition(sim.race.slots[0].rider->bodies[FRAME]);
        const float gx = (float)gate[0], gz = (float)gate[2];
        const float pi = 3.14159265f;
        for (int k = 0; k < 8; ++k) {
            RiderSlot &slot = sim.race.slots[k];
            if (!slot.rider)
                slot.rider = rider_create(&sim.physics, "crf250(2009)", k, "1");
            slot.kind = KIND_LOCAL;
            float x = gx + 8 * std::cos(k * pi / 4), z = gz + 8 * std::sin(k * pi / 4);
            rider_place_at(slot.rider, x, terrain_height(ground, x, z), z, k * pi / 4);
            slot.rider->flags |= RIDER_AUTO_SHIFT | RIDER_WHEELIE_CONTROL | RIDER_AUTO_DAB;
        }
        sim.stages &= ~SIM_RIDER_COLLISIONS;
        sim.race.start_tick = 0;
        // Each rider's way out: where it faced when placed.
        float want[8][2];
        for (int k = 0; k < 8; ++k) {
            const dReal *m = dBodyGetRotation(sim.race.slots[k].rider->bodies[FRAME]);
            want[k][0] = -(float)m[2], want[k][1] = -(float)m[10];
        }
        float farthest_out = 0;
        bool reached_edge[8] = {};
        for (int tick = 0; tick < 60 * 128; ++tick) {
            for (int k = 0; k < 8; ++k) {
                Rider *r = sim.race.slots[k].rider;
                // Hold the heading the rider set out on: steer toward it.
                const dReal *m = dBodyGetRotation(r->bodies[FRAME]);
                float fx = -(float)m[2], fz = -(float)m[10];
                float want_x = want[k][0], want_z = want[k][1];
                float left = want_x * fz - want_z * fx, ahead = want_x * fx + want_z * fz;
                RiderInput in = rider_current_input(*r);
                in.throttle = 1;
                in.clutch = 1;
                in.steer = ahead < 0 ? (left >= 0 ? 1.0f : -1.0f) : std::clamp(2 * left, -1.0f, 1.0f);
                sim_set_input(&sim, k, in);
            }
            sim_tick(&sim);
            for (int k = 0; k < 8; ++k)
                for (int b = 0; b < RIDER_BODIES; ++b) {
                    const dReal *p = dBodyGetPosition(sim.race.slots[k].rider->bodies[b]);
                    for (int axis : {0, 2}) {
                        float out = std::max(-(float)p[axis], (float)p[axis] - size);
                        farthest_out = std::max(farthest_out, out);
                        reached_edge[k] |= out > -30;
                    }
                }
        }
        EXPECT_LE(farthest_out, 0) << "a rider left the height field";
        int at_fence = 0;
        for (int k = 0; k < 8; ++k)
            at_fence += reached_edge[k];
        EXPECT_GE(at_fence, 3) << "the riders rode to the edge of the map";

        // Standing at the fence at a rider's eye height, looking out over it
        // (where the world used to end in fog).
        LoopState state;
        ViewCameras &camera = state.cameras;
        camera.free_position[0] = size / 2, camera.free_position[2] = 20;
        camera.free_position[1] = terrain_height(ground, size / 2, 20) + 6;
        camera.free_yaw = 3.14159265f;
        camera.free_pitch = -0.05f;
        for (int frame = 0; frame < 2; ++frame) {
            set_projection(640, 480, 90);
            glClearColor(1, 0, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw_view(sim, FREE_VIEW, camera, config, settings);
        }
        std::vector<uint8_t> pixels(640 * 240 * 3);
        glReadPixels(0, 0, 640, 240, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        const float *fog = sim_track(sim).objects.lighting.fog_colour;
        int fogged = 0, uncovered = 0;
        for (size_t k = 0; k < pixels.size(); k += 3) {
            uncovered += pixels[k] == 255 && pixels[k + 1] == 0 && pixels[k + 2] == 255;
            int distance = 0;
            for (int c = 0; c < 3; ++c)
                distance += std::abs(pixels[k + (size_t)c] - (int)(fog[c] * 255));
            fogged += distance < 12;
        }
        EXPECT_LT(uncovered, 640 * 240 / 100);
        EXPECT_LT(fogged, 640 * 240 / 2) << "below the horizon: the fog's colour over most of it";
        take_screenshot(&shots, 640, 480);
        char name[64];
        snprintf(name, sizeof name, "/Rutvale/screenshot%03d.png", shots - 1);
        if (const char *keep = getenv("RUTVALE_KEEP_SCREENSHOTS"))
            write_file(std::string(keep) + "/edge-" + folder + ".png", read_file(home.path + name));
        looks_clear();
        sim_destroy(&sim);
        unload_track(&track);
    }
}

// The robots' learnt lines drawn for debugging: white strips, fainter far
// off, first-lap sections only.
TEST_F(GroundGl, LearntLinesShowAsWhiteStripsFadingWithDistance)
{
    TimingGates gates;
    gates.gates = {0, 1};
    gates.first_lap_count = gates.normal_lap_count = 1;
    LineTable table = line_table_for(gates);
    ASSERT_EQ(table.sections.size(), 2u);
    table.sections[0][3].points = {{-5, 0, -10, 30, 0}, {5, 0, -10, 30, 0}};   // across the view, near
    table.sections[0][4].points = {{-50, 5, -60, 30, 0}, {50, 5, -60, 30, 0}}; // far
    table.sections[1][0].points = {{-5, -2, -10, 30, 0}, {5, -2, -10, 30, 0}}; // a later lap: not drawn
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float eye[3] = {0, 0, 0};
    draw_line_table(table, eye);
    auto brightest_row = [](int y) {
        std::vector<uint8_t> row(640 * 3 * 5);
        glReadPixels(0, y - 2, 640, 5, GL_RGB, GL_UNSIGNED_BYTE, row.data());
        return (int)*std::max_element(row.begin(), row.end());
    };
    EXPECT_NEAR(brightest_row(240), 255 * 0.875, 3) << "its ends 125 ft^2 off: alpha 1 - 0.001 x 125";
    int far = brightest_row(240 + (int)(5.0 / 60 * 320));
    EXPECT_GE(far, 12);
    EXPECT_LE(far, 20) << "far off: the least alpha, 1/16";
    EXPECT_EQ(brightest_row(240 - 64), 0) << "later laps' lines are not drawn";
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The default track with a full field, seen from each view: ground, sky,
// riders and the HUD drawn, counts on the status overlay, screenshots
// saved by the game's own routine.
TEST_F(GameScene, EveryViewShowsTheGroundAndSavesItsScreenshot)
{
    start_renderer();
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    int lineup[SLOTS];
    for (int &value : lineup)
        value = LINEUP_ROBOT;
    sim.settings.track_folder = "rabbithill";
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
    for (int n = 0; n < 64; ++n)
        sim_tick(&sim);

    LoopState state;
    control_map_init(&state.controls);
    ViewCameras &cameras = state.cameras;
    cameras.free_position[0] = 700, cameras.free_position[1] = 60, cameras.free_position[2] = 700;
    cameras.free_pitch = -0.3f;
    for (ViewMode view : {RIDER_VIEW, CHASE_VIEW, FREE_VIEW}) {
        SCOPED_TRACE(view);
        state.view = view;
        // Two frames: the first paints the ground textures.
        for (int frame = 0; frame < 2; ++frame) {
            set_projection(640, 480, 90);
            glClearColor(1, 0, 1, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw_view(sim, view, cameras, config, settings);
        }
        EXPECT_GT(ground.triangles, 100);
        EXPECT_GT(model_triangles_drawn, 0);
        // Below the middle of the picture the ground covers everything.
        std::vector<uint8_t> pixels(640 * 240 * 3);
        glReadPixels(0, 0, 640, 240, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        int uncovered = 0;
        for (size_t k = 0; k < pixels.size(); k += 3)
            uncovered += pixels[k] == 255 && pixels[k + 1] == 0 && pixels[k + 2] == 255;
        EXPECT_LT(uncovered, 640 * 240 / 100);

        if (view != FREE_VIEW)
            hud_draw_rider(sim, sim.race.watched_slot, false);
        StatusInfo info;
        RenderStats stats;
        render_stats_restart(&stats);
        info.render_stats = &stats;
        std::vector<std::string> lines = status_lines(info);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0].rfind("Ground polygons - ", 0), 0u);
        EXPECT_NE(lines[0], "Ground polygons - 0 max=0");
        hud_draw_status(info);
        // The screenshot key asks for the picture; the frame's end takes it.
        config.bindings[BIND_SCREENSHOT].binding.key_code = 31;
        EXPECT_TRUE(route_event(&state, config, {31, 1, 0, 0}));
        ASSERT_TRUE(state.screenshot_requested);
        take_screenshot(&state.screenshot_number, 640, 480);
        state.screenshot_requested = false;
    }
    for (const char *name : {"screenshot001.png", "screenshot002.png", "screenshot003.png"}) {
        Image shot;
        EXPECT_TRUE(path_exists(home.path + "/Rutvale/" + name)) << name;
    }
    // Kept for a look after the run.
    if (const char *keep = getenv("RUTVALE_KEEP_SCREENSHOTS"))
        for (const char *name : {"screenshot001.png", "screenshot002.png", "screenshot003.png"})
            write_file(std::string(keep) + "/" + name, read_file(home.path + "/Rutvale/" + name));
    looks_clear();
    sim_destroy(&sim);
    unload_track(&track);
    use_game_folders("", "");
}

} // namespace

namespace
{

// The frustum of the GL matrices holds what they show: in front, not
// behind, not far to a side, and a sphere straddling an edge.
// Models live from their first use until a race on another track is set
// up without them: racing on a second track frees the first's.
TEST_F(GameScene, ASecondTracksRaceFreesTheFirstsModels)
{
    settings.debug = 1; // the cache reports each model it deletes
    start_renderer();
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    int lineup[SLOTS] = {LINEUP_ROBOT};
    sim.settings.track_folder = "rabbithill";
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
    looks_update(sim); // the statues' and riders' models loaded
    message_log_clear();
    sim.settings.track_folder = "quarry";
    ASSERT_TRUE(race_start(&sim, lineup, false, false, 0, 3, 0, 1));
    int deleted = 0;
    for (int age = 0; age < message_log.write_index; ++age) // fewer than the ring holds
        deleted += std::string(message_log_line(age)).rfind("deleting model ", 0) == 0;
    EXPECT_GT(deleted, 0) << "the first track's models are freed";
    looks_clear();
    sim_destroy(&sim);
    unload_track(&track);
}

// The editor's map is the ground as the race draws it: a tile painted and
// a decal placed show on it.
TEST_F(GameScene, TheEditorMapShowsPaintedTilesAndPlacedDecals)
{
    start_renderer();
    Track track;
    ASSERT_TRUE(load_track(&track, "rabbithill", ""));
    Terrain &t = track.terrain;
    Editor editor;
    editor_open(&editor, &track);
    editor.pointer[0] = 320, editor.pointer[1] = 240;
    auto picture = [&]() {
        set_projection(640, 480, 90);
        editor_draw(&editor, 640, 480);
        std::vector<uint8_t> pixels(120 * 120 * 3);
        glReadPixels(260, 180, 120, 120, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    auto changed = [](const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
        int n = 0;
        for (size_t k = 0; k < a.size(); k += 3)
            n += std::abs(a[k] - b[k]) + std::abs(a[k + 1] - b[k + 1]) + std::abs(a[k + 2] - b[k + 2]) > 60;
        return n;
    };
    std::vector<uint8_t> before = picture();
    EXPECT_EQ(changed(before, picture()), 0) << "the same map twice";

    // Another surface painted under the pointer.
    float x, z;
    editor_to_world(editor, 320, 240, &x, &z);
    int under = terrain_tile_at(t, x, z);
    MenuKeys keys;
    keys.cursor_left = 8192;
    editor.tool = TOOL_TILEMAP;
    editor.items[ITEM_TILE].value = under == 0 ? 1 : 0;
    editor_key(&editor, keys, keys.cursor_left, true);
    editor_step(&editor);
    editor_key(&editor, keys, keys.cursor_left, false);
    ASSERT_NE(terrain_tile_at(t, x, z), under);
    std::vector<uint8_t> painted = picture();
    EXPECT_GT(changed(before, painted), 100) << "the painted tiles show";

    // A decal laid where the pointer is.
    ASSERT_FALSE(t.decals.empty()) << "the track has decals to copy";
    Decal d = t.decals[0];
    d.x = x, d.z = z, d.length = 40;
    t.decals.push_back(d);
    terrain_add_decal(&t, d);
    EXPECT_GT(changed(painted, picture()), 50) << "the decal shows";
    editor_close(&editor);
    unload_track(&track);
}

TEST_F(GroundGl, FrustumHoldsWhatTheMatricesShow)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const struct {
        float centre[3], radius;
        bool visible;
    } cases[] = {{{0, 0, -10}, 1, true},  {{0, 0, 10}, 1, false},    {{30, 0, -10}, 1, false},
                 {{11, 0, -10}, 2, true}, {{0, 0, -2000}, 1, false}, {{0, 0, -0.5f}, 0.1f, false},
                 {{0, 9, -10}, 1, false}, {{0, -8, -10}, 1.5f, true}};
    Frustum f = frustum_from_gl();
    for (const auto &c : cases)
        EXPECT_EQ(frustum_sphere_visible(f, c.centre, c.radius), c.visible)
            << c.centre[0] << " " << c.centre[1] << " " << c.centre[2];
    // Turned round, the view sees what was behind it.
    glRotatef(180, 0, 1, 0);
    f = frustum_from_gl();
    const float behind[3] = {0, 0, 10}, ahead[3] = {0, 0, -10};
    EXPECT_TRUE(frustum_sphere_visible(f, behind, 1));
    EXPECT_FALSE(frustum_sphere_visible(f, ahead, 1));
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace
