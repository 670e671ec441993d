// Pads plugged in and out while the game runs, with SDL's virtual joysticks
// standing in for real ones: the default pad layout rides the bike, an
// unplugged pad lets go, triggers, pedals and hats bind, the menus follow
// the D-pad and A, bindings survive a restart, landings shake the pad.
#include "core/main_loop.h"
#include "core/pad_support.h"
#include "files/game_file.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "platform/input.h"
#include "platform/names.h"
#include "platform/pads.h"
#include "platform/window.h"
#include "race/sim_fixture.h"
#include "track/track_fixture.h"
#include "ui/config.h"
#include "ui/menu.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{

class Pads : public ::testing::Test
{
  protected:
    static Window *window;
    Config config;
    LoopState loop;
    MenuContext ctx;
    int generation = -1;
    std::vector<int> attached; // instance ids of the virtual devices
    int rumbles = 0;

    static void SetUpTestSuite()
    {
        if (!getenv("DISPLAY"))
            return;
        // The test's window need not have the focus for pads to be read.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        window = gl_window_create("Rutvale pads", 320, 240, 0x100 | 32, 0, 16, 0, 0);
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
        config_defaults(&config);
        control_map_init(&loop.controls);
        ctx.config = &config;
        ctx.window = window;
        loop.menu_context = &ctx;
        static const char *const names[] = {"up", "down", "left", "right", "enter", "esc"};
        int *codes[] = {&ctx.keys.up, &ctx.keys.down, &ctx.keys.left, &ctx.keys.right, &ctx.keys.enter, &ctx.keys.esc};
        for (int i = 0; i < 6; ++i)
            *codes[i] = button_code(window, names[i]);
        loop.menus.keys = ctx.keys;
        events();
    }
    void TearDown() override
    {
        while (!attached.empty())
            detach(attached.back());
        events();
        bindings_close(&config);
    }

    // Plugs in a virtual device; its instance id.
    int attach(SDL_JoystickType type, int axes, int buttons, int hats, const char *name)
    {
        SDL_VirtualJoystickDesc d;
        SDL_zero(d);
        d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        d.type = (Uint16)type;
        d.naxes = (Uint16)axes;
        d.nbuttons = (Uint16)buttons;
        d.nhats = (Uint16)hats;
        d.name = name;
        d.userdata = &rumbles;
        d.Rumble = [](void *counter, Uint16, Uint16) {
            ++*static_cast<int *>(counter);
            return 0;
        };
        int index = SDL_JoystickAttachVirtualEx(&d);
        EXPECT_GE(index, 0) << SDL_GetError();
        int instance = SDL_JoystickGetDeviceInstanceID(index);
        attached.push_back(instance);
        events();
        return instance;
    }
    void detach(int instance)
    {
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == instance)
                SDL_JoystickDetachVirtual(i);
        attached.erase(std::find(attached.begin(), attached.end(), instance));
        events();
    }
    SDL_Joystick *joystick(int instance) { return SDL_JoystickFromInstanceID(instance); }

    // What the main loop does with the window between steps: the events
    // routed, the devices followed and the controls rebuilt.
    std::vector<InputEvent> events()
    {
        std::vector<InputEvent> seen;
        SDL_JoystickUpdate();
        InputEvent e;
        while (event_next(window, &e)) {
            seen.push_back(e);
            route_event(&loop, config, e);
        }
        pads_follow(window, &config, &generation);
        build_controls(&loop.controls, config);
        return seen;
    }
    float control(RiderControl c) const { return loop.controls.values[c]; }
};

Window *Pads::window;

Terrain flat_ground()
{
    return memory_terrain(
        6, 4, [](int, int) { return 0.0f; }, true);
}

void set_axis(SDL_Joystick *j, int axis, int value)
{
    SDL_JoystickSetVirtualAxis(j, axis, (Sint16)std::clamp(value, -32768, 32767));
}

TEST_F(Pads, APadPluggedInMidRaceRidesAndLetsGoWhenPulledOut)
{
    Track track;
    track.terrain = flat_ground();
    Sim sim;
    sim_create(&sim, &track);
    Rider *rider = sim_put_rider(&sim, 0, "kx125");
    rider_place_at(rider, 100, 0, 100, 0);

    int pad =
        attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0, "Virtual Pad");
    ASSERT_EQ(input_pads(window).size(), 1u);
    PadInfo info = input_pads(window)[0];
    EXPECT_TRUE(info.controller && info.connected);
    EXPECT_EQ(info.name.rfind("VirtualPad-", 0), 0u) << info.name;
    ASSERT_NE(config.pad_bindings[BIND_THROTTLE].binding.axis_handle, nullptr) << "the default layout is bound";

    // Right trigger full on and A (the rear brake) held.
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_LEFTX, 0);
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    SDL_JoystickSetVirtualButton(joystick(pad), SDL_CONTROLLER_BUTTON_A, 1);
    events();
    EXPECT_GT(control(CONTROL_THROTTLE), 0.99f);
    EXPECT_EQ(control(CONTROL_REAR_BRAKE), 1);
    SDL_JoystickSetVirtualButton(joystick(pad), SDL_CONTROLLER_BUTTON_A, 0);
    // The left stick a sixth of the way right steers, unless the pad's dead
    // zone is a fifth.
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_LEFTX, 32767 / 6);
    events();
    EXPECT_LT(control(CONTROL_STEER), -0.05f);
    pad_setting(&config, info.name)->dead_zone.value = 20;
    events();
    EXPECT_EQ(control(CONTROL_STEER), 0);
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_LEFTX, 0);
    events();
    for (int tick = 0; tick < 2 * 128; ++tick) {
        sim_set_input(&sim, 0, controls_input(&loop.controls, config, *rider));
        sim_tick(&sim);
    }
    EXPECT_GT(frame_speed(rider), 10) << "the trigger rode the bike";

    // Pulled out with the trigger and A held: nothing stays pressed.
    SDL_JoystickSetVirtualButton(joystick(pad), SDL_CONTROLLER_BUTTON_A, 1);
    events();
    ASSERT_EQ(control(CONTROL_REAR_BRAKE), 1);
    detach(pad);
    EXPECT_EQ(control(CONTROL_THROTTLE), 0);
    EXPECT_EQ(control(CONTROL_REAR_BRAKE), 0);
    EXPECT_FALSE(input_pads(window)[0].connected);

    // Plugged back in: the same device, the same bindings.
    pad =
        attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0, "Virtual Pad");
    ASSERT_EQ(input_pads(window).size(), 1u) << "known again, not a new device";
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    events();
    EXPECT_GT(control(CONTROL_THROTTLE), 0.99f);
    sim_destroy(&sim);
}

// A pedal resting at one end binds over its travel from that end; a hat
// binds as a button; both read back from the configuration after a restart
// (the device found again).
TEST_F(Pads, PedalsAndHatsBindAndTheBindingsSurviveARestart)
{
    int wheel = attach(SDL_JOYSTICK_TYPE_WHEEL, 3, 4, 1, "Virtual Wheel");
    std::string device = input_pads(window).back().name;
    set_axis(joystick(wheel), 2, -32768);
    events();

    // Older configurations name devices by the order they were found.
    EXPECT_EQ(button_code(window, "Joystick1 button 2"), button_code(window, (device + " button 2").c_str()));
    EXPECT_NE(button_code(window, "Joystick1 button 2"), 0);

    Menus &m = loop.menus;
    ControlBinding *throttle = &config.bindings[BIND_THROTTLE].binding;
    capture_start(&m, &ctx, throttle);
    EXPECT_FALSE(capture_axes_step(&m, &ctx)) << "a pedal at rest binds nothing";
    set_axis(joystick(wheel), 2, -10000);
    events();
    EXPECT_FALSE(capture_axes_step(&m, &ctx)) << "not yet past the middle";
    set_axis(joystick(wheel), 2, 20000);
    events();
    ASSERT_TRUE(capture_axes_step(&m, &ctx));
    EXPECT_EQ(std::string(throttle->axis_name), device + " axis 2");
    EXPECT_FLOAT_EQ(throttle->lo, -0.875f);
    EXPECT_FLOAT_EQ(throttle->hi, 0.875f);
    set_axis(joystick(wheel), 2, -32768);
    events();
    EXPECT_EQ(control(CONTROL_THROTTLE), 0) << "released pedal";
    set_axis(joystick(wheel), 2, 32767);
    events();
    EXPECT_EQ(control(CONTROL_THROTTLE), 1) << "pedal down";

    ControlBinding *clutch = &config.bindings[BIND_CLUTCH].binding;
    capture_start(&m, &ctx, clutch);
    SDL_JoystickSetVirtualHat(joystick(wheel), 0, SDL_HAT_LEFT);
    events();
    ASSERT_NE(clutch->key_name, nullptr);
    EXPECT_EQ(std::string(clutch->key_name), device + " button 7") << "4 buttons, then the hat's up, right, down, left";
    EXPECT_EQ(control_label(window, clutch->key_name), "Virtual Wheel: Hat 0 Left");
    SDL_JoystickSetVirtualHat(joystick(wheel), 0, SDL_HAT_CENTERED);
    events();
    SDL_JoystickSetVirtualHat(joystick(wheel), 0, SDL_HAT_LEFTUP);
    events();
    EXPECT_EQ(control(CONTROL_CLUTCH), 1);
    SDL_JoystickSetVirtualHat(joystick(wheel), 0, SDL_HAT_UP);
    events();
    EXPECT_EQ(control(CONTROL_CLUTCH), 0);

    // Written, the game restarted (the device found anew), read back.
    {
        TempDir home;
        use_game_folders(home.path, "");
        ASSERT_TRUE(config_write(&config));
        detach(wheel);
        wheel = attach(SDL_JOYSTICK_TYPE_WHEEL, 3, 4, 1, "Virtual Wheel");
        Config again;
        config_defaults(&again);
        config_read(&again);
        bindings_open(window, &again);
        ASSERT_NE(again.bindings[BIND_THROTTLE].binding.axis_handle, nullptr);
        EXPECT_EQ(again.bindings[BIND_THROTTLE].binding.lo, -0.875f);
        EXPECT_EQ(again.bindings[BIND_CLUTCH].binding.key_code, config.bindings[BIND_CLUTCH].binding.key_code);
        auto kept =
            std::find_if(again.pads.begin(), again.pads.end(), [&](const PadSetting &p) { return p.device == device; });
        EXPECT_NE(kept, again.pads.end()) << "the device's dead zone is kept too";
        bindings_close(&again);
        use_game_folders("", "");
    }
}

// Mappings for pads SDL does not know come from "gamecontrollerdb.txt".
TEST_F(Pads, MappingsAreReadFromTheHomeFolder)
{
    TempDir home;
    write_file(home / "gamecontrollerdb.txt",
               "# a comment\n03000000aaaa0000bbbb000000000000,Rutvale Test Pad,a:b0,b:b1,leftx:a0,platform:Linux,\n");
    EXPECT_EQ(pad_mappings_add((home / "gamecontrollerdb.txt").c_str()), 1);
    EXPECT_EQ(pad_mappings_add((home / "missing.txt").c_str()), 0);
}

// The D-pad moves through the menus, A chooses, B goes back and Start opens
// and closes them.
TEST_F(Pads, TheMenusFollowTheDpadAndA)
{
    int pad =
        attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0, "Virtual Pad");
    auto press = [&](SDL_GameControllerButton b) {
        SDL_JoystickSetVirtualButton(joystick(pad), b, 1);
        events();
        SDL_JoystickSetVirtualButton(joystick(pad), b, 0);
        events();
        loop.menus.page_changed = false;
    };
    menu_set_page(&loop.menus, PAGE_CLOSED);
    press(SDL_CONTROLLER_BUTTON_START);
    ASSERT_EQ(loop.menus.page, PAGE_MAIN);
    for (int i = 0; i < 7; ++i)
        press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    press(SDL_CONTROLLER_BUTTON_DPAD_UP);
    EXPECT_EQ(loop.menus.selected, 6);
    press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    press(SDL_CONTROLLER_BUTTON_A);
    EXPECT_EQ(loop.menus.page, PAGE_CONTROLS);
    // Held, the stick goes on moving as a held key does.
    int before = loop.menus.selected;
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_LEFTY, 30000);
    events();
    SDL_Delay(650);
    events();
    set_axis(joystick(pad), SDL_CONTROLLER_AXIS_LEFTY, 0);
    events();
    EXPECT_GE(loop.menus.selected - before, 2);
    press(SDL_CONTROLLER_BUTTON_B);
    EXPECT_EQ(loop.menus.page, PAGE_MAIN);
    press(SDL_CONTROLLER_BUTTON_START);
    EXPECT_EQ(loop.menus.page, PAGE_CLOSED);
}

// A rider dropped from 12 ft lands: the pad shakes, by the strength
// setting, and not at all at 0.
TEST_F(Pads, ALandingShakesThePad)
{
    attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0, "Virtual Pad");
    for (float strength : {50.0f, 0.0f}) {
        Track track;
        track.terrain = flat_ground();
        Sim sim;
        sim_create(&sim, &track);
        Rider *rider = sim_put_rider(&sim, 0, "kx125");
        rider_place_at(rider, 100, 12, 100, 0);
        RumbleWatch watch;
        Rumble strongest;
        rumbles = 0;
        for (int tick = 0; tick < 3 * 128; ++tick) {
            sim_tick(&sim);
            Rumble shake = rumble_for_tick(&watch, *rider, strength);
            if (shake.milliseconds > 0) {
                input_rumble(window, shake.low, shake.high, shake.milliseconds);
                strongest = shake.low > strongest.low ? shake : strongest;
            }
        }
        if (strength > 0) {
            EXPECT_GE(rumbles, 1) << "the request reached the device";
            EXPECT_GT(strongest.low, 0.1f);
            EXPECT_LE(strongest.low, 0.5f) << "scaled by the strength";
        } else {
            EXPECT_EQ(rumbles, 0);
        }
        sim_destroy(&sim);
    }
}

} // namespace
