// Input devices, control names, axes and button events.
//
// Button codes: 0..255 typed characters; 4096 + scan code for keys; 8192..8194
// the window's mouse buttons; 57005 the close box; (device id << 16) | b for
// button b of a device. Axes: "Device.axis[n]" or "Device axis n"; buttons:
// "Device.key[n]" or "Device button n", besides the key and mouse names.
#pragma once

#include "platform/event_queue.h"

#include <vector>

struct Window;
struct AxisHandle;

// The roll call of input devices (joysticks, the mouse) and their aliases.
int input_init(Window *window);

// Adds the "cursor" device whose axes read the pointer in the client area.
int cursor_device_add(Window *window);

// Code of a control name (after aliases), or 0 when there is no such control.
int button_code(Window *window, const char *name);

// Name of a button code (interned), or null.
const char *button_name(Window *window, int code);

// Opens an axis by name (after aliases); null when there is none.
AxisHandle *axis_open(Window *window, const char *name);

// Reads an axis: -32767..32767 absolute, movement since the last read for a
// relative axis, pixels for the cursor.
int axis_read(AxisHandle *handle);

// Closes an axis handle; null is ignored.
void axis_close(AxisHandle *handle);

// Names of every absolute axis ("Joystick1 axis 0", ...).
const std::vector<const char *> &axis_names(Window *window);

// Takes the next button event; 0 when there is none.
int event_next(Window *window, InputEvent *event);

// Takes the next event not later than the given time; 0 when there is none.
int event_next_until(Window *window, int seconds, int microseconds, InputEvent *event);

// The 15-bit device id made from a device name (before collisions).
int device_id_from_name(const char *name);
