// Game controllers, joysticks, wheels and pedals, plugged in and out at any
// time.
//
// Every pad SDL knows a mapping for (its own database, "gamecontrollerdb.txt"
// in the home folder, SDL_GAMECONTROLLERCONFIG) is a game controller with a
// fixed layout: axes 0-5 are the left stick x and y, the right stick x and y
// (up and left negative) and the left and right triggers (0 at rest);
// buttons 0-20 are SDL's (A, B, X, Y, Back, Guide, Start, the stick presses,
// the bumpers, the D-pad up, down, left, right, then the extra buttons),
// 21-28 the sticks pushed up, down, left and right (left stick first) and
// 29-30 the triggers pulled, each as a button. Any other device is a raw
// joystick: its axes, its buttons, then four buttons per hat (up, right,
// down, left).
//
// A device is named by its identity: the product name (blanks and dots
// removed), "-" and eight hex digits of its GUID, with "#2", "#3" for a
// second and third of the same; so bindings follow the device, not the
// order it was plugged in. "Pad" names the first game controller present
// and "Joystick1", "Joystick2" the first and second device of any kind in
// the order they were found, as older configurations have them.
#pragma once

#include <string>
#include <vector>

struct Window;
struct AxisHandle;

enum {
    PAD_AXES = 6,
    PAD_SDL_BUTTONS = 21,
    PAD_STICK_BUTTONS = 21, // left stick up, down, left, right; then the right stick's
    PAD_TRIGGER_BUTTONS = 29,
    PAD_BUTTONS = 31,
};

// Adds the mappings of a "gamecontrollerdb.txt" file; the number added, 0
// when there is no such file.
int pad_mappings_add(const char *file);

// Counts every device found or lost; bindings are opened again when it
// changes.
int input_generation(const Window *window);

// Whether the axis's device is plugged in (an unplugged one reads its rest).
bool axis_live(const AxisHandle *handle);

// A device as the Customize Controls page shows it.
struct PadInfo {
    std::string name;    // the control-name device part
    std::string product; // SDL's product name
    std::string guid;
    bool controller = false;
    bool connected = false;
};

// Every game controller and joystick seen since start-up, plugged in or not.
std::vector<PadInfo> input_pads(const Window *window);

// The dead zone of a device's axes, 0..0.9 of their travel from rest.
void input_set_dead_zone(Window *window, const char *device, float fraction);

// What a device button does in the menus.
enum PadMenuKey {
    PAD_MENU_NONE,
    PAD_MENU_UP,
    PAD_MENU_DOWN,
    PAD_MENU_LEFT,
    PAD_MENU_RIGHT,
    PAD_MENU_ACCEPT,
    PAD_MENU_BACK,
    PAD_MENU_START,
};
PadMenuKey pad_menu_key(const Window *window, int code);

// Whether a code is one of a game controller's sticks or triggers acting as
// a button (the capture of a binding takes the axis instead).
bool pad_button_from_axis(const Window *window, int code);

// Shakes every plugged-in device that can: low and high frequency motors
// 0..1 for the given time. Returns how many took it.
int input_rumble(Window *window, float low, float high, int milliseconds);

// How a control is shown to the player: "Xbox 360 Controller: Right
// Trigger" for a pad's axis or button, the name itself for keys; an
// unplugged device's controls say so. An axis bound in one direction
// (-1 or +1) names it: "Left Stick Left", "Axis 2 (Positive)".
std::string control_label(const Window *window, const char *name, int direction = 0);
