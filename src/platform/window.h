// The game window with its OpenGL context, display modes and frame bracket.
#pragma once

struct Window;

// One display mode; the list ends with an all-zero entry.
struct DisplayMode {
    int width, height, bits;
};

// What frame_begin hands the drawing code: 0, client width, client height.
struct FrameInfo {
    int zero, width, height;
};

enum {
    WINDOW_NEVER_FULLSCREEN = 0x100, // creation flag: stays a window
    WINDOW_FULLSCREEN = 0x200,       // creation or mode flag: full-screen
};

// Opens the window and its GL context; flags' low byte is the colour depth.
// Width and height 0 ask for the desktop size. Null on failure.
Window *gl_window_create(const char *title, int width, int height, int flags, int alpha_bits, int depth_bits,
                         int stencil_bits, int accumulation_bits);

// Closes the input devices, deletes the GL context and destroys the window.
void gl_window_destroy(Window *window);

// Starts a frame: null when nothing should be drawn (no context, minimised,
// hidden or changing mode); otherwise holds the size mutex until frame_end.
const FrameInfo *frame_begin(Window *window);

// Swaps buffers and ends the frame; returns 1 when the swap was done.
int frame_end(Window *window);

// Switches to full-screen (flag 0x200) at the closest mode, or to a window of
// the given client size.
int window_set_mode(Window *window, int width, int height, int flags);

// The display modes: the desktop mode first. Built on first use.
const DisplayMode *display_modes();

// The full-screen mode chosen for a wanted size: the listed mode at least that
// large with the least excess, else the desktop mode.
DisplayMode choose_fullscreen_mode(const DisplayMode *modes, int width, int height);

// Turns pending window-system events into input events.
void pump_messages(Window *window);

// The window's current client size.
void window_size(Window *window, int *width, int *height);

// Address of a GL entry point of the current context, or null.
void *gl_proc_address(const char *name);
