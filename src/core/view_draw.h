// Drawing one frame of the game: the 3-D views, the text over them,
// screenshots and raw video frames.
#pragma once

#include "render/hud.h"
#include "render/view_camera.h"

struct Config;
struct GameSettings;
struct NetClient;
struct Sim;
struct Window;

// The frame rate over the latest half second.
struct FrameRate {
    int fps = 0, frames = 0;
    double since = 0;
};

// What the GL driver offers before the configuration turns anything off.
struct GlOffer {
    bool fbo, shaders;
};

// Sets the GL state, shaders, texture and model caches, fonts and the
// ground renderer up for the configuration, and installs the GL renderer
// with a loading screen. Needs a current GL context.
GlOffer renderer_start(const Config &config, const GameSettings &settings, void (*loading_screen)(const char *text));

// The cameras' set-up from the configuration and the command line.
CameraSettings camera_settings(const Config &config, const GameSettings &settings);

// Draws the 3-D view of a view mode (nothing for the title).
void draw_view(const Sim &sim, ViewMode view, const ViewCameras &cameras, const Config &config,
               const GameSettings &settings);

// What the status overlay shows this frame in a view mode (counts the frame
// for the rate).
StatusInfo status_info(const Sim &sim, ViewMode view, FrameRate *rate, RenderStats *render_stats, const Config &config,
                       const NetClient &client);

// A line of white text centred on the screen, `line` lines below the middle.
void draw_screen_text(const char *text, int line);

// One raw frame on standard output for an external encoder; false when
// standard output no longer takes it (the encoder has gone).
bool write_video_frame(int width, int height);

// Saves the drawn frame (of the window's size) as the next
// "screenshotNNN.png" in the home folder. `number` is the next number to
// use (below 0: one past the largest already there).
void take_screenshot(int *number, int width, int height);
