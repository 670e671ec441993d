// Process-wide settings that the command line can change, and the detail
// settings derived from the graphics sliders.
#pragma once

#include <string>

struct Config;

struct GameSettings {
    int depth = 16;     // colour depth of the window
    bool fugly = false; // low-quality drawing, flat shading
    bool no_vertex_arrays = false;
    bool sound = true;
    bool learning = true;          // robot line learning
    int debug = 0;                 // 0, 1 (--debug) or 2 (--super-debug)
    bool practice = false;         // robots all ride as testers
    bool warp = false;             // 100 steps a frame, races back to back
    int model_texture_detail = 1;  // 0..4
    int ground_texture_detail = 1; // 0..4
    int ground_texture_dim = 128;  // texels
    int roost_frequency = 250;     // 0..1000
    float erosion = 0;             // 0..1
    float terrain_detail = 0.0025f;
    float max_detail_distance = 70, detail_fade_end = 75;
    float lod_bias = 0, lod_scale = 1;
    float lock_fps = 0;        // fixed frame rate; 0 is off
    double fake_lag = 0;       // seconds, 0..1
    int fake_loss = 0;         // percent of incoming packets, 0..100
    std::string record_audio;  // audio capture file, empty for none
    bool record_video = false; // raw video on standard output
    int rotate_lineup = 0;
    bool editor = false;
    bool show_pause = true;
    bool show_hud = true;
    int draw_render_stats = 0;
    bool accurate_skip = false;
    std::string track;   // track to race on at start-up
    std::string connect; // server to connect to at start-up
    std::string password;
    std::string connect_prefix = "rutvale:";
    float chase_center[3] = {0, 2.52f, 0.52f};
    bool glfinish = false;
    std::string file_argument; // demo to play at start-up
    bool open_home = false;    // --open-home: open the home folder and stop
    bool autopilot = false;    // --autopilot: the test pilot rides the player's bike
};

// Computes the detail settings from the configuration's graphics sliders.
void derive_detail_settings(const Config &config, GameSettings *settings);

// Parses the command line over the settings (and the configuration keys it
// shares: window size and HUD draw flags). Returns -1 to go on starting, or
// the exit status after an error (printed on standard error) or --open-home.
int parse_command_line(int argc, char **argv, Config *config, GameSettings *settings);

// "--help" (or "-h") prints the options and "--version" the version, before
// anything else starts: returns 0 when one was given, else -1.
int help_or_version(int argc, char **argv);
