// Command-line options and derived detail settings.
#include "core/settings.h"

#include "files/file_numbers.h"
#include "platform/command_line.h"
#include "ui/config.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace
{

template <typename T> T clamp(T v, T lo, T hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

bool read_int(const char *value, int *out)
{
    return value && text_int(value, out);
}

bool read_float(const char *value, float *out)
{
    return value && sscanf(value, "%f", out) == 1 && std::isfinite(*out);
}

std::vector<CommandOption> option_table(Config *c, GameSettings *s)
{
    auto flag = [](const char *name, const char *help, std::function<void()> set) {
        return CommandOption{name, nullptr, help,
                             [set](const char *) {
                                 set();
                                 return true;
                             },
                             nullptr};
    };
    auto int_clamped = [](const char *name, const char *help, int *dest, int lo, int hi, const char *message) {
        return CommandOption{name, "N", help,
                             [=](const char *v) {
                                 int n;
                                 if (!read_int(v, &n))
                                     return false;
                                 *dest = clamp(n, lo, hi);
                                 return true;
                             },
                             message};
    };
    auto int_kept = [](const char *name, const char *help, int *dest) {
        return CommandOption{name, "N", help,
                             [=](const char *v) {
                                 if (v)
                                     text_int(v, dest);
                                 return v != nullptr;
                             },
                             nullptr};
    };
    auto int_leading = [](const char *name, const char *help, int *dest) {
        return CommandOption{name, "N", help,
                             [=](const char *v) {
                                 if (v && !text_int(v, dest))
                                     *dest = 0;
                                 return v != nullptr;
                             },
                             nullptr};
    };
    auto float_value = [](const char *name, const char *value, const char *help, std::function<void(float)> set,
                          const char *message) {
        return CommandOption{name, value, help,
                             [=](const char *v) {
                                 float f;
                                 if (!read_float(v, &f))
                                     return false;
                                 set(f);
                                 return true;
                             },
                             message};
    };
    auto text = [](const char *name, const char *value, const char *help, std::function<void(const char *)> set) {
        return CommandOption{name, value, help,
                             [=](const char *v) {
                                 if (v)
                                     set(v);
                                 return v != nullptr;
                             },
                             nullptr};
    };

    return {
        text("--track", "FOLDER", "race on a track at once, named by its folder (\"quarry\")",
             [=](const char *v) { s->track = v; }),
        text("--connect", "HOST[:PORT]", "join a race server at once",
             [=](const char *v) {
                 size_t n = s->connect_prefix.size();
                 s->connect = strncmp(v, s->connect_prefix.c_str(), n) == 0 ? v + n : v;
             }),
        text("--password", "TEXT", "the race server's password", [=](const char *v) { s->password = v; }),
        flag("--editor", "Tab from the rider view opens the track editor", [=] { s->editor = true; }),
        flag("--practice", "robots ride as testers", [=] { s->practice = true; }),
        flag("--warp", "100 steps a frame, races back to back", [=] { s->warp = true; }),
        int_kept("--rotate-lineup", "move the line-up N slots after each race", &s->rotate_lineup),
        flag("--autopilot", "the test pilot rides the player's bike", [=] { s->autopilot = true; }),
        flag("--nosound", "no audio", [=] { s->sound = false; }),
        flag("--nolearn", "robots do not learn lines from the riders", [=] { s->learning = false; }),
        int_kept("--width", "window width in windowed mode", &c->xres),
        int_kept("--height", "window height in windowed mode", &c->yres),
        int_leading("--depth", "colour depth of the window", &s->depth),
        flag("--fugly", "low-quality drawing, flat shading", [=] { s->fugly = true; }),
        flag("--novertexarrays", "draw without vertex arrays", [=] { s->no_vertex_arrays = true; }),
        CommandOption{"--texture-detail", "N", "model and ground texture detail, 0 (full) to 4",
                      [=](const char *v) {
                          int n;
                          if (!read_int(v, &n))
                              return false;
                          s->model_texture_detail = s->ground_texture_detail = clamp(n, 0, 4);
                          return true;
                      },
                      "Bad arg for --texture-detail\n"},
        int_clamped("--ground-texture-detail", "ground texture detail, 0 (full) to 4", &s->ground_texture_detail, 0, 4,
                    "Bad arg for --ground-texture-detail\n"),
        float_value(
            "--detail", "X", "ground geometric error threshold", [=](float f) { s->terrain_detail = f; },
            "Bad arg for --detail\n"),
        float_value(
            "--max-detail-distance", "X", "distance of the finest ground detail (feet)",
            [=](float f) {
                s->max_detail_distance = f;
                s->detail_fade_end = f + 5;
            },
            "Bad arg for --max-detail-distance\n"),
        float_value(
            "--lod-scale", "X", "model level-of-detail scale",
            [=](float f) { s->lod_scale = clamp(f, 0.000001f, 1000000.0f); }, "Bad arg for --lod-scale\n"),
        float_value(
            "--lod-bias", "X", "model level-of-detail bias", [=](float f) { s->lod_bias = f; },
            "Bad arg for --lod-bias\n"),
        int_clamped("--roostfrequency", "roost particles, 0 to 1000", &s->roost_frequency, 0, 1000,
                    "Bad arg for --roostfrequency\n"),
        float_value(
            "--erode", "X", "ground erosion by spinning wheels, 0 to 1",
            [=](float f) { s->erosion = clamp(f, 0.0f, 1.0f); }, "Bad arg for --erode\n"),
        float_value(
            "--lock-fps", "F", "a fixed frame rate: each frame is 1/F s of game time",
            [=](float f) { s->lock_fps = f > 0 ? f : 0; }, "Bad arg for --lock-fps\n"),
        float_value(
            "--fake-lag", "MS", "delay every incoming datagram (network testing)",
            [=](float f) { s->fake_lag = clamp(f * 0.001, 0.0, 1.0); }, "Bad arg for --fake-lag\n"),
        int_clamped("--fake-loss", "drop incoming datagrams, percent (network testing)", &s->fake_loss, 0, 100,
                    "Bad arg for --fake-loss\n"),
        text("--record-audio", "FILE", "write the mixed audio to FILE", [=](const char *v) { s->record_audio = v; }),
        flag("--record-video", "write every frame as PPM on standard output", [=] { s->record_video = true; }),
        flag("--hidden-pause", "no \"Paused\" text", [=] { s->show_pause = false; }),
        flag("--hidden-hud", "no HUD", [=] { s->show_hud = false; }),
        int_leading("--draw-fps", "1: the frame rate on the HUD", &c->draw_fps),
        int_leading("--draw-time", "1: the race time on the HUD", &c->draw_time),
        int_leading("--draw-ping", "1: the ping to the race server on the HUD", &c->draw_ping),
        int_leading("--draw-render-stats", "1: the drawing counts on the HUD", &s->draw_render_stats),
        flag("--accurate-skip", "demo skipping replays every tick", [=] { s->accurate_skip = true; }),
        CommandOption{"--chase-center", "X,Y,Z", "the chase camera's target on the bike",
                      [=](const char *v) {
                          float x, y, z;
                          if (!v || sscanf(v, "%f,%f,%f", &x, &y, &z) != 3 || !std::isfinite(x) || !std::isfinite(y) ||
                              !std::isfinite(z))
                              return false;
                          s->chase_center[0] = x;
                          s->chase_center[1] = y;
                          s->chase_center[2] = z;
                          return true;
                      },
                      "Bad arg for --chase-center\n"},
        flag("--glfinish", "wait for the GL driver every frame", [=] { s->glfinish = true; }),
        flag("--debug", "log more", [=] { s->debug = 1; }),
        flag("--super-debug", "log even more", [=] { s->debug = 2; }),
        text("--bikes", "LIST", nullptr,
             [](const char *) { fprintf(stderr, "--bikes doesn't do anything anymore\n"); }),
        CommandOption{"--open-home", nullptr, "open the home folder and stop",
                      [=](const char *) { return s->open_home = true; }, nullptr, true},
        CommandOption{"--help", nullptr, "show this help and stop", [](const char *) { return true; }, nullptr, true},
        CommandOption{"--version", nullptr, "show the version and stop", [](const char *) { return true; }, nullptr,
                      true},
    };
}

const char usage_text[] = "Usage: rutvale [OPTION]... [DEMO]\n"
                          "Rides a motocross bike over the generated tracks; with a DEMO file, plays it.\n"
                          "\n";

} // namespace

void derive_detail_settings(const Config &c, GameSettings *s)
{
    // A slider at 0 asks for the coarsest ground; a huge error threshold gives
    // it without dividing by zero.
    double ground = c.ground_detail.value > 0 ? c.ground_detail.value : 0.125 / 1e6;
    s->terrain_detail = (float)(0.125 / ground);
    s->ground_texture_detail = (int)clamp(10 - c.ground_texture_detail.value, 0.0, 10.0);
    s->ground_texture_dim = 32 << c.ground_texture_dim.index;
    double scale = clamp(100 - c.model_detail.value, 0.0, 100.0) * 0.02;
    if (scale > 1)
        scale = scale * scale * scale;
    s->lod_scale = (float)scale;
    s->lod_bias = (float)(50 - 50 * clamp((c.model_detail.value - 10) * 0.05, 0.0, 1.0));
    s->model_texture_detail = (int)clamp(10 - c.model_texture_detail.value, 0.0, 10.0);
    s->roost_frequency = (int)c.roost_density.value;
}

int parse_command_line(int argc, char **argv, Config *config, GameSettings *settings)
{
    std::vector<CommandOption> options = option_table(config, settings);
    bool have_file = false;
    auto file = [&](const char *arg) {
        if (have_file)
            return false;
        settings->file_argument = arg;
        have_file = true;
        return true;
    };
    CommandLineError error;
    if (parse_options(argc, argv, options, file, &error))
        return settings->open_home ? 0 : -1;
    const CommandOption *option = nullptr;
    for (const CommandOption &o : options) {
        size_t n = strlen(o.name);
        if (error.argument.compare(0, n, o.name) == 0 && (error.argument.size() == n || error.argument[n] == '='))
            option = &o;
    }
    switch (error.fault) {
    case COMMAND_LINE_OPERAND:
        fputs("Too many files!\n", stderr);
        break;
    case COMMAND_LINE_MISSING_VALUE:
    case COMMAND_LINE_BAD_VALUE:
        if (option && option->bad_value)
            fputs(option->bad_value, stderr);
        else
            fprintf(stderr, "Missing value for %s\n", error.argument.c_str());
        break;
    default:
        fprintf(stderr, "bad option '%s'\n", error.argument.c_str());
        break;
    }
    return 1;
}

int help_or_version(int argc, char **argv)
{
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            Config config;
            GameSettings settings;
            fputs(usage_text, stdout);
            fputs(options_help(option_table(&config, &settings)).c_str(), stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("rutvale %s\n", RUTVALE_VERSION);
            return 0;
        }
    }
    return -1;
}
