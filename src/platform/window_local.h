// The Window record and input devices, shared by the window and input code.
#pragma once

#include "platform/event_queue.h"
#include "platform/input.h"
#include "platform/window.h"

#include <SDL.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct InputDevice;

// What a kind of device does; any entry may be null.
struct DeviceOps {
    void (*open)(InputDevice *device);  // first axis handle opened
    void (*close)(InputDevice *device); // last axis handle closed
    int (*read_axis)(Window *window, InputDevice *device, int axis);
    void (*free)(InputDevice *device);
};

struct InputDevice {
    std::string name;
    int id = 0;
    int buttons = 0, axes = 0;
    int open_count = 0;
    bool relative = false;
    bool polled = false;
    std::vector<int> axis_values;
    std::vector<unsigned char> button_states; // bit 7 = down
    int timestamp_adjustment = 0;             // ms taken off event times
    const DeviceOps *ops = nullptr;
    // Game controllers and joysticks (see pads.h).
    SDL_Joystick *joystick = nullptr;
    SDL_GameController *controller = nullptr; // null for a raw joystick
    SDL_JoystickID instance = -1;
    std::string guid, product;
    bool is_controller = false;
    bool connected = true;
    int order = 0;                   // 1 for the first pad found, 2 for the next...
    int sdl_buttons = 0, hats = 0;   // raw joysticks: their buttons, then 4 per hat
    std::vector<int> axis_rest;      // each axis's resting value
    std::vector<char> rest_known;    // whether SDL has told it yet
    std::vector<uint32_t> repeat_at; // SDL ticks of a held menu direction's next repeat (0: none)
    float dead_zone = 0;             // of the travel from rest
};

struct AxisHandle {
    Window *window;
    InputDevice *device;
    int axis;
};

struct Window {
    SDL_Window *sdl = nullptr;
    SDL_GLContext gl = nullptr;
    std::string title;
    int requested_width = 0, requested_height = 0;
    int mode_width = 0, mode_height = 0;
    bool may_fullscreen = true;
    bool threaded = false;
    bool fullscreen = false;
    bool close_requested = false;
    std::atomic<bool> in_mode_change{false};
    std::mutex size_lock; // held from frame_begin to frame_end
    int client_width = 0, client_height = 0;
    FrameInfo frame = {};
    EventQueue events;
    std::vector<std::unique_ptr<InputDevice>> devices;
    std::vector<const char *> axis_names;
    int cursor_x = 0, cursor_y = 0;
    bool pads_up = false;      // the joystick and controller subsystems are open
    int device_generation = 0; // counts pads found and lost
    int pads_found = 0;
};

// Queues a button event stamped with an SDL event time.
void queue_button(Window *window, int code, int pressed, uint32_t sdl_timestamp);

// Feeds one SDL event to the devices (joystick buttons, mouse motion and
// buttons); returns true when it was a device event.
bool input_handle_sdl_event(Window *window, const SDL_Event &event);

// Frees every device ("Closing input devices").
void input_close(Window *window);

// Names a device uniquely (base, then "#2", "#3"...), gives it a free id and
// adds it to the window's list.
InputDevice *add_device(Window *window, std::unique_ptr<InputDevice> device, const std::string &base);

// A device's button pressed or released: queued when its state changed.
void device_button(Window *window, InputDevice *device, int button, bool down, uint32_t timestamp);

// Splits "Device.axis[n]", "Device axis n" (or key/button) into device and n.
bool parse_control(const char *name, const char *dotted, const char *spaced, char device[64], int *n);

// The pads: the roll call, their SDL events, and closing the subsystem.
void pads_init(Window *window);
bool pads_handle_event(Window *window, const SDL_Event &event);
void pads_repeat(Window *window); // queues the held menu directions' repeats
void pads_close(Window *window);

// The device an older name stands for: "Pad" the first game controller
// plugged in, "Joystick<n>" the n-th device found; null when none.
InputDevice *pad_by_legacy_name(Window *window, const char *name);
