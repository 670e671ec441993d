// Start-up and shut-down, in their fixed orders.
//
// Start-up: find the data and the log, read the configuration, parse the
// command line, list tracks and demos, open the window, audio and controls,
// create the simulation with its physics world, optionally start a race,
// then run the main loop.
// Shut-down undoes it and writes the configuration back.
#include "core/game.h"

#include "core/data_digest.h"
#include "core/main_loop.h"
#include "core/pad_support.h"
#include "core/settings.h"
#include "core/view_draw.h"
#include "files/paths.h"
#include "files/texture.h"
#include "net/client.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "platform/close_request.h"
#include "platform/datagram.h"
#include "platform/fatal.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "race/race.h"
#include "race/series.h"
#include "render/gl_caps.h"
#include "render/loading_screen.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/shaders.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "render/texture_gl.h"
#include "robots/robot.h"
#include "sound/audio_out.h"
#include "sound/engine_sounds.h"
#include "sound/sound_output.h"
#include "track/track.h"
#include "track/track_list.h"
#include "track/track_settings.h"
#include "ui/config.h"
#include "ui/lists.h"
#include "ui/race_setup.h"

#include <cstdio>
#include <string>

namespace
{

enum { LINEUP_SLOTS = 40, SLOT_KIND_REPLAYED = 1, SLOT_KIND_ROBOT = 2 };

// Everything start-up builds and shut-down takes down again.
struct Game {
    Config config;
    GameSettings settings;
    TrackList tracks;
    DemoList demos;
    int slot_kinds[LINEUP_SLOTS];
    int lineup[LINEUP_SLOTS];
    Window *window;
    MenuContext menus; // what the menus act on, with the pointer axes and menu keys
    bool quit;
    Track track;         // the loaded track
    Sim sim;             // the race being run on it
    SeriesList series;   // the points series and the event entered for the standings
    NetClient net;       // the connection to a race server
    EngineSounds sounds; // the riders' engine voices
};

Game game;

// Start-up up to the window: data, configuration, command line and the
// lists of the game files. Returns -1 to go on, or the exit status.
int start_up(int argc, char **argv)
{
    if (help_or_version(argc, argv) == 0)
        return 0;
    if (!locate_game_data(game_data_digest)) {
        // A failure, so that a script or launcher starting the game sees it.
        fatal_box("Problem starting Rutvale", "Can't find game data\n");
        return 1;
    }

    Config &config = game.config;
    config_defaults(&config);
    for (MenuItem &entry : config.server_name_hist)
        entry.text.clear();
    message_log_clear();

    std::vector<std::string> modes;
    const DisplayMode *listed = display_modes();
    for (const DisplayMode *m = listed; m->width; ++m)
        if (m->bits == listed[0].bits)
            modes.push_back(std::to_string(m->width) + "x" + std::to_string(m->height));
    config_set_video_modes(&config, modes);
    apply_stability(&config, (int)config.stability.value);
    config_build_skin_lists(&config);
    config_read(&config);

    // Options override both the file and what is derived from it.
    GameSettings &settings = game.settings;
    derive_detail_settings(config, &settings);
    int status = parse_command_line(argc, argv, &config, &settings);
    if (settings.open_home) {
        open_home_folder();
        return 0;
    }
    if (status >= 0)
        return status;
    if (!settings.connect.empty())
        settings.track.clear();

    game.tracks = build_track_list(settings.debug >= 1);
    if (game.tracks.folders.empty()) {
        fprintf(stderr, "No tracks found\n");
        return 1;
    }
    // A track named on the command line is a folder that must be there.
    if (!settings.track.empty() && !track_list_select(&game.tracks, settings.track)) {
        std::string found;
        for (const std::string &folder : game.tracks.folders)
            found += (found.empty() ? "" : ", ") + folder;
        fprintf(stderr, "No track '%s' here; the tracks are: %s\n", settings.track.c_str(), found.c_str());
        return 2;
    }
    game.demos = demo_list_build(settings.debug >= 1);
    if (settings.track.empty())
        track_list_select(&game.tracks, default_track_folder);
    return -1;
}

// Opens the window with its GL context. False when there is no window.
bool open_window()
{
    const Config &config = game.config;
    GameSettings &settings = game.settings;
    int width = config.xres, height = config.yres, flags = settings.depth & 0xff;
    if (config.video_mode.index != 1) {
        width = height = 0;
        if (config.video_mode.index > 1)
            sscanf(choice_name(config.video_mode), "%dx%d", &width, &height);
        flags |= WINDOW_FULLSCREEN;
    }
    // Pads SDL has no mapping for may be described in the home folder.
    if (const char *home = game_dir(0))
        pad_mappings_add(join_path(home, "gamecontrollerdb.txt").c_str());
    game.window = gl_window_create("Rutvale", width, height, flags, 0, 16, 0, 0);
    if (!game.window) {
        fprintf(stderr, "Can't open the game window (is there a display?)\n");
        return false;
    }
    return true;
}

// Waits until the window can be drawn into; false after 161 waits of 1/16 s.
bool wait_until_drawable()
{
    for (int waits = 0; !frame_begin(game.window); ++waits) {
        if (waits == 161)
            return false;
        pump_messages(game.window);
        sleep_until(0, 62500);
    }
    return true;
}

// A loading step shown on the window when it can be drawn (the screen logs
// the message), else only logged.
void show_loading_screen(const char *text)
{
    const FrameInfo *frame = game.window ? frame_begin(game.window) : nullptr;
    if (!frame) {
        zeph_log("%s\n", text);
        return;
    }
    set_projection(frame->width, frame->height, (float)game.config.fov.value);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_loading_screen(text);
    frame_end(game.window);
}

void set_up_gl()
{
    GlOffer offer = renderer_start(game.config, game.settings, show_loading_screen);
    game.menus.detected_fbo = offer.fbo;
    game.menus.detected_shaders = offer.shaders;
}

// Opens the cursor axes and every control binding, then the fixed menu keys.
void open_bindings()
{
    Window *w = game.window;
    game.menus.cursor_x = axis_open(w, "cursor-x");
    game.menus.cursor_y = axis_open(w, "cursor-y");
    bindings_open(w, &game.config);
    static const char *const menu_keys[12] = {
        "up",  "down",  "left",        "right",        "enter",   "keypad enter",
        "esc", "pause", "cursor-left", "cursor-right", "page up", "page down",
    };
    MenuKeys &k = game.menus.keys;
    int *codes[12] = {&k.up,  &k.down,  &k.left,        &k.right,        &k.enter,   &k.keypad_enter,
                      &k.esc, &k.pause, &k.cursor_left, &k.cursor_right, &k.page_up, &k.page_down};
    for (int i = 0; i < 12; ++i)
        *codes[i] = button_code(w, menu_keys[i]);
}

void close_bindings()
{
    axis_close(game.menus.cursor_x);
    axis_close(game.menus.cursor_y);
    game.menus.cursor_x = game.menus.cursor_y = nullptr;
    bindings_close(&game.config);
}

// From the simulation record to the first race.
void start_simulation()
{
    sim_create(&game.sim, &game.track);
    robots_install(&game.sim);
    series_load_all(&game.series, game.tracks, game.settings.debug >= 1);
    for (int i = 0; i < LINEUP_SLOTS; ++i) {
        game.slot_kinds[i] = SLOT_KIND_REPLAYED;
        game.lineup[i] = 0;
    }
    bool demo = !game.settings.file_argument.empty();
    if (!demo)
        game.lineup[0] = SLOT_KIND_ROBOT;
    fill_race_settings(&game.sim, game.config, game.tracks, game.settings.practice, game.settings.learning,
                       game.settings.debug > 0);
    // A demo named on the command line is played at once on its own track.
    if (demo) {
        game.sim.demo.chosen = game.settings.file_argument;
        if (demo_open(&game.sim))
            game.settings.track = game.sim.demo.track;
        demo_close(&game.sim);
    }
    // A server named on the command line is joined at once; its races
    // replace the one on the command line.
    if (!game.settings.connect.empty()) {
        NetClient &net = game.net;
        net.server = game.settings.connect;
        net.password = game.settings.password;
        net.fake_lag = game.settings.fake_lag;
        net.fake_loss = game.settings.fake_loss;
        net.record_demo = game.config.record.index == 1;
        net.player_name = game.config.name.text;
    }
    // A track named on the command line is raced at once, on that folder.
    if (!game.settings.track.empty() && game.settings.connect.empty()) {
        game.sim.settings.track_folder = game.settings.track;
        game.sim.settings.track_name = track_description(game.settings.track);
        game.settings.track.clear();
        race_start(&game.sim, game.lineup, demo, false, 0, 1000, game.config.skill.index, clock_ms());
    }
}

void shut_down()
{
    net_leave(&game.net, &game.sim);
    // An entered series event still running counts as it stands.
    series_record_result(&game.series, &game.sim);
    looks_clear();
    sim_save_lines(&game.sim);
    sim_destroy(&game.sim);
    unload_track(&game.track);
    close_bindings();
    engine_sounds_free(&game.sounds);
    audio_stop();
    gl_window_destroy(game.window);
    game.window = nullptr;
    config_write(&game.config);
    net_shutdown();
}

} // namespace

static void destroy_window_for_exit()
{
    gl_window_destroy(game.window);
    game.window = nullptr;
}

int game_main(int argc, char **argv)
{
    message_box_install();
    install_out_of_memory_handler();
    set_fatal_cleanup(sound_close, destroy_window_for_exit);
    install_close_signals();

    int status = start_up(argc, argv);
    if (status >= 0)
        return status;

    if (!open_window())
        return 1;
    audio_start(game.settings.record_audio, game.settings.sound, game.window);
    bool drawable = wait_until_drawable();
    if (drawable) {
        set_up_gl();
        drawable = frame_end(game.window) == 1;
    }
    if (drawable) {
        open_bindings();
        start_simulation();
        MenuContext &m = game.menus;
        m.config = &game.config;
        m.window = game.window;
        m.sim = &game.sim;
        m.series = &game.series;
        m.net = &game.net;
        m.tracks = &game.tracks;
        m.demos = &game.demos;
        m.lineup = game.lineup;
        m.rotate_lineup = game.settings.rotate_lineup;
        m.debug = game.settings.debug;
        m.practice = game.settings.practice;
        m.learning = game.settings.learning;
        m.roost_frequency = &game.settings.roost_frequency;
        m.sounds = &game.sounds;
        LoopParts parts;
        parts.window = game.window;
        parts.config = &game.config;
        parts.settings = &game.settings;
        parts.sim = &game.sim;
        parts.lineup = game.lineup;
        parts.client = &game.net;
        parts.tracks = &game.tracks;
        parts.menus = &m;
        parts.sounds = &game.sounds;
        main_loop_run(parts);
    }
    shut_down();
    return 0;
}
