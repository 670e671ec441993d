// The window, its GL context, shaders and input events, on a real display
// (the test suite runs under a virtual X server).
#include "files/texture.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "platform/close_request.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "render/gl_caps.h"
#include "render/gl_renderer.h"
#include "render/loading_screen.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_draw.h"
#include "render/rider_looks.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/solid_texture.h"
#include "render/text.h"
#include "render/texture_gl.h"
#include "test_folders.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <csignal>
#include <cstdlib>
#include <vector>

namespace
{

class GameWindow : public ::testing::Test
{
  protected:
    static Window *window;
    static void SetUpTestSuite()
    {
        if (!getenv("DISPLAY"))
            return;
        window = gl_window_create("Rutvale test", 320, 240, 0x100 | 32, 0, 16, 0, 0);
        if (window)
            gl_caps_init();
    }
    static void TearDownTestSuite()
    {
        gl_window_destroy(window);
        window = nullptr;
    }
    void SetUp() override
    {
        if (!getenv("DISPLAY"))
            GTEST_SKIP() << "no display";
        ASSERT_NE(window, nullptr) << SDL_GetError();
        InputEvent e;
        while (event_next(window, &e)) {
        }
    }
    void push_key(SDL_Scancode scancode, bool down, uint32_t timestamp)
    {
        SDL_Event e = {};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.timestamp = timestamp;
        e.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
        e.key.keysym.scancode = scancode;
        e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
};

Window *GameWindow::window;

TEST_F(GameWindow, ReportsGlStringsAndBuildsAllFivePrograms)
{
    EXPECT_NE(gl_caps.vendor, "NULL");
    EXPECT_NE(gl_caps.renderer, "NULL");
    EXPECT_NE(gl_caps.version, "NULL");
    EXPECT_TRUE(gl_caps.has_multitexture);
    EXPECT_GE(gl_caps.texture_units, 2);
    EXPECT_TRUE(gl_caps.has_fbo);
    ASSERT_TRUE(gl_caps.has_fragment_shader && gl_caps.has_vertex_shader);

    ASSERT_EQ(shaders_init(), 1);
    for (int i = PROGRAM_LIT; i < PROGRAM_COUNT; ++i) {
        GLint linked = 0;
        glext.GetObjectParameterivARB(program_object(i), GL_OBJECT_LINK_STATUS_ARB, &linked);
        EXPECT_TRUE(linked) << program_name(i);
    }
    EXPECT_EQ(program_object(PROGRAM_FIXED), 0u);

    int before = shader_changes;
    use_program(PROGRAM_LIT);
    use_program(PROGRAM_LIT);
    use_program(6);
    EXPECT_EQ(shader_changes, before + 1);
    use_program(PROGRAM_FIXED);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    set_env_matrix(identity);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GameWindow, ClearedFrameReadsBackTheClearColour)
{
    const FrameInfo *frame = frame_begin(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 320);
    EXPECT_EQ(frame->height, 240);
    glClearColor(0.196078f, 0.6f, 0.8f, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadPixels(frame->width / 2, frame->height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NEAR(pixel[0], 50, 1);
    EXPECT_NEAR(pixel[1], 153, 1);
    EXPECT_NEAR(pixel[2], 204, 1);
    EXPECT_EQ(frame_end(window), 1);
}

TEST_F(GameWindow, KeyEventsArriveWithSetOneCodesOnThePlatformClock)
{
    // SDL stamps pushed events itself; the ordering of out-of-order times is
    // the queue's own test.
    push_key(SDL_SCANCODE_LSHIFT, true, 0);
    push_key(SDL_SCANCODE_RETURN, true, 0);
    push_key(SDL_SCANCODE_LSHIFT, false, 0);
    push_key(SDL_SCANCODE_TAB, true, 0);
    InputEvent e[6];
    for (InputEvent &event : e)
        ASSERT_EQ(event_next(window, &event), 1);
    EXPECT_EQ(e[0].code, 4096 + 42);
    EXPECT_EQ(e[0].pressed, 1);
    EXPECT_EQ(e[1].code, 4096 + 28);
    EXPECT_EQ(e[2].code, 13); // Return also types its character
    EXPECT_EQ(e[2].pressed, 1);
    EXPECT_EQ(e[3].code, 4096 + 42);
    EXPECT_EQ(e[3].pressed, 0);
    EXPECT_EQ(e[4].code, 4096 + 15);
    EXPECT_EQ(e[5].code, 9);
    int seconds, microseconds;
    clock_now(&seconds, &microseconds);
    for (const InputEvent &event : e) {
        double age = (seconds - event.seconds) + (microseconds - event.microseconds) * 1e-6;
        EXPECT_GE(age, 0.0);
        EXPECT_LT(age, 1.0);
        EXPECT_EQ(event.microseconds % 1000, 0);
    }
    EXPECT_STREQ(button_name(window, e[0].code), "Left Shift");
    EXPECT_EQ(button_code(window, "LEFT_SHIFT"), 4096 + 42);
}

TEST_F(GameWindow, CloseBoxAndSignalsQueueTheCloseButton)
{
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.timestamp = SDL_GetTicks();
    SDL_PushEvent(&close);
    InputEvent e;
    ASSERT_EQ(event_next(window, &e), 1);
    EXPECT_EQ(e.code, BUTTON_CLOSE);
    EXPECT_STREQ(button_name(window, e.code), "Close");

    install_close_signals();
    raise(SIGTERM);
    ASSERT_EQ(event_next(window, &e), 1);
    EXPECT_EQ(e.code, BUTTON_CLOSE);
    signal(SIGTERM, SIG_DFL);
}

TEST_F(GameWindow, WithoutJoysticksNothingBindsToThemQuietly)
{
    EXPECT_TRUE(axis_names(window).empty());
    EXPECT_EQ(axis_open(window, "joystick-a-x"), nullptr);
    EXPECT_EQ(axis_open(window, "Joystick1.axis[0]"), nullptr);
    EXPECT_EQ(button_code(window, "joystick-a-1"), 0);
    EXPECT_EQ(button_code(window, "Joystick1 button 0"), 0);
}

TEST_F(GameWindow, MouseAxesAreRelativeAndTheCursorAbsolute)
{
    AxisHandle *mouse_x = axis_open(window, "mouse-x");
    AxisHandle *cursor_y = axis_open(window, "cursor-y");
    ASSERT_NE(mouse_x, nullptr);
    ASSERT_NE(cursor_y, nullptr);
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 40;
    motion.motion.y = 30;
    motion.motion.xrel = 7;
    SDL_PushEvent(&motion);
    pump_messages(window);
    EXPECT_EQ(axis_read(mouse_x), 7);
    EXPECT_EQ(axis_read(mouse_x), 0);
    EXPECT_EQ(axis_read(cursor_y), 30);
    int mouse_button = button_code(window, "mouse-left");
    EXPECT_NE(mouse_button, 0);
    EXPECT_STREQ(button_name(window, mouse_button), "Mouse button 0");
    axis_close(mouse_x);
    axis_close(cursor_y);
}

TEST_F(GameWindow, GeneratedModelsDrawFromDisplayLists)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    model_settings(1, 0, true, true, false);
    Model *gate = load_model("@startgate.jm", true);
    ASSERT_NE(gate, nullptr);
    EXPECT_NE(gate->meshes[0].display_list, 0u);
    ASSERT_NE(frame_begin(window), nullptr);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0.5f, 0);
    int before = model_triangles_drawn;
    // The plate lies flat ahead of its hinge; tipped up about x it stands
    // facing the view.
    const float at[3] = {0, -0.5f, -4}, upright[12] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0};
    draw_model(gate, at, upright, nullptr);
    int triangles = 0;
    for (const Mesh &mesh : gate->meshes)
        triangles += mesh.triangle_count;
    EXPECT_EQ(model_triangles_drawn - before, triangles);
    unsigned char centre[4] = {};
    glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    EXPECT_GT(centre[0], 200); // the gate covers the middle of the view
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    frame_end(window);
    model_settings(1, 0, true, false, false);
    use_game_folders("", "");
}

TEST_F(GameWindow, GeneratedFontsDrawTextOnTheViewPlane)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    gl_renderer_install(nullptr);
    fonts_load();
    EXPECT_NE(text_font.texture, 0u);
    EXPECT_NE(numbers_font.texture, 0u);
    EXPECT_GT(text_font.width['W'], text_font.width['i']);
    EXPECT_FLOAT_EQ(text_font.width[' '], MISSING_GLYPH_WIDTH);

    ASSERT_NE(frame_begin(window), nullptr);
    set_projection(320, 240, 90);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // 2 near / (right - left) with near 0.25 and the frustum sides at X/4, Y/4.
    EXPECT_NEAR(projection[0], 0.5f / (2 * 1.0f / 4), 1e-5);
    EXPECT_NEAR(projection[5], 0.5f / (2 * 0.75f / 4), 1e-5);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // "MMMM" one tenth of the view high, centred on z = -1.
    glTranslatef(-0.3f, -0.05f, -1);
    glScalef(0.15f, 0.15f, 1);
    text_draw(1, 1, 1, 1, "MMMM");
    std::vector<unsigned char> pixels(320 * 240 * 4);
    glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += pixels[i] > 128;
    EXPECT_GT(lit, 200);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    frame_end(window);
    use_game_folders("", "");
}

TEST_F(GameWindow, LoadingScreenShowsTheTitleTheMessageAndTheLabel)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    gl_renderer_install(nullptr);
    fonts_load();
    ASSERT_NE(frame_begin(window), nullptr);
    set_projection(320, 240, 90);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_loading_screen("Loading bikes...");
    std::vector<unsigned char> pixels(320 * 240 * 4);
    glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    auto at = [&](int x, int y) { return &pixels[((size_t)y * 320 + x) * 4]; };
    // The clear colour is painted over everywhere; a corner stays black.
    EXPECT_EQ(at(2, 120)[2], 0);
    // The title picture sits in the middle, a square 240/2 pixels high.
    int title = 0, message = 0, label = 0;
    for (int y = 60; y < 180; ++y)
        for (int x = 100; x < 220; ++x)
            title += at(x, y)[0] + at(x, y)[1] + at(x, y)[2] > 60;
    for (int y = 220; y < 240; ++y)
        for (int x = 0; x < 100; ++x)
            message += at(x, y)[0] > 128;
    for (int y = 0; y < 15; ++y)
        for (int x = 220; x < 320; ++x)
            label += at(x, y)[0] > 100;
    EXPECT_GT(title, 2000);
    EXPECT_GT(message, 20);
    EXPECT_GT(label, 10);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    frame_end(window);
    glClearColor(0, 0, 0, 0);
    use_game_folders("", "");
}

// Every body's position, rotation and velocities, as the simulation holds them.
std::vector<dReal> physics_state(const Rider *r)
{
    std::vector<dReal> state;
    for (dBodyID body : r->bodies)
        for (const dReal *p :
             {dBodyGetPosition(body), dBodyGetRotation(body), dBodyGetLinearVel(body), dBodyGetAngularVel(body)})
            state.insert(state.end(), p, p + (p == dBodyGetRotation(body) ? 12 : 3));
    return state;
}

// A yz250f of the generated data standing at the origin, with models and
// textures drawn from this window's context; all taken down again.
struct GeneratedRider {
    TempDir home;
    PhysicsWorld world;
    Rider *rider;
    RiderLook look;
    explicit GeneratedRider(const char *bike_skin = nullptr)
    {
        use_game_folders(home.path, GAME_DIR);
        gl_renderer_install(nullptr);
        model_settings(1, 0, true, true, false);
        physics_world_create(&world, nullptr);
        rider = rider_create(&world, "yz250f(2009)", 0, "7", nullptr, nullptr, bike_skin);
        rider_place_at(rider, 0, 0, 0, 0);
        load_rider_look(*rider, false, &look);
    }
    ~GeneratedRider()
    {
        free_rider_look(&look);
        rider_destroy(rider);
        physics_world_destroy(&world);
        model_settings(1, 0, true, false, false);
        use_game_folders("", "");
    }
};

TEST(RiderLooks, SkinsSelectModelVariants)
{
    EXPECT_EQ(variant_model_name("@yz250f_frame.jm", "yz250f-red-x.png"), "@yz250f_frame-red.jm");
    EXPECT_EQ(variant_model_name("@yz250f_frame.jm", "@skins/yz250f-blue-2.png"), "@yz250f_frame-blue.jm");
    EXPECT_EQ(variant_model_name("@yz250f_frame.jm", "@yz250f-alt1.png"), "");
    EXPECT_EQ(variant_model_name("@frame", "a-b-c.png"), "");
}

TEST_F(GameWindow, AMissingSkinFallsBackToTheBikesOwnLook)
{
    GeneratedRider plain, skinned("@yz250f-nowhere-1.png");
    EXPECT_NE(skinned.look.models[MODEL_FRAME], nullptr);
    EXPECT_EQ(skinned.look.models[MODEL_FRAME], plain.look.models[MODEL_FRAME]);
    EXPECT_EQ(skinned.look.textures[TEX_BIKE], plain.look.textures[TEX_BIKE]);
    EXPECT_NE(skinned.look.number_texture, 0u);
}

TEST_F(GameWindow, RidersDrawWithoutTouchingTheSimulation)
{
    GeneratedRider generated;
    Rider *r = generated.rider;
    ASSERT_NE(generated.look.models[MODEL_BODY], nullptr);
    std::vector<dReal> before = physics_state(r);

    ASSERT_NE(frame_begin(window), nullptr);
    set_projection(320, 240, 90);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHT0);
    const float camera[3] = {-8, 3, 0}; // looking at the bike's left side
    glRotatef(90, 0, 1, 0);
    int triangles[3];
    for (RiderDrawMode mode : {DRAW_WHOLE, DRAW_FIRST_PERSON, DRAW_FIRST_PERSON_BODY}) {
        int start = model_triangles_drawn;
        draw_rider(r, generated.look, mode, camera, 0);
        triangles[mode] = model_triangles_drawn - start;
    }
    std::vector<unsigned char> pixels(320 * 240 * 4);
    glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 30;
    frame_end(window);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHT0);

    EXPECT_GT(lit, 2000);
    // Own view: no rider, and no wheels, fork leg or swingarm while riding.
    EXPECT_LT(triangles[DRAW_FIRST_PERSON], triangles[DRAW_WHOLE]);
    EXPECT_GT(triangles[DRAW_FIRST_PERSON_BODY], triangles[DRAW_FIRST_PERSON]);
    EXPECT_EQ(physics_state(r), before); // bit for bit
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// The shine pass adds the environment picture over the shiny layers (the
// chrome of the rims): a red environment makes the wheels redder.
TEST_F(GameWindow, RidersShineWithTheirSurroundings)
{
    GeneratedRider generated;
    Rider *r = generated.rider;
    ASSERT_TRUE(generated.look.models[MODEL_FRONT_WHEEL]->has_reflective);
    int reddish[2];
    unsigned environments[2] = {solid_texture(0, 0, 0, 255), solid_texture(255, 0, 0, 255)};
    for (int k = 0; k < 2; ++k) {
        ASSERT_NE(frame_begin(window), nullptr);
        set_projection(320, 240, 90);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_LIGHT0);
        const float camera[3] = {-8, 3, 0};
        glLoadIdentity();
        glRotatef(90, 0, 1, 0);
        draw_rider(r, generated.look, DRAW_WHOLE, camera, environments[k]);
        std::vector<unsigned char> pixels(320 * 240 * 4);
        glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        reddish[k] = 0;
        for (size_t i = 0; i < pixels.size(); i += 4)
            reddish[k] += pixels[i] > pixels[i + 1] + 60;
        frame_end(window);
        glDisable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDisable(GL_LIGHT0);
    }
    EXPECT_GT(reddish[1], reddish[0] + 200);
    for (unsigned id : environments) {
        GLuint name = id;
        glDeleteTextures(1, &name);
    }
}

TEST_F(GameWindow, SkyBoxSurroundsTheEye)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    gl_renderer_install(nullptr);
    unsigned sky[5];
    const char *names[5] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm", "@sky-w.ppm", "@sky-u.ppm"};
    for (int f = 0; f < 5; ++f) {
        sky[f] = load_texture(names[f]);
        ASSERT_NE(sky[f], 0u) << names[f];
    }
    ASSERT_NE(frame_begin(window), nullptr);
    set_projection(320, 240, 90);
    glClearColor(1, 0, 1, 1);
    std::vector<unsigned char> pixels(320 * 240 * 4);
    // Facing north, east, south, west and straight up, nothing of the clear
    // colour shows above the horizon.
    for (float turn : {0.0f, 90.0f, 180.0f, 270.0f, -1.0f}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        if (turn < 0)
            glRotatef(-90, 1, 0, 0); // the sky above comes in front
        else
            glRotatef(turn, 0, 1, 0);
        draw_sky_box(sky);
        glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int magenta = 0;
        for (size_t y = turn < 0 ? 0 : 120; y < 240; ++y)
            for (size_t x = 0; x < 320; ++x) {
                const unsigned char *p = &pixels[(y * 320 + x) * 4];
                magenta += p[0] == 255 && p[1] == 0 && p[2] == 255;
            }
        EXPECT_EQ(magenta, 0) << turn;
    }
    frame_end(window);
    glClearColor(0, 0, 0, 0);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    use_game_folders("", "");
}

} // namespace
