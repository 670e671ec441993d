// The main loop: draw a frame, then run as many 1/128 s steps as real time
// calls for (at most 16 a frame), each fed the input events that happened
// before its moment.
#pragma once

#include "core/controls.h"
#include "core/pad_support.h"
#include "core/view_draw.h"
#include "editor/editor.h"
#include "platform/event_queue.h"
#include "render/view_camera.h"
#include "ui/menu.h"

#include <functional>

struct Config;
struct EngineSounds;
struct GameSettings;
struct NetClient;
struct Sim;
struct Track;
struct TrackList;
struct Window;

// What one run of the main loop keeps from frame to frame.
struct LoopState {
    ViewMode view = TITLE_VIEW;
    bool paused = false;
    double target_time = 0, simulated_time = 0, last_frame_time = 0;
    double min_frame_time = 1, max_frame_time = 0;
    ViewCameras cameras;
    ControlMap controls;
    bool quit = false;
    bool editor_allowed = false; // Tab from the rider view opens the editor
    bool connected = false;      // to a race server: no pausing
    bool step_requested = false; // one tick while paused
    int demo_seconds = 0;        // the Skip (+1) or Rewind (-1) key: seconds to move a played demo
    bool screenshot_requested = false;
    int screenshot_number = -1;
    FrameRate rate;
    Menus menus;                         // closed unless the game opens them
    MenuContext *menu_context = nullptr; // what the menus act on; null: no menus
    bool mouse_held = false;             // the "cursor-left" button
    int last_race_tick = -1;             // to see a new race start (the free camera's placing)
    RenderStats render_stats;            // "/renderstats" or --draw-render-stats shows them
    Editor editor;                       // open while the editor view has been used on this track
    Track *track = nullptr;              // the loaded track (the editor's)
    int pad_generation = -1;             // the devices last seen (bindings opened for them)
    RumbleWatch rumble;                  // what the player's rider last felt
    LoopState() { menus.page = PAGE_CLOSED; }
};

// The game's records the main loop runs on; the caller owns them.
struct LoopParts {
    Window *window = nullptr;
    Config *config = nullptr;
    GameSettings *settings = nullptr;
    Sim *sim = nullptr;
    int *lineup = nullptr; // warp mode's line-up, rotated after each race
    NetClient *client = nullptr;
    const TrackList *tracks = nullptr;
    MenuContext *menus = nullptr; // null: no menus
    EngineSounds *sounds = nullptr;
};

// The game time a frame covers for a real elapsed time: exactly 1/f with a
// locked frame rate f, 100 steps in warp mode, else the elapsed time capped
// at 0.125 s; a negative result means "early: sleep this long, then ask
// again".
double frame_step(double elapsed, float lock_fps, bool warp);

// Warp mode's next line-up: every start slot's value moves one slot back.
void rotate_lineup(int *lineup, int slots);

// Routes one input event to the control map, the menus, the editor and the
// global keys. Returns true when the event was used.
bool route_event(LoopState *state, const Config &config, const InputEvent &event);

// Runs the simulation steps a frame calls for: until the simulated time
// reaches the target, each step takes the events up to its real moment
// (`read` gives the next event not later than a time, platform clock
// seconds), rebuilds the controls and calls `step`. Returns the steps run.
int run_frame_steps(LoopState *state, const Config &config, double now,
                    const std::function<bool(double moment, InputEvent *event)> &read,
                    const std::function<void()> &step);

// Runs the main loop on a window until it is closed; warp mode races the
// line-up again and again, rotated one slot each time. Connected to a race
// server, every step first runs the network client and game time keeps in
// step with the server's clock.
void main_loop_run(const LoopParts &parts);

// Moves the watched slot one place toward the front (-1) or the back (+1)
// of the race order.
void watch_next_in_order(Sim *sim, int direction);
