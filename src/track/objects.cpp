// Billboards, statues and the statue grid.
#include "track/objects.h"

#include "files/file_numbers.h"
#include "files/game_file.h"
#include "files/texture.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/shape.h"
#include "track/track.h"
#include "track/track_list.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace
{

// Closes a file written whole and puts it in place of the old one; a file
// that could not be written whole leaves the old one and says so.
int replaced(GameFile *f, const std::string &name, const char *what)
{
    if (gf_replace(f, name.c_str()))
        return 1;
    show_messagef("Can't write '%s'", what);
    return 0;
}

// "#rrggbb#name": the colour and the rest as the texture name.
void parse_colour_prefix(const char *name, uint8_t colour[4], std::string *texture)
{
    colour[0] = colour[1] = colour[2] = colour[3] = 255;
    *texture = name ? name : "";
    if (!name || strlen(name) <= 7 || name[0] != '#' || name[7] != '#')
        return;
    for (int k = 1; k < 7; ++k)
        if (!isxdigit((unsigned char)name[k]))
            return;
    unsigned rgb = (unsigned)strtoul(std::string(name + 1, 6).c_str(), nullptr, 16);
    colour[0] = (uint8_t)(rgb >> 16);
    colour[1] = (uint8_t)(rgb >> 8);
    colour[2] = (uint8_t)rgb;
    *texture = name + 8;
}

} // namespace

bool billboard_numbers_ok(float x, float offset, float z, float size, float aspect)
{
    return file_position_ok(x, offset, z) && size > 0 && size <= 10000 && aspect > 0 && aspect <= 10000;
}

bool statue_numbers_ok(float x, float offset, float z, float angle)
{
    return file_position_ok(x, offset, z) && file_number_in(angle, -128, 128);
}

int add_billboard(Track *track, float x, float offset, float z, float size, float aspect, const char *name)
{
    Billboard b = {};
    parse_colour_prefix(name, b.colour, &b.texture_name);
    b.texture_name = data_file_name(b.texture_name);
    b.texture = b.texture_name.empty() ? 0 : load_texture(b.texture_name.c_str());
    b.x = x;
    b.z = z;
    b.offset = offset;
    b.y = terrain_height(track->terrain, x, z) + offset;
    b.size = size;
    b.aspect = aspect;
    track->objects.billboards.push_back(b);
    return (int)track->objects.billboards.size() - 1;
}

void statue_orientation(const Terrain &t, float x, float z, float a, float m[9])
{
    if (a >= 3.25f) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        memcpy(m, identity, sizeof identity);
        return;
    }
    float u[3] = {0, 1, 0};
    if (a > -2 * (float)M_PI) {
        float h = terrain_height(t, x, z);
        u[0] = -(terrain_height(t, x + 1, z) - h);
        u[2] = -(terrain_height(t, x, z + 1) - h);
    }
    auto normalise = [](float v[3]) {
        float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (n > 0)
            for (int k = 0; k < 3; ++k)
                v[k] /= n;
    };
    auto cross = [](const float p[3], const float q[3], float out[3]) {
        out[0] = p[1] * q[2] - p[2] * q[1];
        out[1] = p[2] * q[0] - p[0] * q[2];
        out[2] = p[0] * q[1] - p[1] * q[0];
    };
    normalise(u);
    float x0[3] = {std::cos(a), 0, -std::sin(a)}, zz[3], xx[3];
    cross(x0, u, zz);
    normalise(zz);
    cross(u, zz, xx);
    for (int r = 0; r < 3; ++r) {
        m[3 * r + 0] = xx[r];
        m[3 * r + 1] = u[r];
        m[3 * r + 2] = zz[r];
    }
}

int add_statue(Track *track, float x, float offset, float z, float angle, const char *model, const char *texture,
               const char *shape)
{
    Statue s;
    // "NULL" is how a statue without a model is saved.
    s.model_name = model && strcmp(model, "NULL") != 0 ? data_file_name(model) : "";
    s.texture_name = texture ? data_file_name(texture) : "";
    if (shape && strcmp(shape, "null") != 0) {
        s.shape_name = data_file_name(shape);
        s.shape = shape_load(s.shape_name.c_str());
        if (!s.shape)
            show_messagef("Warning: missing shape file %.900s", s.shape_name.c_str());
    }
    s.x = x;
    s.z = z;
    s.offset = offset;
    s.angle = angle;
    s.y = terrain_height(track->terrain, x, z) + offset;
    statue_orientation(track->terrain, x, z, angle, s.orientation);
    s.face_distance = angle >= 3.25f ? std::pow(2.0f, angle) : 0;
    track->objects.statues.push_back(std::move(s));
    return (int)track->objects.statues.size() - 1;
}

void regrind_statue(const Terrain &t, Statue *s)
{
    s->y = terrain_height(t, s->x, s->z) + s->offset;
    statue_orientation(t, s->x, s->z, s->angle, s->orientation);
}

int statue_grid_cell(float v, float extent)
{
    float cell = std::floor(((v / extent) - 0.125f) * (4.0f / 3.0f) * STATUE_GRID);
    return cell < 0 ? 0 : cell > STATUE_GRID - 1 ? STATUE_GRID - 1 : (int)cell;
}

void bin_statue(Track *track, int index)
{
    const Statue &s = track->objects.statues[index];
    if (!s.shape || track->terrain.extent <= 0)
        return;
    float r = s.shape->bounding_radius, e = track->terrain.extent;
    for (int cz = statue_grid_cell(s.z - r, e); cz <= statue_grid_cell(s.z + r, e); ++cz)
        for (int cx = statue_grid_cell(s.x - r, e); cx <= statue_grid_cell(s.x + r, e); ++cx)
            track->objects.statue_grid[cx][cz].push_back(index);
}

void rebin_statues(Track *track)
{
    for (auto &column : track->objects.statue_grid)
        for (auto &cell : column)
            cell.clear();
    for (size_t k = 0; k < track->objects.statues.size(); ++k)
        bin_statue(track, (int)k);
}

void load_billboards(Track *track, const std::string &folder)
{
    GameFile *f = gf_open(track_file(folder, "billboards").c_str(), "rb");
    if (!f)
        return;
    float x, offset, z, size, aspect;
    char name[1024];
    while (gf_scanf(f, "[ %f %f %f ] %f %f %1023s ", &x, &offset, &z, &size, &aspect, name) == 6) {
        if (billboard_numbers_ok(x, offset, z, size, aspect))
            add_billboard(track, x, offset, z, size, aspect, name);
        else
            zeph_log("Skipping billboard '%.900s' with bad numbers\n", name);
    }
    gf_close(f);
}

int save_billboards(const Track &track)
{
    std::string name = track_file(track.folder, "billboards");
    GameFile *f = gf_open_new(name.c_str());
    if (!f) {
        show_message("Can't open 'billboards'\n");
        return 0;
    }
    const auto &list = track.objects.billboards;
    for (size_t k = track.objects.first_track_billboard; k < list.size(); ++k) {
        const Billboard &b = list[k];
        if (b.texture_name.empty())
            continue;
        gf_printf(f, "[%f %f %f] %f %f ", b.x, b.offset, b.z, b.size, b.aspect);
        if (b.colour[0] == 255 && b.colour[1] == 255 && b.colour[2] == 255)
            gf_printf(f, "%s\n", b.texture_name.c_str());
        else
            gf_printf(f, "#%02x%02x%02x#%s\n", b.colour[0], b.colour[1], b.colour[2], b.texture_name.c_str());
    }
    return replaced(f, name, "billboards");
}

void load_statues(Track *track, const std::string &folder)
{
    GameFile *f = gf_open(track_file(folder, "statues").c_str(), "rb");
    if (!f)
        return;
    float x, offset, z, angle;
    char model[1024], texture[1024], shape[1024];
    while (gf_scanf(f, "[ %f %f %f ] %f %1023s %1023s %1023s ", &x, &offset, &z, &angle, model, texture, shape) == 7) {
        if (statue_numbers_ok(x, offset, z, angle))
            add_statue(track, x, offset, z, angle, model, texture, shape);
        else
            zeph_log("Skipping statue '%.900s' with bad numbers\n", model);
    }
    gf_close(f);
}

int save_statues(const Track &track)
{
    std::string name = track_file(track.folder, "statues");
    GameFile *f = gf_open_new(name.c_str());
    if (!f) {
        show_message("Can't open 'statues'\n");
        return 0;
    }
    const auto &list = track.objects.statues;
    for (size_t k = track.objects.first_track_statue; k < list.size(); ++k) {
        const Statue &s = list[k];
        if (s.texture_name.empty())
            continue;
        gf_printf(f, "[%f %f %f] %f %s %s %s\n", s.x, s.offset, s.z, s.angle,
                  s.model_name.empty() ? "NULL" : s.model_name.c_str(), s.texture_name.c_str(),
                  s.shape_name.empty() ? "null" : s.shape_name.c_str());
    }
    return replaced(f, name, "statues");
}
