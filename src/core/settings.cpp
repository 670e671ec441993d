// Command-line options and derived detail settings.
#include "core/settings.h"

#include "core/config.h"
#include "files/file_numbers.h"

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
