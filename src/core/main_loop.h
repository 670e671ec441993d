// The main loop: draw a frame, then run as many 1/128 s steps as real time
// calls for (at most 16 a frame), each fed the input events that happened
// before its moment; the view modes and the chase and free cameras.
#pragma once

#include "editor/editor.h"
#include "platform/event_queue.h"
#include "ui/menu.h"

#include <functional>

struct Config;
struct GameSettings;
struct NetClient;
struct Rider;
struct RiderInput;
struct Sim;
struct Terrain;
struct Track;
struct TrackList;
struct Window;

enum ViewMode { RIDER_VIEW = 0, EDITOR_VIEW = 2, CHASE_VIEW = 3, FREE_VIEW = 4, TITLE_VIEW = 5 };

// The nine controls rebuilt every step from the control map.
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
    int binding; // index into Config::bindings
    int control; // RiderControl
    float scale;
    float value; // 0..1
};

struct Camera {
    float position[3];
    float target[3];
};

struct LoopState {
    ViewMode view = TITLE_VIEW;
    bool paused = false;
    double target_time = 0, simulated_time = 0, last_frame_time = 0;
    double min_frame_time = 1, max_frame_time = 0;
    float orbit_angle = 0, orbit_distance = 10, orbit_height = 5;
    float free_position[3] = {}, free_yaw = 0, free_pitch = 0, free_yaw_rate = 0, free_pitch_rate = 0, free_speed = 0;
    float controls[RIDER_CONTROLS] = {};
    ControlMapEntry map[CONTROL_MAP_SIZE];
    bool sticky_dab_on = false;
    float last_dab = 0;
    bool quit = false;
    bool editor_allowed = false; // Tab from the rider view opens the editor
    bool connected = false;      // to a race server: no pausing
    bool step_requested = false; // one tick while paused
    int demo_seconds = 0;        // the Skip (+1) or Rewind (-1) key: seconds to move a played demo
    bool screenshot_requested = false;
    int screenshot_number = -1;
    int fps = 0, fps_frames = 0; // frame rate over the latest half second
    double fps_since = 0;
    Menus menus;                         // closed unless the game opens them
    MenuContext *menu_context = nullptr; // what the menus act on; null: no menus
    bool mouse_held = false;             // the "cursor-left" button
    int last_race_tick = -1;             // to see a new race start (the free camera's placing)
    bool render_stats = false;
    Editor editor;          // open while the editor view has been used on this track
    Track *track = nullptr; // the loaded track (the editor's)
    LoopState() { menus.page = PAGE_CLOSED; }
};

// The game time a frame covers for a real elapsed time: exactly 1/f with a
// locked frame rate f, 100 steps in warp mode, else the elapsed time capped
// at 0.125 s; a negative result means "early: sleep this long, then ask
// again".
double frame_step(double elapsed, float lock_fps, bool warp);

// Warp mode's next line-up: every start slot's value moves one slot back.
void rotate_lineup(int *lineup, int slots);

// Fills the control map from the fixed table.
void control_map_init(LoopState *state);

// Routes one input event to the control map and the global keys. Returns
// true when the event was used.
bool route_event(LoopState *state, const Config &config, const InputEvent &event);

// The local player's rider's controls for the step from the step's keys
// and axes (the clutch lever and sticky dab keep their state in `state`).
RiderInput controls_input(LoopState *state, const Config &config, const Rider &rider);

// Rebuilds the nine controls from the control map (keys and axes).
void build_controls(LoopState *state, const Config &config);

// The chase camera around a rider (the local player's when `own`).
Camera chase_camera(const LoopState &state, const GameSettings &settings, const Config &config, const Rider *rider,
                    bool own);

// Moves the free camera one step with the controls.
void free_camera_step(LoopState *state, const Terrain &terrain, const Rider *watched);

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
void main_loop_run(Window *window, Config *config, GameSettings *settings, Sim *sim, int *lineup, NetClient *client,
                   const TrackList &tracks, MenuContext *menus);

// Places the free camera 10 ft behind and 5 ft above a rider, facing the
// way it faces, or over the track's start when there is no rider.
void free_camera_place(LoopState *state, const Sim &sim, const Rider *rider);

// Moves the watched slot one place toward the front (-1) or the back (+1)
// of the race order.
void watch_next_in_order(Sim *sim, int direction);
