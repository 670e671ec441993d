// Drawing one frame of the game: the 3-D views, the text over them,
// screenshots and raw video frames.
#pragma once

#include "render/hud.h"

struct Config;
struct GameSettings;
struct LoopState;
struct NetClient;
struct Sim;
struct Window;

// What the GL driver offers before the configuration turns anything off.
struct GlOffer {
    bool fbo, shaders;
};

// Sets the GL state, shaders, texture and model caches, fonts and the
// ground renderer up for the configuration, and installs the GL renderer
// with a loading screen. Needs a current GL context.
GlOffer renderer_start(const Config &config, const GameSettings &settings, void (*loading_screen)(const char *text));

// Draws the 3-D view of the current view mode (nothing for the title).
void draw_view(const Sim &sim, const LoopState &state, const Config &config, const GameSettings &settings);

// What the status overlay shows this frame (counts the frame for the rate).
StatusInfo status_info(const Sim &sim, LoopState *state, const Config &config, const GameSettings &settings,
                       const NetClient &client);

// A line of white text centred on the screen, `line` lines below the middle.
void draw_screen_text(const char *text, int line);

// One raw frame on standard output for an external encoder; false when
// standard output no longer takes it (the encoder has gone).
bool write_video_frame(int width, int height);

// Saves the drawn frame (of the window's size) as the next
// "screenshotNNN.png" in the home folder.
void take_screenshot(LoopState *state, int width, int height);
