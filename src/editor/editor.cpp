// The editor's state, map view, keys, panel clicks, undo ring and files.
#include "editor/editor.h"

#include "files/game_file.h"
#include "platform/messages.h"
#include "render/model.h"
#include "render/terrain_render.h"
#include "track/objects.h"
#include "track/terrain.h"
#include "track/track.h"
#include "track/track_list.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

const char *const tool_labels[EDITOR_TOOLS] = {"Raise",
                                               "Lower",
                                               "Smooth",
                                               "Smudge",
                                               "Snap",
                                               "Gradient Linear Paint",
                                               "Gradient Linear Add",
                                               "Gradient Radial Paint",
                                               "Gradient Radial Add",
                                               "Gradient Placement",
                                               "Gradient Edit",
                                               "Timing Gate",
                                               "Billboards",
                                               "Statues",
                                               "Tilemap Edit",
                                               "Decals"};

void slider_item(MenuItem *item, const char *label, double value, double step, double lo, double hi)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_SLIDER;
    item->value = value, item->step = step, item->minimum = lo, item->maximum = hi;
}

void choice_item(MenuItem *item, const char *label, std::vector<std::string> names, int index)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_CHOICE;
    item->names = std::move(names);
    item->index = index;
}

// The plain surface types from type 0 on: those whose transition code
// names themselves as both corners.
int plain_types(const Terrain &t)
{
    int n = 0;
    for (const SurfaceType &s : t.surfaces) {
        int base = (s.code >> 16) & 0xff, other = (s.code >> 8) & 0xff;
        if (base != n || other != n)
            break;
        ++n;
    }
    return std::max(n, 1);
}

} // namespace

int edinfo_read(std::vector<Gradient> *gradients, GameFile *f)
{
    int current = -1;
    char line[1024];
    while (gf_gets(f, line, sizeof line)) {
        const char *p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        float a, b, c, d;
        int kind;
        if (strncmp(p, "add_gradient", 12) == 0 && (p[12] == ' ' || p[12] == '\n' || !p[12])) {
            Gradient g;
            if (sscanf(p + 12, "%f %f %f %f", &a, &b, &c, &d) == 4 && std::isfinite(a + b + c + d)) {
                g.start[0] = a, g.start[1] = b, g.end[0] = c, g.end[1] = d;
                gradients->push_back(g);
                current = (int)gradients->size() - 1;
            }
        } else if (strncmp(p, "add_point", 9) == 0 && current >= 0) {
            Gradient &g = (*gradients)[current];
            // Points must keep the profile in order: t from 0, ascending.
            if (sscanf(p + 9, "%d %f %f", &kind, &a, &b) == 3 && std::isfinite(a) && std::isfinite(b) &&
                (g.t.empty() ? a == 0 : a > g.t.back())) {
                g.t.push_back(a), g.v.push_back(b), g.kind.push_back(kind == 1 ? 1 : 0);
            }
        }
    }
    return current;
}

namespace
{

bool write_edinfo(const Editor &e)
{
    std::string name = track_file(e.track->folder, "edinfo");
    GameFile *f = gf_open_new(name.c_str());
    if (!f) {
        show_message("Can't open 'edinfo'\n");
        return false;
    }
    for (const Gradient &g : e.gradients) {
        gf_printf(f, "add_gradient %f %f %f %f\n", g.start[0], g.start[1], g.end[0], g.end[1]);
        for (size_t i = 0; i < g.t.size(); ++i)
            gf_printf(f, "add_point %d %f %f\n", g.kind[i], g.t[i], g.v[i]);
    }
    if (!gf_replace(f, name.c_str())) {
        show_message("Can't open 'edinfo'\n");
        return false;
    }
    return true;
}

bool panel_inside(const Editor &e, int item)
{
    const int *r = e.panel_rect[item];
    return r[2] > r[0] && e.pointer[0] > r[0] && e.pointer[0] < r[2] && e.pointer[1] > r[1] && e.pointer[1] < r[3];
}

int hovered_item(const Editor &e)
{
    for (int i = 0; i < EDITOR_ITEMS; ++i)
        if (panel_inside(e, i))
            return i;
    return -1;
}

void select_tool(Editor *e, int tool)
{
    if (tool != e->tool && e->dirty)
        editor_commit(e);
    e->tool = tool;
    e->drag = 0;
}

// A click or key on a panel item.
void panel_act(Editor *e, int item, int code, const MenuKeys &k)
{
    if (item < EDITOR_TOOLS) {
        select_tool(e, item);
        return;
    }
    MenuItem &m = e->items[item];
    switch (item) {
    case ITEM_SAVE:
        editor_save(e);
        return;
    case ITEM_NEW_GRADIENT: {
        float E = e->track->terrain.extent;
        Gradient g;
        g.start[0] = E / 2, g.start[1] = E / 2, g.end[0] = 0.5625f * E, g.end[1] = E / 2;
        gradient_flatten(&g);
        e->gradients.push_back(g);
        e->gradient = (int)e->gradients.size() - 1;
        e->point = -1;
        return;
    }
    case ITEM_SET_FROM_TERRAIN:
        gradient_from_terrain(e);
        return;
    case ITEM_FLATTEN:
        if (e->gradient >= 0)
            gradient_flatten(&e->gradients[e->gradient]);
        e->point = -1;
        return;
    default:
        break;
    }
    if (m.kind == ITEM_CHOICE) {
        int n = std::max((int)m.names.size(), 1);
        m.index = code == k.left ? (m.index + n - 1) % n : (m.index + 1) % n;
        if (item == ITEM_SEGMENT_TYPE && e->gradient >= 0 && e->point >= 0) {
            Gradient &g = e->gradients[e->gradient];
            if (e->point < (int)g.kind.size())
                g.kind[e->point] = (unsigned char)m.index;
        }
    } else if (m.kind == ITEM_SLIDER) {
        const int *r = e->panel_rect[item];
        double v = m.value;
        if (code == k.left)
            v -= m.step;
        else if (code == k.right)
            v += m.step;
        else if (r[2] > r[0]) {
            // The slider's bar is the right half of its line.
            float left = r[0] + (r[2] - r[0]) * 0.5f, right = (float)r[2];
            double f = std::clamp((e->pointer[0] - left) / (right - left), 0.0f, 1.0f);
            v = std::floor(f * (m.maximum - m.minimum) / m.step + 0.5) * m.step + m.minimum;
        }
        m.value = std::clamp(v, m.minimum, m.maximum);
        if (item == ITEM_HEIGHT && e->billboard >= 0) {
            Billboard &b = e->track->objects.billboards[e->billboard];
            b.offset = (float)m.value;
            b.y = terrain_height(e->track->terrain, b.x, b.z) + b.offset;
        }
    }
}

} // namespace

// A POV-Ray identifier from a file name: no "@", the last "/" on, no
// extension, letters and digits only, never starting with a digit.
std::string pov_identifier(const std::string &name)
{
    std::string s = name[0] == '@' ? name.substr(1) : name;
    size_t slash = s.rfind('/');
    if (slash != std::string::npos)
        s = s.substr(slash);
    size_t dot = s.rfind('.');
    if (dot != std::string::npos)
        s = s.substr(0, dot);
    for (char &c : s)
        if (!isalnum((unsigned char)c))
            c = '_';
    if (!s.empty() && isdigit((unsigned char)s[0]))
        s = "_" + s;
    return s;
}

void editor_open(Editor *e, Track *track)
{
    editor_close(e);
    e->track = track;
    e->serial = track->serial;
    ++e->revision; // a new ground for the map, even on the same track object
    Terrain &t = track->terrain;
    e->message = "OK";
    e->centre[0] = e->centre[1] = t.extent / 2;
    e->reference = t.heights;
    e->undo_index = e->undo_count = 0;
    e->dirty = false;
    e->tool = TOOL_RAISE;
    e->gradient = e->point = -1;
    e->billboard = e->placed = e->checkpoint = e->statue = e->decal = -1;
    e->button = 0;
    e->gradients.clear();
    for (int i = 0; i < EDITOR_TOOLS; ++i) {
        e->items[i] = MenuItem();
        e->items[i].label = tool_labels[i];
    }
    choice_item(&e->items[ITEM_SUBMODE], "SubMode", {"Assign", "Raise Only", "Lower Only"}, 0);
    e->items[ITEM_SAVE].label = "Save";
    slider_item(&e->items[ITEM_ZOOM], "Zoom", 1, 0.125, -2, 8);
    slider_item(&e->items[ITEM_STRENGTH], "Strength", 8, 0.25, 0, 16);
    slider_item(&e->items[ITEM_FOCUS], "Focus", 0.5, 0.03125, 0, 1);
    slider_item(&e->items[ITEM_RADIUS], "Radius", 64, 1, 1, 64);
    slider_item(&e->items[ITEM_BILLBOARD_SPACING], "Spacing", 1, 0.25, 0.25, 1000);
    slider_item(&e->items[ITEM_HEIGHT], "Height", 0, 0.25, -50, 50);
    e->items[ITEM_NEW_GRADIENT].label = "New Gradient";
    choice_item(&e->items[ITEM_SEGMENT_TYPE], "Segment Type", {"Line", "Curve"}, 0);
    slider_item(&e->items[ITEM_GRANULARITY], "Granularity", 0, 0.0625, 0, 1);
    e->items[ITEM_SET_FROM_TERRAIN].label = "Set From Terrain";
    e->items[ITEM_FLATTEN].label = "Flatten";
    slider_item(&e->items[ITEM_TILE], "Tile", 0, 1, 0, plain_types(t) - 1);
    slider_item(&e->items[ITEM_DECAL_SPACING], "Spacing", 0.75, 0.0625, 0.25, 1000);
    choice_item(&e->items[ITEM_ORIENTATION], "Orientation", {"Copy", "Random", "Flow", "Flow2", "Uphill"}, 2);
    editor_commit(e);
    if (GameFile *f = gf_open(track_file(track->folder, "edinfo").c_str(), "rb")) {
        e->gradient = edinfo_read(&e->gradients, f);
        gf_close(f);
    }
}

void editor_close(Editor *e)
{
    e->track = nullptr;
    e->reference.clear();
    for (int i = 0; i < UNDO_LEVELS; ++i) {
        e->undo_heights[i].clear();
        e->undo_shading[i].clear();
    }
    e->gradients.clear();
}

bool editor_is_open(const Editor &e, const Track *track)
{
    return e.track == track && track && e.serial == track->serial && !e.reference.empty() &&
           e.reference.size() == track->terrain.heights.size();
}

void editor_commit(Editor *e)
{
    const Terrain &t = e->track->terrain;
    e->reference = t.heights;
    e->undo_heights[e->undo_index] = t.heights;
    e->undo_shading[e->undo_index] = t.shading;
    e->undo_index = (e->undo_index + 1) % UNDO_LEVELS;
    e->undo_count = std::min(e->undo_count + 1, (int)UNDO_LEVELS);
    e->dirty = false;
}

bool editor_undo(Editor *e)
{
    e->message = "OK";
    if (e->dirty)
        editor_commit(e);
    if (e->undo_count < 2) {
        e->message = "No more undo levels!";
        return false;
    }
    --e->undo_count;
    e->undo_index = (e->undo_index + UNDO_LEVELS - 1) % UNDO_LEVELS;
    int slot = (e->undo_index + UNDO_LEVELS - 1) % UNDO_LEVELS;
    Terrain &t = e->track->terrain;
    t.heights = e->undo_heights[slot];
    t.shading = e->undo_shading[slot];
    e->reference = t.heights;
    t.modified = true;
    ++e->revision;
    e->message = "Undo!";
    return true;
}

bool editor_save(Editor *e)
{
    Track &track = *e->track;
    bool ok = save_billboards(track) && save_timing_gates(track) && save_terrain(&track.terrain, track.folder) &&
              save_statues(track) && write_edinfo(*e);
    e->message = ok ? "Saved!" : "Save failed!";
    return ok;
}

bool editor_export_pov(Editor *e)
{
    const Track &track = *e->track;
    std::string name = track_file(track.folder, "track.pov");
    GameFile *f = gf_open_new(name.c_str());
    if (!f)
        return false;
    const std::vector<Statue> &statues = track.objects.statues;
    std::vector<std::string> declared;
    for (const Statue &s : statues) {
        if (s.model_name.empty() || std::find(declared.begin(), declared.end(), s.model_name) != declared.end())
            continue;
        declared.push_back(s.model_name);
        if (Model *m = load_model(s.model_name.c_str(), false)) {
            gf_printf(f, "#declare %s = ", pov_identifier(s.model_name).c_str());
            if (!m->meshes.empty())
                export_pov_mesh(m->meshes[0], f);
            else
                gf_printf(f, "sphere { <0,0,0>, 0.001 }\n");
        } else {
            gf_printf(f, "#declare %s = sphere { <0,0,0>, 0.001 }\n", pov_identifier(s.model_name).c_str());
        }
    }
    gf_printf(f, "#declare statues = union {\n");
    for (const Statue &s : statues) {
        if (s.model_name.empty())
            continue;
        gf_printf(f, "\tobject {\n\t\t%s\n", pov_identifier(s.model_name).c_str());
        if (!s.texture_name.empty()) {
            std::string tex = s.texture_name[0] == '@' ? s.texture_name.substr(1) : s.texture_name;
            bool ppm = tex.size() > 4 && tex.compare(tex.size() - 4, 4, ".ppm") == 0;
            gf_printf(f, "\t\ttexture { uv_mapping pigment { image_map { %s \"%s\"} } scale <1,-1,1> }\n",
                      ppm ? "ppm" : "png", tex.c_str());
        }
        const float *o = s.orientation;
        gf_printf(f, "\t\tmatrix <%f,%f,%f,%f,%f,%f,%f,%f,%f,0,0,0>\n", o[0], o[3], o[6], o[1], o[4], o[7], o[2], o[5],
                  o[8]);
        gf_printf(f, "\t\ttranslate <%f,%f,%f>\n", s.x, s.y, s.z);
        gf_printf(f, "\t}\n");
    }
    gf_printf(f, "}\n");
    gf_printf(f, "#declare billboards = union {\n");
    for (const Billboard &b : track.objects.billboards) {
        if (b.texture_name.empty())
            continue;
        gf_printf(f, "object {\n\t%s()\n\ttranslate <%f,%f,%f>\n}\n", pov_identifier(b.texture_name).c_str(), b.x, b.y,
                  b.z);
    }
    gf_printf(f, "}\n");
    const Terrain &t = track.terrain;
    gf_printf(f, "#declare ground = height_field {\n\tpng \"terrain.png\"\n");
    gf_printf(f, "\tscale <1, 1, -1>\n\ttranslate <0, 0, 1>\n\tscale <%f,%f,%f>\n", t.extent,
              t.max_height - t.min_height, t.extent);
    gf_printf(f, "\ttranslate <0,%f,0>\n}\n", t.min_height);
    return gf_replace(f, name.c_str()) != 0;
}

float editor_pixel(const Editor &e)
{
    float zoom = (float)e.items[ITEM_ZOOM].value;
    return e.track->terrain.extent / (std::pow(2.0f, zoom) * (float)std::max(e.height, 1));
}

float editor_pick(const Editor &e)
{
    float zoom = (float)e.items[ITEM_ZOOM].value;
    return std::max(1.0f, 0.01f * e.track->terrain.extent / std::pow(2.0f, zoom));
}

void editor_to_world(const Editor &e, float px, float py, float *x, float *z)
{
    float span = e.track->terrain.extent / std::pow(2.0f, (float)e.items[ITEM_ZOOM].value);
    float H = (float)std::max(e.height, 1);
    *x = (px - (float)e.width / 2) / H * span + e.centre[0];
    *z = (py - H / 2) / H * span + e.centre[1];
}

bool editor_key(Editor *e, const MenuKeys &k, int code, bool pressed)
{
    if (code == '\t')
        return false;
    if (pressed && code < 256) {
        char text[32];
        if (isprint(code))
            snprintf(text, sizeof text, "Pressed 0x%02x ('%c')", code, code);
        else
            snprintf(text, sizeof text, "Pressed 0x%02x", code);
        e->message = text;
    }
    if (e->pointer_moved)
        e->hovered = hovered_item(*e);
    if (code == k.cursor_left) {
        if (!pressed) {
            if (e->button == 1)
                tool_release(e);
            e->button = 0;
            return true;
        }
        e->steps = 0;
        e->hovered = hovered_item(*e);
        if (e->hovered >= 0) {
            e->button = e->hovered + 65536;
            panel_act(e, e->hovered, code, k);
        } else {
            e->button = 1;
            tool_press(e);
        }
        return true;
    }
    if (code == k.cursor_right) {
        e->panning = pressed;
        e->last_pointer[0] = e->pointer[0], e->last_pointer[1] = e->pointer[1];
        return true;
    }
    if (!pressed)
        return false;
    if (e->hovered >= 0) {
        panel_act(e, e->hovered, code, k);
        return true;
    }
    Terrain &t = e->track->terrain;
    float step = t.extent / std::pow(2.0f, (float)e->items[ITEM_ZOOM].value) / 4;
    MenuItem &zoom = e->items[ITEM_ZOOM], &strength = e->items[ITEM_STRENGTH];
    if (code == k.left)
        e->centre[0] -= step;
    else if (code == k.right)
        e->centre[0] += step;
    else if (code == k.up)
        e->centre[1] -= step;
    else if (code == k.down)
        e->centre[1] += step;
    else if (code == '=')
        zoom.value += 0.5;
    else if (code == '-')
        zoom.value = std::max(zoom.value - 0.5, -2.0);
    else if (code == ']')
        strength.value = std::clamp(strength.value * 2, 0.0, (double)t.extent);
    else if (code == '[')
        strength.value = std::clamp(strength.value / 2, 0.0, (double)t.extent);
    else if (code == 's')
        editor_save(e);
    else if (code == 'p') {
        editor_export_pov(e);
        e->message = "Pov!";
    } else if (code == 'u') {
        e->message = "OK";
        if (e->dirty)
            editor_commit(e);
    } else if (code == 8)
        editor_undo(e);
    else if (code == 'f') {
        if (e->gradient >= 0)
            gradient_flatten(&e->gradients[e->gradient]);
        e->point = -1;
    } else if (code >= '1' && code <= '9') {
        static const int tools[9] = {TOOL_SMOOTH,       TOOL_SNAP,       TOOL_LINEAR_PAINT,       TOOL_LINEAR_ADD,
                                     TOOL_RADIAL_PAINT, TOOL_RADIAL_ADD, TOOL_GRADIENT_PLACEMENT, TOOL_GRADIENT_EDIT,
                                     TOOL_TIMING_GATE};
        select_tool(e, tools[code - '1']);
    } else
        return tool_key(e, code);
    return true;
}

void editor_step(Editor *e)
{
    if (e->pointer_moved)
        e->hovered = hovered_item(*e);
    if (e->panning) {
        float F = editor_pixel(*e);
        e->centre[0] += (e->last_pointer[0] - e->pointer[0]) * F;
        e->centre[1] += (e->last_pointer[1] - e->pointer[1]) * F;
        e->last_pointer[0] = e->pointer[0], e->last_pointer[1] = e->pointer[1];
    }
    if (e->button >= 65536) {
        // A slider follows the pointer while the button is held on it.
        int item = e->button - 65536;
        if (e->items[item].kind == ITEM_SLIDER && e->pointer_moved)
            panel_act(e, item, MENU_MOUSE_DRAG, MenuKeys());
    } else if (e->button == 1) {
        tool_step(e);
        ++e->steps;
    }
    e->pointer_moved = false;
}
