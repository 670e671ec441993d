// Command-line options and derived detail settings.
#include "core/settings.h"

#include "files/file_numbers.h"
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

// How an option takes its value.
enum OptionKind { FLAG, VALUE };

struct Option {
    const char *name;
    OptionKind kind;
    // Applies the value (null for a flag); returns false when it does not parse.
    std::function<bool(const char *value)> apply;
    const char *bad_value; // message for a value that does not parse
};

bool read_int(const char *value, int *out)
{
    return value && text_int(value, out);
}

bool read_float(const char *value, float *out)
{
    return value && sscanf(value, "%f", out) == 1 && std::isfinite(*out);
}

std::vector<Option> option_table(Config *c, GameSettings *s)
{
    auto flag = [](const char *name, std::function<void()> set) {
        return Option{name, FLAG,
                      [set](const char *) {
                          set();
                          return true;
                      },
                      nullptr};
    };
    auto int_clamped = [](const char *name, int *dest, int lo, int hi, const char *message) {
        return Option{name, VALUE,
                      [=](const char *v) {
                          int n;
                          if (!read_int(v, &n))
                              return false;
                          *dest = clamp(n, lo, hi);
                          return true;
                      },
                      message};
    };
    auto int_kept = [](const char *name, int *dest) {
        return Option{name, VALUE,
                      [=](const char *v) {
                          if (v)
                              text_int(v, dest);
                          return v != nullptr;
                      },
                      nullptr};
    };
    auto int_leading = [](const char *name, int *dest) {
        return Option{name, VALUE,
                      [=](const char *v) {
                          if (v && !text_int(v, dest))
                              *dest = 0;
                          return v != nullptr;
                      },
                      nullptr};
    };
    auto float_value = [](const char *name, std::function<void(float)> set, const char *message) {
        return Option{name, VALUE,
                      [=](const char *v) {
                          float f;
                          if (!read_float(v, &f))
                              return false;
                          set(f);
                          return true;
                      },
                      message};
    };
    auto text = [](const char *name, std::function<void(const char *)> set) {
        return Option{name, VALUE,
                      [=](const char *v) {
                          if (v)
                              set(v);
                          return v != nullptr;
                      },
                      nullptr};
    };

    return {
        flag("--fugly", [=] { s->fugly = true; }),
        flag("--nosound", [=] { s->sound = false; }),
        flag("--novertexarrays", [=] { s->no_vertex_arrays = true; }),
        flag("--nolearn", [=] { s->learning = false; }),
        flag("--debug", [=] { s->debug = 1; }),
        flag("--super-debug", [=] { s->debug = 2; }),
        flag("--practice", [=] { s->practice = true; }),
        flag("--warp", [=] { s->warp = true; }),
        flag("--autopilot", [=] { s->autopilot = true; }),
        Option{"--texture-detail", VALUE,
               [=](const char *v) {
                   int n;
                   if (!read_int(v, &n))
                       return false;
                   s->model_texture_detail = s->ground_texture_detail = clamp(n, 0, 4);
                   return true;
               },
               "Bad arg for --texture-detail\n"},
        int_clamped("--ground-texture-detail", &s->ground_texture_detail, 0, 4,
                    "Bad arg for --ground-texture-detail\n"),
        int_clamped("--roostfrequency", &s->roost_frequency, 0, 1000, "Bad arg for --roostfrequency\n"),
        float_value(
            "--erode", [=](float f) { s->erosion = clamp(f, 0.0f, 1.0f); }, "Bad arg for --erode\n"),
        float_value(
            "--detail", [=](float f) { s->terrain_detail = f; }, "Bad arg for --detail\n"),
        float_value(
            "--max-detail-distance",
            [=](float f) {
                s->max_detail_distance = f;
                s->detail_fade_end = f + 5;
            },
            "Bad arg for --max-detail-distance\n"),
        float_value(
            "--lod-scale", [=](float f) { s->lod_scale = clamp(f, 0.000001f, 1000000.0f); },
            "Bad arg for --lod-scale\n"),
        float_value(
            "--lod-bias", [=](float f) { s->lod_bias = f; }, "Bad arg for --lod-bias\n"),
        float_value(
            "--lock-fps", [=](float f) { s->lock_fps = f > 0 ? f : 0; }, "Bad arg for --lock-fps\n"),
        float_value(
            "--fake-lag", [=](float f) { s->fake_lag = clamp(f * 0.001, 0.0, 1.0); }, "Bad arg for --fake-lag\n"),
        int_clamped("--fake-loss", &s->fake_loss, 0, 100, "Bad arg for --fake-loss\n"),
        text("--record-audio", [=](const char *v) { s->record_audio = v; }),
        flag("--record-video", [=] { s->record_video = true; }),
        int_kept("--rotate-lineup", &s->rotate_lineup),
        flag("--editor", [=] { s->editor = true; }),
        flag("--hidden-pause", [=] { s->show_pause = false; }),
        flag("--hidden-hud", [=] { s->show_hud = false; }),
        text("--bikes", [](const char *) { fprintf(stderr, "--bikes doesn't do anything anymore\n"); }),
        int_kept("--width", &c->xres),
        int_kept("--height", &c->yres),
        int_leading("--depth", &s->depth),
        int_leading("--draw-fps", &c->draw_fps),
        int_leading("--draw-time", &c->draw_time),
        int_leading("--draw-ping", &c->draw_ping),
        int_leading("--draw-render-stats", &s->draw_render_stats),
        flag("--accurate-skip", [=] { s->accurate_skip = true; }),
        text("--track", [=](const char *v) { s->track = v; }),
        text("--connect",
             [=](const char *v) {
                 size_t n = s->connect_prefix.size();
                 s->connect = strncmp(v, s->connect_prefix.c_str(), n) == 0 ? v + n : v;
             }),
        text("--password", [=](const char *v) { s->password = v; }),
        Option{"--chase-center", VALUE,
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
        flag("--open-home", [=] { s->open_home = true; }),
        flag("--glfinish", [=] { s->glfinish = true; }),
    };
}

// One line per option for --help, in the order of the table above.
const char help_text[] = "Usage: rutvale [OPTION]... [DEMO]\n"
                         "Rides a motocross bike over the generated tracks; with a DEMO file, plays it.\n"
                         "\n"
                         "  --track FOLDER            race on a track at once (\"@tracks/quarry\" or \"quarry\")\n"
                         "  --connect HOST[:PORT]     join a race server at once\n"
                         "  --password TEXT           the race server's password\n"
                         "  --editor                  Tab from the rider view opens the track editor\n"
                         "  --practice                robots ride as testers\n"
                         "  --warp                    100 steps a frame, races back to back\n"
                         "  --rotate-lineup N         move the line-up N slots after each race\n"
                         "  --autopilot               the test pilot rides the player's bike\n"
                         "  --nosound                 no audio\n"
                         "  --nolearn                 robots do not learn lines from the riders\n"
                         "  --width N, --height N     window size in windowed mode\n"
                         "  --depth N                 colour depth of the window\n"
                         "  --fugly                   low-quality drawing, flat shading\n"
                         "  --novertexarrays          draw without vertex arrays\n"
                         "  --texture-detail N        model and ground texture detail, 0 (full) to 4\n"
                         "  --ground-texture-detail N ground texture detail, 0 (full) to 4\n"
                         "  --detail X                ground geometric error threshold\n"
                         "  --max-detail-distance X   distance of the finest ground detail (feet)\n"
                         "  --lod-scale X, --lod-bias X  model level-of-detail scale and bias\n"
                         "  --roostfrequency N        roost particles, 0 to 1000\n"
                         "  --erode X                 ground erosion by spinning wheels, 0 to 1\n"
                         "  --lock-fps F              a fixed frame rate: each frame is 1/F s of game time\n"
                         "  --fake-lag MS             delay every incoming datagram (network testing)\n"
                         "  --fake-loss PERCENT       drop incoming datagrams (network testing)\n"
                         "  --record-audio FILE       append the mixed audio to FILE\n"
                         "  --record-video            write every frame as PPM on standard output\n"
                         "  --hidden-pause            no \"Paused\" text\n"
                         "  --hidden-hud              no HUD\n"
                         "  --draw-fps N, --draw-time N, --draw-ping N, --draw-render-stats N  HUD lines\n"
                         "  --accurate-skip           demo skipping replays every tick\n"
                         "  --chase-center X,Y,Z      the chase camera's target on the bike\n"
                         "  --glfinish                wait for the GL driver every frame\n"
                         "  --debug, --super-debug    log more\n"
                         "  --open-home               open the home folder and stop\n"
                         "  --help                    show this help and stop\n"
                         "  --version                 show the version and stop\n";

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
    std::vector<Option> options = option_table(config, settings);
    bool options_ended = false;
    bool have_file = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!options_ended && strcmp(arg, "--") == 0) {
            options_ended = true;
            continue;
        }
        const Option *matched = nullptr;
        const char *value = nullptr;
        if (!options_ended) {
            for (const Option &o : options) {
                size_t n = strlen(o.name);
                if (strcmp(arg, o.name) == 0) {
                    matched = &o;
                    if (o.kind == VALUE && i + 1 < argc)
                        value = argv[++i];
                    break;
                }
                if (o.kind == VALUE && strncmp(arg, o.name, n) == 0 && arg[n] == '=') {
                    matched = &o;
                    value = arg + n + 1;
                    break;
                }
            }
        }
        if (matched) {
            if (!matched->apply(value)) {
                // A value option at the very end has nothing to apply.
                if (matched->bad_value)
                    fputs(matched->bad_value, stderr);
                else
                    fprintf(stderr, "Missing value for %s\n", matched->name);
                return 1;
            }
            if (settings->open_home)
                return 0;
            continue;
        }
        if (arg[0] == '-' && !options_ended) {
            fprintf(stderr, "bad option '%s'\n", arg);
            return 1;
        }
        if (have_file) {
            fprintf(stderr, "Too many files!\n");
            return 1;
        }
        settings->file_argument = arg;
        have_file = true;
    }
    return -1;
}

int help_or_version(int argc, char **argv)
{
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(help_text, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("rutvale %s\n", RUTVALE_VERSION);
            return 0;
        }
    }
    return -1;
}
