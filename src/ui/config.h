// The user's settings and the configuration file "@config" that stores them.
//
// Almost every setting is a menu item; the file stores each item's value
// under a fixed key, one "key=value" line each, in a fixed order. Reading
// never fails: anything unreadable leaves the setting as it was.
#pragma once

#include <string>
#include <vector>

enum MenuItemKind { ITEM_SLIDER, ITEM_CHOICE, ITEM_TEXT, ITEM_BINDING };

struct AxisHandle;

// A control bound to a key or to a range of an axis, or unbound. Names are
// interned; codes and handles are filled when the bindings are opened.
struct ControlBinding {
    const char *key_name;
    int key_code;
    const char *axis_name;
    AxisHandle *axis_handle;
    float lo, hi;
};

// A setting as the menus and the configuration file see it.
struct MenuItem {
    const char *label = "";
    MenuItemKind kind = ITEM_SLIDER;
    double value = 0, step = 1, minimum = 0, maximum = 0; // slider
    std::vector<std::string> names;                       // choice: the names offered
    std::vector<std::string> values;                      // choice: data for each name (skin files), may be empty
    int index = 0;                                        // choice: the current name
    int max_length = 0;                                   // text
    std::string text;                                     // text
    int cursor = 0;                                       // text: the editing position
    bool insert = true;                                   // text: typing inserts (else overwrites)
    ControlBinding binding = {};                          // binding
};

enum { START_SLOTS = 40, SERVER_HISTORY = 16, RIDING_BINDINGS = 12, BINDINGS = 20, MAX_PAD_SETTINGS = 64 };

// The indices of `Config::bindings`, in file order.
enum BindingIndex {
    BIND_THROTTLE,
    BIND_FRONT_BRAKE,
    BIND_REAR_BRAKE,
    BIND_LEFT,
    BIND_RIGHT,
    BIND_CLUTCH,
    BIND_UPSHIFT,
    BIND_DOWNSHIFT,
    BIND_DAB,
    BIND_BACK_UP,
    BIND_LEAN_FORWARD,
    BIND_LEAN_BACKWARD,
    BIND_PAUSE,
    BIND_STEP,
    BIND_REWIND,
    BIND_SKIP,
    BIND_PREVIOUS_BIKE,
    BIND_NEXT_BIKE,
    BIND_CHAT,
    BIND_SCREENSHOT
};

// A game controller's or joystick's own setting, stored as
// "dead_zone.<device>".
struct PadSetting {
    std::string device;
    MenuItem dead_zone; // percent of the travel from rest
};

// Every stored setting.
struct Config {
    int xres, yres, draw_fps, draw_time, draw_ping, spy;
    MenuItem record, skill, minutes, laps;
    MenuItem slots[START_SLOTS];
    MenuItem ghost_fade_distance, time_trial_abort, bike, name, number;
    MenuItem rider_texture, head_texture, bike_texture, wheel_texture;

    MenuItem stability, leveling, roll_damping, roll_limit_angle, roll_limit_factor;
    MenuItem steering_damping, steering_strength, max_steering_force, direct_steering;
    MenuItem slow_damping_speed, slow_damping_factor, land_damping_falloff, land_damping_factor;
    MenuItem arcade, front_brake, rear_brake, stop_wheelies, auto_shift, auto_dab, sticky_dab;
    MenuItem reverse_steering, lean_indicator, auto_clutch_rpms, brake_torque, rear_brake_torque;
    MenuItem max_dab_speed, front_sprocket_adjustment, rear_sprocket_adjustment;
    MenuItem fork_compression_adjustment, fork_rebound_adjustment, fork_spring_rate_adjustment;
    MenuItem fork_preload_adjustment, fork_oil_level_adjustment;
    MenuItem shock_compression_adjustment, shock_rebound_adjustment, shock_spring_rate_adjustment;
    MenuItem shock_preload_adjustment;
    MenuItem rider_yspring, rider_ydamping, rider_zspring, rider_zdamping, rider_mass_distribution;

    MenuItem video_mode, server_name;
    MenuItem server_name_hist[SERVER_HISTORY];
    MenuItem ground_detail, ground_texture_detail, ground_texture_dim, ground_mipmaps;
    MenuItem use_fbo, use_shader, roost_density, lens_flare, hide_rider, rigid_camera;
    MenuItem model_detail, model_texture_detail, fov, first_person_height, first_person_angle;
    MenuItem volume, playback_mode;
    int billboard_optimize_lookahead;

    MenuItem bindings[BINDINGS];     // keyboard and mouse
    MenuItem pad_bindings[BINDINGS]; // a game controller or joystick, beside the keys
    MenuItem rumble;                 // 0: off
    std::vector<PadSetting> pads;    // one per device seen, kept when unplugged
};

// The binding sets of a Config: the keys and the pad's.
inline MenuItem *binding_set(Config *config, int set)
{
    return set == 0 ? config->bindings : config->pad_bindings;
}

// A device's own settings, by its control-name device part; added when new
// (null when the list is full).
PadSetting *pad_setting(Config *config, const std::string &device);

// The server host name offered before the player enters one.
extern const char default_server_name[];

// Fills every setting with its default. The skin lists and the video modes
// come from the game files and the display, so they are set apart.
void config_defaults(Config *config);

// Puts the pad bindings back to the pad layout a new player starts with
// (the key bindings' labels must be set).
void config_pad_defaults(Config *config);

// Offers the video modes: "Default Fullscreen", "Windowed", then the display's.
void config_set_video_modes(Config *config, const std::vector<std::string> &display_modes);

// Rebuilds the four skin choices from the game files, each back on "default".
void config_build_skin_lists(Config *config);

// Rebuilds the Bike Graphics choice for the current bike, back on "default".
void config_rebuild_bike_skins(Config *config);

// Reads "@config" over the current settings; a missing file changes nothing.
void config_read(Config *config);

// Reads settings from one open stream (what config_read does with "@config").
struct GameFile;
void config_read_stream(Config *config, GameFile *file);

// Writes every setting to "@config"; returns false (and keeps the old file)
// when it cannot be written.
bool config_write(const Config *config);

// Writes every setting to an open stream in file order.
void config_write_stream(const Config *config, GameFile *file);

// Sets the twelve stability settings from the master "stability" value 0..100.
void apply_stability(Config *config, int stability);

// Clamps a slider value into its range.
void slider_set(MenuItem *item, double value);

// The current name of a choice.
const char *choice_name(const MenuItem &item);

// Selects a choice by exact name; false (nothing changed) when absent.
bool choice_select(MenuItem *item, const char *name);
