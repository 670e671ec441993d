// The "flaggers" and "lighting" files.
#include "files/file_numbers.h"
#include "files/game_file.h"
#include "files/texture.h"
#include "platform/messages.h"
#include "track/objects.h"
#include "track/track.h"
#include "track/track_list.h"

#include <cmath>
#include <cstring>

namespace
{

bool read_name(GameFile *f, char name[1024])
{
    return gf_scanf(f, " %1023s ", name) == 1;
}

} // namespace

void load_flaggers(Track *track, const std::string &folder)
{
    Flaggers &fl = track->objects.flaggers;
    fl = Flaggers();
    GameFile *f = gf_open(track_file(folder, "flaggers").c_str(), "rb");
    if (!f)
        return;
    char name[1024];
    float size, aspect;
    StartFlagger &s = fl.start;
    if (gf_scanf(f, " [ %f %f %f ] [ %f %f %f ] %f %f %f ", &s.a[0], &s.a[1], &s.a[2], &s.b[0], &s.b[1], &s.b[2], &size,
                 &aspect, &s.walk_time) != 9 ||
        !read_name(f, name) || !billboard_numbers_ok(s.a[0], s.a[1], s.a[2], size, aspect) ||
        !file_position_ok(s.b[0], s.b[1], s.b[2]) || !file_number_in(s.walk_time, 0, 1e6)) {
        fl.start = StartFlagger();
        goto done;
    }
    s.billboard = add_billboard(track, s.a[0], s.a[1], s.a[2], size, aspect, name);
    s.pictures[0] = track->objects.billboards[s.billboard].texture;
    for (int k = 1; k < 5; ++k) {
        if (!read_name(f, name))
            goto done;
        s.pictures[k] = load_texture(data_file_name(name).c_str());
    }
    {
        FinishFlagger &e = fl.finish;
        float x, y, z;
        if (gf_scanf(f, " [ %f %f %f ] %f %f ", &x, &y, &z, &size, &aspect) != 5 || !read_name(f, name) ||
            !billboard_numbers_ok(x, y, z, size, aspect))
            goto done;
        e.billboard = add_billboard(track, x, y, z, size, aspect, name);
        e.pictures[0] = track->objects.billboards[e.billboard].texture;
        for (int k = 1; k < 4; ++k) {
            if (!read_name(f, name))
                goto done;
            e.pictures[k] = load_texture(data_file_name(name).c_str());
        }
    }
    for (;;) {
        float x, y, z;
        CourseFlagger c;
        if (gf_scanf(f, " [ %f %f %f ] %f %f %d %d %d %d", &x, &y, &z, &size, &aspect, &c.checkpoints[0],
                     &c.checkpoints[1], &c.checkpoints[2], &c.checkpoints[3]) != 9 ||
            !read_name(f, name) || !billboard_numbers_ok(x, y, z, size, aspect))
            break;
        int last = (int)track->objects.gates.checkpoints.size() - 1;
        for (int &k : c.checkpoints)
            k = k < -1 ? -1 : k > last ? last : k;
        c.billboard = add_billboard(track, x, y, z, size, aspect, name);
        c.idle = track->objects.billboards[c.billboard].texture;
        if (!read_name(f, name))
            break;
        c.warning = load_texture(data_file_name(name).c_str());
        fl.course.push_back(c);
    }
done:
    gf_close(f);
}

namespace
{

void show_picture(Billboard *b, unsigned picture, int tick)
{
    if (b->texture == picture)
        return;
    if (b->texture)
        pause_animation(b->texture);
    if (picture)
        start_animation(picture, tick);
    b->texture = picture;
}

} // namespace

void update_flaggers(const Track &track, const FlaggerView &v, std::vector<Billboard> *shown)
{
    const Flaggers &fl = track.objects.flaggers;
    std::vector<Billboard> &boards = *shown;
    auto board = [&boards](int index) { return index >= 0 && index < (int)boards.size() ? &boards[index] : nullptr; };
    if (!track.objects.gates.gates.empty()) {
        if (Billboard *b = board(fl.start.billboard)) {
            const StartFlagger &s = fl.start;
            float t = v.seconds, t0 = v.start_seconds;
            float f = s.walk_time > 0 ? (t - (t0 + 1)) / s.walk_time : (t >= t0 + 1 ? 1.0f : 0.0f);
            f = f < 0 ? 0 : f > 1 ? 1 : f;
            b->x = s.a[0] + f * (s.b[0] - s.a[0]);
            b->z = s.a[2] + f * (s.b[2] - s.a[2]);
            b->y = terrain_height(track.terrain, b->x, b->z) + s.a[1] + f * (s.b[1] - s.a[1]);
            int picture = t < t0 + 0.1f ? 0 : t < t0 + 0.4f ? 1 : t < t0 + 1 ? 2 : t < t0 + 1 + s.walk_time ? 3 : 4;
            show_picture(b, s.pictures[picture], v.tick);
        }
        if (Billboard *b = board(fl.finish.billboard)) {
            int l = v.leader_laps;
            int picture = l >= v.race_laps ? 3 : l + 1 == v.race_laps ? 2 : l == v.half_lap ? 1 : 0;
            show_picture(b, fl.finish.pictures[picture], v.tick);
        }
    }
    for (const CourseFlagger &c : fl.course) {
        bool warn = false;
        for (int k : c.checkpoints)
            warn = warn || (k >= 0 && k < (int)v.marked.size() && v.marked[(size_t)k]);
        if (Billboard *b = board(c.billboard))
            show_picture(b, warn ? c.warning : c.idle, v.tick);
    }
}

void load_lighting(Track *track, const std::string &folder)
{
    Lighting &l = track->objects.lighting;
    l = Lighting();
    GameFile *f = gf_open(track_file(folder, "lighting").c_str(), "rb");
    if (!f)
        return;
    static const char *const sky_keys[5] = {"sky_n", "sky_e", "sky_s", "sky_w", "sky_u"};
    static const char *const sky_defaults[5] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm", "@sky-w.ppm", "@sky-u.ppm"};
    LensFlare flare = {};
    char line[1024];
    while (gf_gets(f, line, sizeof line)) {
        char *p = line + strspn(line, " \t");
        size_t word_len = strcspn(p, " \t\r\n");
        if (word_len == 0)
            continue;
        std::string key(p, word_len);
        char *arg = p + word_len;
        arg += strspn(arg, " \t");
        arg[strcspn(arg, "\r\n")] = '\0';
        float v[4];
        // A vector of the file, when all three numbers are within reach.
        auto read3 = [&]() {
            return sscanf(arg, " [ %f %f %f ] ", &v[0], &v[1], &v[2]) == 3 && file_position_ok(v[0], v[1], v[2]);
        };
        auto vector3 = [&](float out[3]) {
            if (read3())
                memcpy(out, v, sizeof(float) * 3);
        };
        bool sky = false;
        for (int k = 0; k < 5; ++k)
            if (key == sky_keys[k]) {
                l.sky[k] = load_texture(data_file_name(arg).c_str());
                sky = true;
            }
        if (sky)
            continue;
        if (key == "sun_vector") {
            vector3(l.sun_vector);
        } else if (key == "sun_color") {
            vector3(l.sun_colour);
        } else if (key == "ambient") {
            vector3(l.ambient);
        } else if (key == "global_ambient") {
            vector3(l.global_ambient);
        } else if (key == "sky_env") {
            l.environment = load_texture(data_file_name(arg).c_str());
        } else if (key == "flare_element") {
            FlareElement e;
            char name[1024] = "";
            if (flare.count < FLARE_ELEMENTS &&
                sscanf(arg, " [ %f %f ] [ %f %f %f ] %f %1023s", &e.across, &e.along, &e.colour[0], &e.colour[1],
                       &e.colour[2], &e.size, name) >= 7 &&
                file_position_ok(e.across, e.along, e.size) &&
                file_position_ok(e.colour[0], e.colour[1], e.colour[2])) {
                e.texture = load_texture(data_file_name(name).c_str());
                flare.elements[flare.count++] = e;
            }
        } else if (key == "flare_point" || key == "flare_vector") {
            if (read3()) {
                memcpy(flare.position, v, sizeof(float) * 3);
                flare.kind = key == "flare_point" ? FLARE_POINT : FLARE_VECTOR;
                l.flares.push_back(flare);
                flare = LensFlare();
            }
        } else if (key == "fog") {
            if (sscanf(arg, " [ %f %f %f ] %f ", &v[0], &v[1], &v[2], &v[3]) == 4 &&
                file_position_ok(v[0], v[1], v[2]) && file_number_in(v[3], 0, 100)) {
                memcpy(l.fog_colour, v, sizeof(float) * 3);
                l.fog_density = v[3];
            }
        } else {
            show_messagef("Error reading lighting: Unknown identifier '%.950s'\n", key.c_str());
            break;
        }
    }
    gf_close(f);
    float n = std::sqrt(l.sun_vector[0] * l.sun_vector[0] + l.sun_vector[1] * l.sun_vector[1] +
                        l.sun_vector[2] * l.sun_vector[2]);
    if (n > 0)
        for (float &c : l.sun_vector)
            c /= n;
    for (int k = 0; k < 5; ++k)
        if (!l.sky[k])
            l.sky[k] = load_texture(sky_defaults[k]);
    if (!l.environment)
        l.environment = load_texture("@sky-env.ppm");
}
