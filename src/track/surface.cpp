// Reading surface types and looking up their friction and rolling curves.
#include "track/surface.h"

#include "files/file_numbers.h"
#include "files/game_file.h"
#include "files/texture.h"
#include "platform/messages.h"
#include "platform/tick_math.h"
#include "track/terrain.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{

const float min_speed = 9.536743e-7f; // 2^-20: no point sits at speed 0

// A surface type while its "tileinfo" statements are read.
struct Builder {
    unsigned texture = 0;
    std::string texture_name;
    std::vector<std::pair<float, float>> friction;               // (speed, coefficient)
    std::vector<std::pair<float, std::pair<float, float>>> roll; // (speed, (low, high))
    RoostEmitter roost[SURFACE_EMITTERS];
    int emitters = 0;
};

std::string file_part(const std::string &name)
{
    std::string n = !name.empty() && name[0] == '@' ? name.substr(1) : name;
    size_t slash = n.rfind('/');
    return slash == std::string::npos ? n : n.substr(slash + 1);
}

SurfaceType commit(Builder &b)
{
    SurfaceType t;
    std::stable_sort(b.friction.begin(), b.friction.end(),
                     [](const auto &x, const auto &y) { return x.first < y.first; });
    std::stable_sort(b.roll.begin(), b.roll.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
    if (b.friction.empty())
        b.friction.push_back({1.0f, 1.0f});
    if (b.roll.empty())
        b.roll.push_back({1.0f, {5.0f, 15.0f}});
    for (int k = 0; k < SURFACE_POINTS; ++k) {
        bool f = k < (int)b.friction.size(), r = k < (int)b.roll.size();
        t.friction[k] = f ? b.friction[k].second : 1.0f;
        t.friction_speed[k] = f ? b.friction[k].first : 0.0f;
        t.roll_low[k] = r ? b.roll[k].second.first : 5.0f;
        t.roll_high[k] = r ? b.roll[k].second.second : 15.0f;
        t.roll_speed[k] = r ? b.roll[k].first : 0.0f;
    }
    t.texture = b.texture;
    for (int e = 0; e < SURFACE_EMITTERS; ++e) {
        t.roost[e] = b.roost[e];
        if (e >= b.emitters)
            t.roost[e].kind = 0;
    }
    t.texture_file = file_part(b.texture_name);
    return t;
}

void warn(const char *text)
{
    show_message(text);
}

// Splits a roost argument into items; double quotes group and are removed.
std::vector<std::string> roost_items(const char *text)
{
    std::vector<std::string> items;
    std::string item;
    bool quoted = false, have = false;
    for (const char *p = text; *p; ++p) {
        char c = *p;
        if (c == '"') {
            quoted = !quoted;
            have = true;
            continue;
        }
        if (!quoted && strchr(" \f\n\r\t\b", c)) {
            if (have)
                items.push_back(item);
            item.clear();
            have = false;
            continue;
        }
        item += c;
        have = true;
    }
    if (have)
        items.push_back(item);
    return items;
}

void read_roost(RoostEmitter *e, const char *argument)
{
    e->kind = 1;
    e->texture = load_texture("@roost.png");
    struct FloatItem {
        const char *prefix;
        float RoostEmitter::*field;
        const char *warning;
    };
    static const FloatItem floats[] = {
        {"count=", &RoostEmitter::count, "tileinfo warning: bad count\n"},
        {"dig=", &RoostEmitter::dig, "tileinfo warning: bad dig\n"},
        {"slip_threshold=", &RoostEmitter::slip_threshold, "tileinfo warning: bad slip_threshold\n"},
        {"slow_angle=", &RoostEmitter::slow_angle, "tileinfo warning: bad slow_angle\n"},
        {"fast_angle=", &RoostEmitter::fast_angle, "tileinfo warning: bad fast_angle\n"},
        {"slow_speed=", &RoostEmitter::slow_speed, "tileinfo warning: bad slow_speed\n"},
        {"fast_speed=", &RoostEmitter::fast_speed, "tileinfo warning: bad fast_speed\n"},
        {"size=", &RoostEmitter::size, "tileinfo warning: bad size\n"},
        {"grow=", &RoostEmitter::grow, "tileinfo warning: bad grow\n"},
        {"drag=", &RoostEmitter::drag, "tileinfo warning: bad drag\n"},
        {"vscale=", &RoostEmitter::vscale, "tileinfo warning: bad vscale\n"},
        {"randomize=", &RoostEmitter::randomize, "tileinfo warning: bad randomize\n"},
    };
    struct ByteItem {
        const char *prefix;
        uint8_t *target;
        bool per_step;
        const char *warning;
    };
    const ByteItem bytes[] = {
        {"r=", &e->colour[0], false, "tileinfo warning: bad r\n"},
        {"g=", &e->colour[1], false, "tileinfo warning: bad g\n"},
        {"b=", &e->colour[2], false, "tileinfo warning: bad b\n"},
        {"a=", &e->colour[3], false, "tileinfo warning: bad a\n"},
        {"fade_r=", &e->fade[0], true, "tileinfo warning: bad fade_r\n"},
        {"fade_g=", &e->fade[1], true, "tileinfo warning: bad fade_g\n"},
        {"fade_b=", &e->fade[2], true, "tileinfo warning: bad fade_b\n"},
        {"fade_a=", &e->fade[3], true, "tileinfo warning: bad fade_a\n"},
    };
    // A roost number; one that does not read, or is not finite and within
    // +-1e9, is warned about and taken as 0.
    auto number = [](const char *text, const char *warning) {
        char *end;
        double v = strtod(text, &end);
        if (end == text || !file_number_in(v, -1e9, 1e9)) {
            warn(warning);
            return 0.0;
        }
        return v;
    };
    for (const std::string &item : roost_items(argument)) {
        const char *s = item.c_str();
        auto starts = [&](const char *prefix) { return strncmp(s, prefix, strlen(prefix)) == 0; };
        if (starts("texture=")) {
            e->texture = load_texture(data_file_name(s + 8).c_str());
            continue;
        }
        if (starts("splash=")) {
            if (strtod(s + 7, nullptr) != 0)
                e->kind = 2;
            continue;
        }
        bool matched = false;
        for (const FloatItem &f : floats) {
            if (starts(f.prefix)) {
                e->*f.field = (float)number(s + strlen(f.prefix), f.warning);
                matched = true;
                break;
            }
        }
        for (const ByteItem &b : bytes) {
            if (matched || !starts(b.prefix))
                continue;
            double v = number(s + strlen(b.prefix), b.warning);
            matched = true;
            if (b.per_step)
                v *= TICK_SECONDS;
            // The low byte of the whole number, as the file format always did.
            *b.target = (uint8_t)(unsigned)(long long)v;
        }
        if (!matched) {
            char text[128];
            snprintf(text, sizeof text, "tileinfo warning: unknown roost parameter '%.40s'\n", s);
            warn(text);
        }
    }
}

} // namespace

int load_tileinfo(Terrain *terrain, GameFile *f)
{
    terrain->surfaces.clear();
    Builder b;
    char line[1024];
    while ((int)terrain->surfaces.size() < SURFACE_TYPES_MAX && gf_gets(f, line, sizeof line)) {
        char *p = line + strspn(line, " \t\r\n");
        if (!*p)
            continue;
        size_t word_len = strcspn(p, " \t\r\n");
        std::string keyword(p, word_len);
        char *argument = p + word_len;
        argument += strspn(argument, " \t");
        argument[strcspn(argument, "\r\n")] = '\0';

        if (keyword == "texture") {
            b.texture_name = data_file_name(argument);
            b.texture = load_texture(b.texture_name.c_str());
        } else if (keyword == "friction") {
            float coefficient, speed;
            if (sscanf(argument, "%f %f", &coefficient, &speed) != 2 || !file_number_in(coefficient, -1e6, 1e6) ||
                !file_number_in(speed, -1e6, 1e6)) {
                warn("tileinfo warning: bad friction parameters\n");
            } else if (b.friction.size() == SURFACE_POINTS) {
                warn("tileinfo warning: too many friction points\n");
            } else {
                b.friction.push_back({speed > min_speed ? speed : min_speed, coefficient > 0 ? coefficient : 0});
            }
        } else if (keyword == "roll_resist") {
            float low, high, speed;
            if (sscanf(argument, "%f %f %f", &low, &high, &speed) != 3 || !file_number_in(low, -1e6, 1e6) ||
                !file_number_in(high, -1e6, 1e6) || !file_number_in(speed, -1e6, 1e6)) {
                warn("tileinfo warning: bad roll_resist parameters\n");
            } else if (b.roll.size() == SURFACE_POINTS) {
                warn("tileinfo warning: too many roll_resist points\n");
            } else {
                b.roll.push_back({speed > min_speed ? speed : min_speed, {low > 0 ? low : 0, high > 0 ? high : 0}});
            }
        } else if (keyword == "roost") {
            if (b.emitters == SURFACE_EMITTERS)
                warn("tileinfo warning: too many roost types\n");
            else
                read_roost(&b.roost[b.emitters++], argument);
        } else if (keyword == "addtile") {
            terrain->surfaces.push_back(commit(b));
            b = Builder();
        } else {
            char text[1024];
            snprintf(text, sizeof text, "tileinfo warning: Unknown identifier '%.950s'\n", keyword.c_str());
            warn(text);
        }
    }
    compute_surface_codes(&terrain->surfaces);
    return 1;
}

void load_texturelist(Terrain *terrain, GameFile *f)
{
    terrain->surfaces.clear();
    char line[1024];
    while ((int)terrain->surfaces.size() < SURFACE_TYPES_MAX && gf_gets(f, line, sizeof line)) {
        char *p = line;
        while (isspace((unsigned char)*p))
            ++p;
        if (!*p)
            continue;
        float friction = 1.0f, low = 5.0f, high = 15.0f;
        int used = 0;
        char *name = p;
        if (sscanf(p, "%f %f %f %n", &friction, &low, &high, &used) >= 3 && used > 0)
            name = p + used;
        // Numbers that are not finite and within +-1e6 give the defaults.
        if (!file_number_in(friction, -1e6, 1e6) || !file_number_in(low, -1e6, 1e6) || !file_number_in(high, -1e6, 1e6))
            friction = 1.0f, low = 5.0f, high = 15.0f;
        name[strcspn(name, "\r\n")] = '\0';
        SurfaceType t;
        for (int k = 0; k < SURFACE_POINTS; ++k) {
            t.friction[k] = friction;
            t.friction_speed[k] = k == 0 ? 1.0f : 0.0f;
            t.roll_low[k] = low;
            t.roll_high[k] = high;
            t.roll_speed[k] = k == 0 ? 1.0f : 0.0f;
        }
        std::string texture = data_file_name(name);
        t.texture = load_texture(texture.c_str());
        t.roost[0].kind = 1;
        t.roost[0].texture = load_texture("@roost.png");
        for (int e = 1; e < SURFACE_EMITTERS; ++e)
            t.roost[e].kind = 0;
        t.texture_file = file_part(texture);
        terrain->surfaces.push_back(t);
    }
    compute_surface_codes(&terrain->surfaces);
}

int32_t surface_code(const std::string &n, const std::vector<std::string> &names)
{
    size_t dash = n.find('-');
    if (dash == std::string::npos)
        return -1;
    auto find = [&](const std::string &base) {
        std::string prefix = base + ".";
        for (size_t k = 0; k < names.size(); ++k)
            if (names[k].compare(0, prefix.size(), prefix) == 0)
                return (int)k;
        return -1;
    };
    int i = find(n.substr(0, dash));
    if (i < 0)
        return -1;
    std::string rest = n.substr(dash + 1);
    if (rest.size() >= 4 && rest.compare(0, 3, "alt") == 0 && isdigit((unsigned char)rest[3]))
        return (i << 16) + (i << 8);
    size_t next = rest.find('-');
    int j = find(rest.substr(0, next));
    if (j < 0)
        return -256;
    int mask = 0, bits = 0;
    if (next != std::string::npos) {
        for (size_t k = next + 1; k < rest.size() && bits < 4; ++k, ++bits) {
            if (rest[k] != '0' && rest[k] != '1')
                break;
            mask = mask * 2 + (rest[k] - '0');
        }
    }
    if (bits == 4)
        return mask + (i << 16) + (j << 8);
    return (i << 16) + (j << 8);
}

void compute_surface_codes(std::vector<SurfaceType> *surfaces)
{
    std::vector<std::string> names;
    for (const SurfaceType &t : *surfaces)
        names.push_back(t.texture_file);
    for (size_t t = 0; t < surfaces->size(); ++t) {
        int32_t code = surface_code(names[t], names);
        (*surfaces)[t].code = code == -1 ? (int32_t)((t << 16) + (t << 8)) : code;
    }
}

float surface_friction(const SurfaceType &s, float v)
{
    int k = 0;
    while (k < SURFACE_POINTS && s.friction_speed[k] != 0 && !(v * v < s.friction_speed[k] * s.friction_speed[k]))
        ++k;
    if (k == 0)
        return s.friction[0];
    if (k == SURFACE_POINTS || s.friction_speed[k] == 0)
        return s.friction[k - 1];
    float lo = s.friction_speed[k - 1] * s.friction_speed[k - 1];
    float hi = s.friction_speed[k] * s.friction_speed[k];
    float t = (v * v - lo) / (hi - lo);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return s.friction[k - 1] + t * (s.friction[k] - s.friction[k - 1]);
}

void surface_roll_resist(const SurfaceType &s, float v, float *low, float *high)
{
    int k = 0;
    while (k < SURFACE_POINTS && s.roll_speed[k] != 0 && !(v < s.roll_speed[k]))
        ++k;
    if (k == 0 || k == SURFACE_POINTS || s.roll_speed[k] == 0) {
        int at = k == 0 ? 0 : k - 1;
        *low = s.roll_low[at];
        *high = s.roll_high[at];
        return;
    }
    float t = (v - s.roll_speed[k - 1]) / (s.roll_speed[k] - s.roll_speed[k - 1]);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    *low = s.roll_low[k - 1] + t * (s.roll_low[k] - s.roll_low[k - 1]);
    *high = s.roll_high[k - 1] + t * (s.roll_high[k] - s.roll_high[k - 1]);
}
