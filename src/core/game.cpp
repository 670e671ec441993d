// Start-up and shut-down, in their fixed orders.
//
// Start-up: find the data and the log, read the configuration, parse the
// command line, list tracks and demos, open the window, audio and controls,
// create the physics world, optionally start a race, then run the main loop.
// Shut-down undoes it and writes the configuration back.
#include "core/game.h"

#include "core/config.h"
#include "core/data_digest.h"
#include "core/lists.h"
#include "core/messages.h"
#include "core/settings.h"
#include "files/paths.h"
#include "physics/world.h"
#include "platform/close_request.h"
#include "platform/fatal.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "track/track_list.h"

#include <cstdio>

namespace {

enum { LINEUP_SLOTS = 40, SLOT_KIND_REPLAYED = 1, SLOT_KIND_ROBOT = 2 };

// Everything start-up builds and shut-down takes down again.
struct Game {
    Config config;
    GameSettings settings;
    TrackList tracks;
    DemoList demos;
    int slot_kinds[LINEUP_SLOTS];
    int lineup[LINEUP_SLOTS];
};

Game game;

// Start-up up to the window: data, configuration, command line and the
// lists of the game files. Returns -1 to go on, or the exit status.
int start_up(int argc, char **argv)
{
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

    // The display's modes join the list when the window layer reports them.
    config_set_video_modes(&config, {});
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
    game.demos = demo_list_build(settings.debug >= 1);
    track_list_select(&game.tracks, settings.track.empty() ? default_track_folder : settings.track);
    return -1;
}

// From the physics world to the first race.
void start_simulation()
{
    physics_world_create();
    for (int i = 0; i < LINEUP_SLOTS; ++i) {
        game.slot_kinds[i] = SLOT_KIND_REPLAYED;
        game.lineup[i] = 0;
    }
    if (game.settings.file_argument.empty())
        game.lineup[0] = SLOT_KIND_ROBOT;
}

void shut_down()
{
    physics_contacts_destroy();
    zeph_log("Deallocating bikes\n");
    zeph_log("Finished deallocating bikes\n");
    physics_world_destroy();
    config_write(&game.config);
}

} // namespace

int game_main(int argc, char **argv)
{
    message_box_install();
    install_out_of_memory_handler();
    install_close_signals();

    int status = start_up(argc, argv);
    if (status >= 0)
        return status;

    start_simulation();

    // There is no window to draw into yet, so the run ends here and goes
    // through the normal shut-down.
    zeph_log("No window available; shutting down\n");
    shut_down();
    return 0;
}
