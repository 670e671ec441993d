// Opening the control bindings of both sets on the window's devices.
#pragma once

struct Config;
struct Window;

// Opens every binding of both sets: key codes for keys and buttons, handles
// for axes. A control of a device not plugged in stays closed.
void bindings_open(Window *window, Config *config);

// Closes every axis handle and forgets the key codes.
void bindings_close(Config *config);
