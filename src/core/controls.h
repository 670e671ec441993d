// The control map: the nine rider controls rebuilt every step from the
// bound keys and joystick axes, and the local rider's input made of them.
#pragma once

#include "platform/event_queue.h"
#include "render/view_camera.h"

struct Config;
struct Rider;
struct RiderInput;

enum RiderControl {
    CONTROL_STEER,
    CONTROL_THROTTLE,
    CONTROL_FRONT_BRAKE,
    CONTROL_REAR_BRAKE,
    CONTROL_SHIFT,
    CONTROL_CLUTCH,
    CONTROL_DAB,
    CONTROL_BACK_UP,
    CONTROL_LEAN,
    RIDER_CONTROLS
};

enum { CONTROL_MAP_SIZE = 12 };

struct ControlMapEntry {
    int binding; // index into Config::bindings and Config::pad_bindings
    int control; // RiderControl
    float scale;
    float value;  // 0..1: the larger of the key's and the pad's
    float set[2]; // 0..1: the key binding's, the pad binding's
};

struct ControlMap {
    ControlMapEntry entries[CONTROL_MAP_SIZE];
    float values[RIDER_CONTROLS] = {}; // the controls of the current step
    bool sticky_dab_on = false;        // the sticky dab key's own state
    float last_dab = 0;
};

// Whether an event is the key or pad button bound to a binding (an unbound
// one matches nothing).
bool is_bound_key(const Config &config, int binding, const InputEvent &event);

// Fills the map from the fixed table.
void control_map_init(ControlMap *map);

// A key press or release of a bound control; true when one took it.
bool control_map_event(ControlMap *map, const Config &config, const InputEvent &event);

// Rebuilds the nine controls from the map (keys and axes). An axis whose
// device is unplugged reads as let go.
void build_controls(ControlMap *map, const Config &config);

// The local player's rider's controls for the step (the clutch lever and
// sticky dab keep their state in the map).
RiderInput controls_input(ControlMap *map, const Config &config, const Rider &rider);

// The controls as they move a camera when no rider of the player's is
// watched.
CameraControls camera_controls(const ControlMap &map);
