// The configuration file, read over the defaults, written back, and turned
// into the settings the game derives from it.
#include "fuzz_target.h"

#include "core/settings.h"
#include "files/game_file.h"
#include "ui/config.h"

FUZZ_TARGET(config)
{
    GameFile *f = fuzz_open("config", data, size);
    if (!f)
        return;
    Config config;
    config_defaults(&config);
    config_read_stream(&config, f);
    gf_close(f);
    GameSettings settings;
    derive_detail_settings(config, &settings);
    if (GameFile *out = gf_open("@config.out", "wb")) {
        config_write_stream(&config, out);
        gf_close(out);
    }
}
