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

// Everything start-up builds and shut-down takes down again.
struct Game {
    Config config;
    GameSettings settings;
    TrackList tracks;
    DemoList demos;
};

Game game;

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

    if (!locate_game_data(game_data_digest)) {
        // Reported as a failure: a script starting the game must see it.
        fatal_box("Problem starting Rutvale", "Can't find game data\n");
        return 1;
    }

    message_log_clear();
    config_defaults(&game.config);
    for (MenuItem &entry : game.config.server_name_hist)
        entry.text.clear();
    config_set_video_modes(&game.config, {});
    apply_stability(&game.config, (int)game.config.stability.value);
    config_build_skin_lists(&game.config);
    config_read(&game.config);

    derive_detail_settings(game.config, &game.settings);
    int status = parse_command_line(argc, argv, &game.config, &game.settings);
    if (game.settings.open_home) {
        open_home_folder();
        return 0;
    }
    if (status >= 0)
        return status;
    GameSettings &settings = game.settings;
    if (!settings.connect.empty())
        settings.track.clear();

    game.tracks = build_track_list(settings.debug >= 1);
    if (game.tracks.folders.empty()) {
        fprintf(stderr, "No tracks found\n");
        return 1;
    }
    game.demos = demo_list_build(settings.debug >= 1);
    track_list_select(&game.tracks, settings.track.empty() ? default_track_folder : settings.track);

    physics_world_create();

    // Without a window layer there is nothing to draw into: the run ends
    // here and goes through the normal shut-down.
    zeph_log("No window available; shutting down\n");
    shut_down();
    return 0;
}
