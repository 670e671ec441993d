#include "core/main_loop.h"
#include "core/settings.h"
#include "net/client.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/keys.h"
#include "race/race.h"
#include "track/objects.h"
#include "ui/config.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

TEST(MainLoop, FrameStepPacesTheSimulation)
{
    struct Case {
        double elapsed;
        float lock_fps;
        bool warp;
        double expected;
    } cases[] = {
        {0.5, 0, false, 0.125},                  // a long stall runs at most 16 steps
        {0.02, 0, false, 0.02},                  // an ordinary frame covers its real time
        {0.002, 0, false, -(1.0 / 128 - 0.002)}, // early: sleep until a step is due
        {0.5, 32, false, 1.0 / 32},              // a locked rate always covers 1/f
        {0.01, 32, false, -(1.0 / 32 - 0.01)},
        {0.001, 0, true, 100.0 / 128}, // warp runs 100 steps whatever the time
    };
    for (const Case &c : cases)
        EXPECT_NEAR(frame_step(c.elapsed, c.lock_fps, c.warp), c.expected, 1e-12)
            << c.elapsed << " " << c.lock_fps << " " << c.warp;
}

struct MainLoopSteps : ::testing::Test {
    Config config;
    LoopState state;
    void SetUp() override
    {
        config_defaults(&config);
        for (MenuItem &item : config.bindings)
            item.binding = {};
        config.bindings[BIND_THROTTLE].binding.key_code = 42;
        config.bindings[BIND_LEFT].binding.key_code = 75;
        config.bindings[BIND_RIGHT].binding.key_code = 77;
        control_map_init(&state.controls);
        state.view = RIDER_VIEW;
    }
};

TEST_F(MainLoopSteps, EachStepSeesOnlyTheEventsBeforeItsMoment)
{
    // A frame of 4 steps ending at t = 10 s: steps at 10 - 3/128 .. 10.
    state.target_time = 4.0 / 128;
    const double now = 10;
    std::vector<InputEvent> events = {
        {42, 1, 9, 980000}, // throttle down before the second step
        {42, 0, 9, 990000}, // and up again before the third
    };
    size_t next = 0;
    std::vector<float> throttle;
    int steps = run_frame_steps(
        &state, config, now,
        [&](double moment, InputEvent *e) {
            if (next == events.size() || events[next].seconds + events[next].microseconds * 1e-6 > moment)
                return false;
            *e = events[next++];
            return true;
        },
        [&]() { throttle.push_back(state.controls.values[CONTROL_THROTTLE]); });
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(throttle, (std::vector<float>{0, 1, 0, 0}));
    EXPECT_NEAR(state.simulated_time, state.target_time, 1e-12);
}

TEST_F(MainLoopSteps, OpposedKeysCancelAndTheFrameCapHolds)
{
    state.target_time = frame_step(0.5, 0, false);
    InputEvent left = {75, 1, 0, 0}, right = {77, 1, 0, 0};
    EXPECT_TRUE(route_event(&state, config, left));
    build_controls(&state.controls, config);
    EXPECT_FLOAT_EQ(state.controls.values[CONTROL_STEER], 1);
    EXPECT_TRUE(route_event(&state, config, right));
    int steps = run_frame_steps(
        &state, config, 1, [](double, InputEvent *) { return false; }, [] {});
    EXPECT_EQ(steps, 16);
    EXPECT_FLOAT_EQ(state.controls.values[CONTROL_STEER], 0);
}

TEST_F(MainLoopSteps, ALockedFrameRateOf32RunsFourStepsAFrame)
{
    state.target_time = frame_step(0.2, 32, false);
    EXPECT_EQ(run_frame_steps(
                  &state, config, 1, [](double, InputEvent *) { return false; }, [] {}),
              4);
}

TEST_F(MainLoopSteps, CloseButtonQuitsAndPauseTogglesOutsideTheTitle)
{
    config.bindings[BIND_PAUSE].binding.key_code = 25;
    InputEvent pause = {25, 1, 0, 0};
    EXPECT_TRUE(route_event(&state, config, pause));
    EXPECT_TRUE(state.paused);
    state.view = TITLE_VIEW;
    route_event(&state, config, pause);
    EXPECT_TRUE(state.paused);
    EXPECT_TRUE(route_event(&state, config, {BUTTON_CLOSE, 1, 0, 0}));
    EXPECT_TRUE(state.quit);
}

TEST_F(MainLoopSteps, EscAndTheChatKeyOpenPagesThatTakeEveryKey)
{
    MenuContext ctx;
    ctx.config = &config;
    ctx.keys.esc = 4097;
    ctx.keys.enter = 4124;
    ctx.keys.down = 4176;
    state.menu_context = &ctx;
    state.menus.keys = ctx.keys;
    config.bindings[BIND_CHAT].binding.key_code = 4116;
    config.bindings[BIND_PAUSE].binding.key_code = 25;

    EXPECT_TRUE(route_event(&state, config, {4097, 1, 0, 0}));
    EXPECT_EQ(state.menus.page, PAGE_MAIN);
    // With the menus open, a riding key still sets its control, but the
    // pause key is the menus' and pauses nothing.
    route_event(&state, config, {42, 1, 0, 0});
    build_controls(&state.controls, config);
    EXPECT_FLOAT_EQ(state.controls.values[CONTROL_THROTTLE], 1);
    route_event(&state, config, {25, 1, 0, 0});
    EXPECT_FALSE(state.paused);
    route_event(&state, config, {4176, 1, 0, 0});
    EXPECT_EQ(state.menus.selected, 1);
    route_event(&state, config, {4097, 1, 0, 0});
    EXPECT_EQ(state.menus.page, PAGE_CLOSED);

    // The Chat key opens the chat page; the character it types in the same
    // frame is not taken as the first letter of the line.
    route_event(&state, config, {4116, 1, 0, 0});
    EXPECT_EQ(state.menus.page, PAGE_CHAT);
    route_event(&state, config, {'t', 1, 0, 0});
    EXPECT_EQ(state.menus.chat_field.text, "");
    state.menus.page_changed = false;
    route_event(&state, config, {'h', 1, 0, 0});
    EXPECT_EQ(state.menus.chat_field.text, "h");

    // A capture takes the next key; Esc cancels it and leaves the page open.
    state.menus.page = PAGE_CONTROLS;
    state.menus.capturing = &config.bindings[BIND_THROTTLE].binding;
    route_event(&state, config, {4097, 1, 0, 0});
    EXPECT_EQ(state.menus.capturing, nullptr);
    EXPECT_EQ(state.menus.page, PAGE_CONTROLS);
    EXPECT_EQ(config.bindings[BIND_THROTTLE].binding.key_code, 42);
}

TEST(MainLoop, NetworkTimeScaleCatchesUpAndHoldsBack)
{
    struct Case {
        double lag;
        bool before_start;
        double scale;
    } cases[] = {
        {0, true, 1},        {0.5, true, 2.5},          {3, true, 4},      // waiting at the gate: up to 4x
        {0, false, 1},       {1.0 / 16, false, 1.0625}, {1, false, 1.125}, // racing: at most 1/8 faster
        {-0.5, false, 0.75}, {-2, true, 0.5},                              // ahead of the server: down to half
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(network_time_scale(c.lag, c.before_start), c.scale) << c.lag << " " << c.before_start;
}

TEST(MainLoop, WarpCountsLapsAndRotatesTheLineup)
{
    TimingGates g;
    g.gates = {0, 1, 2, 3, 1, 2, 3};
    g.first_lap_count = 4;
    g.normal_lap_count = 3;
    EXPECT_EQ(laps_completed(g, 3), 0); // first lap not complete
    EXPECT_EQ(laps_completed(g, 4), 1);
    EXPECT_EQ(laps_completed(g, 9), 2);
    EXPECT_EQ(laps_completed(g, 10), 3);
    g.normal_lap_count = 0;
    EXPECT_EQ(laps_completed(g, 10), 0); // a track without laps never ends a race
    int lineup[40] = {};
    lineup[0] = 2;
    lineup[39] = 1;
    rotate_lineup(lineup, 40);
    EXPECT_EQ(lineup[0], 1);
    EXPECT_EQ(lineup[1], 2);
    EXPECT_EQ(lineup[39], 0);
}

TEST_F(MainLoopSteps, TabCyclesTheViewsThroughTheEditorWhenAllowed)
{
    InputEvent tab = {9, 1, 0, 0};
    std::vector<ViewMode> seen;
    for (int i = 0; i < 4; ++i) {
        route_event(&state, config, tab);
        seen.push_back(state.view);
    }
    EXPECT_EQ(seen, (std::vector<ViewMode>{CHASE_VIEW, FREE_VIEW, RIDER_VIEW, CHASE_VIEW}));
    state.view = RIDER_VIEW;
    state.editor_allowed = true;
    route_event(&state, config, tab);
    EXPECT_EQ(state.view, EDITOR_VIEW);
    route_event(&state, config, tab);
    EXPECT_EQ(state.view, CHASE_VIEW);
}

TEST_F(MainLoopSteps, StepKeyRunsOneTickOnlyWhilePaused)
{
    config.bindings[BIND_STEP].binding.key_code = 31;
    InputEvent step = {31, 1, 0, 0};
    route_event(&state, config, step);
    EXPECT_FALSE(state.step_requested);
    state.paused = true;
    route_event(&state, config, step);
    EXPECT_TRUE(state.step_requested);
}

} // namespace

namespace
{

// The player's keys become one input record a step, which the tick hands
// to the rider once.
TEST_F(MainLoopSteps, KeysBecomeTheRidersInputForTheNextTickOnly)
{
    Rider rider = {};
    rider.clutch = 1;
    config.reverse_steering.index = 0;
    state.controls.values[CONTROL_THROTTLE] = 1;
    state.controls.values[CONTROL_STEER] = 0.5f;
    state.controls.values[CONTROL_CLUTCH] = 1; // lever pulled: the clutch opens at once
    state.controls.values[CONTROL_SHIFT] = -1;
    RiderInput in = controls_input(&state.controls, config, rider);
    EXPECT_EQ(in.throttle, 1);
    EXPECT_EQ(in.steer, 0.5f);
    EXPECT_EQ(in.clutch, 0);
    EXPECT_EQ(in.shift, -1);
    config.reverse_steering.index = 1;
    rider.clutch = 0.5f;
    state.controls.values[CONTROL_CLUTCH] = 0; // released: it closes at 4 a second
    in = controls_input(&state.controls, config, rider);
    EXPECT_EQ(in.steer, -0.5f);
    EXPECT_FLOAT_EQ(in.clutch, 0.5f + 4.0f / 128);

    Sim sim;
    sim_create(&sim, nullptr);
    sim.race.slots[0].rider = rider_create(&sim.physics, "kx125", 0, "1");
    sim.race.slots[0].kind = KIND_LOCAL;
    sim_set_input(&sim, 0, in);
    sim.stages = 0; // just the inputs and the world step
    sim_tick(&sim);
    EXPECT_EQ(sim.race.slots[0].rider->throttle, 1);
    EXPECT_EQ(sim.race.slots[0].rider->steer, -0.5f);
    sim.race.slots[0].rider->throttle = 0.25f;
    sim_tick(&sim); // no new input: the rider keeps what it holds
    EXPECT_EQ(sim.race.slots[0].rider->throttle, 0.25f);
    sim_destroy(&sim);
}

} // namespace

namespace
{

// The chase camera watching the own rider stands behind it: against the way
// it faces when still, against its velocity once it moves.
TEST_F(MainLoopSteps, TheChaseCameraStandsBehindTheOwnRider)
{
    PhysicsWorld world;
    physics_world_create(&world, nullptr);
    Rider *r = rider_create(&world, "kx125", 0, "1");
    GameSettings settings;
    for (float heading : {0.0f, 1.0f, -2.5f}) {
        rider_place_at(r, 100, 0, 100, heading); // facing (-sin h, -cos h)
        float fx = -std::sin(heading), fz = -std::cos(heading);
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
        Camera cam = chase_camera(state.cameras, camera_settings(config, settings), r, true);
        float back = (float)((cam.position[0] - p[0]) * fx + (cam.position[2] - p[2]) * fz);
        EXPECT_LT(back, -5) << heading;
        // Riding at 40 ft/s sideways to its facing: behind its motion.
        for (dBodyID b : r->bodies)
            dBodySetLinearVel(b, 40 * fz, 0, -40 * fx);
        cam = chase_camera(state.cameras, camera_settings(config, settings), r, true);
        float behind = (float)((cam.position[0] - p[0]) * fz + (cam.position[2] - p[2]) * -fx);
        EXPECT_LT(behind, -5) << heading;
    }
    rider_destroy(r);
    physics_world_destroy(&world);
}

} // namespace
