// The game's side of pads: both binding sets opened (and opened again when a
// device comes or goes), each device's dead zone, the menus driven by a
// pad, and the rumble of the player's own rider.
#pragma once

#include "platform/pads.h"
#include "ui/bindings.h"

struct Config;
struct Rider;
struct Window;

// Follows the devices: when one was found or lost since the last call the
// bindings are opened again (so an unplugged pad's axes let go and a pad
// plugged back in is bound at once) and a new device gets its settings;
// every device takes its dead zone. `generation` starts at -1.
void pads_follow(Window *window, Config *config, int *generation);

// A shake for the pad's motors.
struct Rumble {
    float low = 0, high = 0; // 0..1
    int milliseconds = 0;    // 0: none
};

// What the player's rider felt since the last tick.
struct RumbleWatch {
    int airborne_ticks = 0;
    float fall_speed = 0; // ft/s downward just before touching down
    int crash_timer = 0;
    int rider_contact_tick = -1;
};

// The shake for one tick of the player's rider: a landing by its impact, a
// crash, a touch of another rider; scaled by the strength 0..100.
Rumble rumble_for_tick(RumbleWatch *watch, const Rider &rider, float strength);
