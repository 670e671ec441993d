// Drawing the editor: the ground seen from straight above as the race
// draws it (painted tiles, decals and shading), the objects and the current
// tool's overlays, and the panel down the left side.
#include "editor/editor.h"

#include "render/gl_caps.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/statues.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "track/objects.h"
#include "track/terrain.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

unsigned contour_texture = 0;
const Track *contour_track = nullptr;
int contour_revision = -1; // the editor's ground revision the contours show

// The ground's height as contour lines over it: a dark line every two
// feet of height, clear elsewhere.
void update_contours(const Terrain &t)
{
    int P = t.points_per_side;
    if (contour_texture == 0)
        glGenTextures(1, &contour_texture);
    std::vector<unsigned char> pixels((size_t)P * P * 2, 0);
    for (int j = 0; j + 1 < P; ++j)
        for (int i = 0; i + 1 < P; ++i) {
            size_t k = (size_t)j * P + i;
            int a = (int)std::floor(t.heights[k] / 2), b = (int)std::floor(t.heights[k + 1] / 2),
                c = (int)std::floor(t.heights[k + P] / 2);
            pixels[k * 2 + 1] = a != b || a != c ? 90 : 0;
        }
    glBindTexture(GL_TEXTURE_2D, contour_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, P, P, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void text_line(float x, float y, float size, const char *text, float r = 0.95f, float g = 0.95f, float b = 0.95f)
{
    text_draw_box(x, y, size, r, g, b, 1, text);
}

void quad(float l, float t, float r, float b, float cr, float cg, float cb, float ca)
{
    pixel_rect(l, t, r, b, cr, cg, cb, ca);
}

// World (x, z) to window pixels.
struct MapView {
    float scale, cx, cz, w, h;
    float px(float x) const { return (x - cx) * scale + w / 2; }
    float py(float z) const { return (z - cz) * scale + h / 2; }
};

void circle(const MapView &v, float x, float z, float radius, int segments = 32)
{
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < segments; ++k) {
        float a = 2 * 3.14159265f * (float)k / (float)segments;
        glVertex2f(v.px(x + std::cos(a) * radius), v.py(z + std::sin(a) * radius));
    }
    glEnd();
}

void draw_objects(const Editor &e, const MapView &v)
{
    const Track &track = *e.track;
    float pick = editor_pick(e);
    glDisable(GL_TEXTURE_2D);
    // Timing gates: the gate line across the direction, and the handle.
    const std::vector<Checkpoint> &gates = track.objects.gates.checkpoints;
    for (size_t k = 0; k < gates.size(); ++k) {
        const Checkpoint &c = gates[k];
        float dx = c.direction[0], dz = c.direction[2], d = std::sqrt(dx * dx + dz * dz);
        if (d <= 0)
            continue;
        dx /= d, dz /= d;
        bool selected = (int)k == e.checkpoint && e.tool == TOOL_TIMING_GATE;
        glColor4f(selected ? 1.0f : 0.2f, 0.9f, 1.0f, 1);
        glBegin(GL_LINES);
        glVertex2f(v.px(c.centre[0] - dz * c.radius), v.py(c.centre[2] + dx * c.radius));
        glVertex2f(v.px(c.centre[0] + dz * c.radius), v.py(c.centre[2] - dx * c.radius));
        glVertex2f(v.px(c.centre[0]), v.py(c.centre[2]));
        glVertex2f(v.px(c.centre[0] + dx * c.radius), v.py(c.centre[2] + dz * c.radius));
        glEnd();
        if (e.tool == TOOL_TIMING_GATE) {
            circle(v, c.centre[0], c.centre[2], pick / 2, 12);
            circle(v, c.centre[0] + dx * c.radius, c.centre[2] + dz * c.radius, pick / 2, 12);
        }
    }
    // Statues: a dot, and with their tool a handle showing the heading.
    for (size_t k = 0; k < track.objects.statues.size(); ++k) {
        const Statue &s = track.objects.statues[k];
        bool selected = (int)k == e.statue;
        glColor4f(1, selected ? 1.0f : 0.5f, 0.1f, 1);
        glPointSize(selected ? 7 : 4);
        glBegin(GL_POINTS);
        glVertex2f(v.px(s.x), v.py(s.z));
        glEnd();
        if (e.tool == TOOL_STATUES) {
            float hx = s.x - std::sin(s.angle) * 4 * pick, hz = s.z - std::cos(s.angle) * 4 * pick;
            glBegin(GL_LINES);
            glVertex2f(v.px(s.x), v.py(s.z));
            glVertex2f(v.px(hx), v.py(hz));
            glEnd();
            circle(v, hx, hz, pick / 2, 10);
        }
    }
    // Billboards of the track's own.
    if (e.tool == TOOL_BILLBOARDS) {
        glPointSize(3);
        glBegin(GL_POINTS);
        for (size_t k = track.objects.first_track_billboard; k < track.objects.billboards.size(); ++k) {
            const Billboard &b = track.objects.billboards[k];
            glColor4f((int)k == e.billboard ? 1.0f : 0.3f, 1, 0.3f, 1);
            glVertex2f(v.px(b.x), v.py(b.z));
        }
        glEnd();
    }
    // Gradients and the current one's profile.
    for (size_t k = 0; k < e.gradients.size(); ++k) {
        const Gradient &g = e.gradients[k];
        bool current = (int)k == e.gradient;
        if (e.tool != TOOL_GRADIENT_PLACEMENT &&
            !(current && e.tool >= TOOL_LINEAR_PAINT && e.tool <= TOOL_GRADIENT_EDIT))
            continue;
        glColor4f(current ? 1.0f : 0.6f, current ? 0.9f : 0.6f, 0.2f, 1);
        glBegin(GL_LINES);
        glVertex2f(v.px(g.start[0]), v.py(g.start[1]));
        glVertex2f(v.px(g.end[0]), v.py(g.end[1]));
        glEnd();
        circle(v, g.start[0], g.start[1], pick / 2, 12);
        circle(v, g.end[0], g.end[1], pick / 2, 12);
    }
    if (e.tool == TOOL_GRADIENT_EDIT && e.gradient >= 0) {
        const Gradient &g = e.gradients[e.gradient];
        float len = g.t.empty() ? 0 : g.t.back();
        glEnable(GL_BLEND);
        quad(v.px(g.start[0]), v.py(g.start[1] - 100), v.px(g.start[0] + len), v.py(g.start[1]), 1, 1, 1, 0.25f);
        glColor4f(1, 1, 1, 0.3f);
        glBegin(GL_LINES);
        for (float t = 0; t <= len; t += 10) {
            glVertex2f(v.px(g.start[0] + t), v.py(g.start[1]));
            glVertex2f(v.px(g.start[0] + t), v.py(g.start[1] - 100));
        }
        for (float h = 0; h <= 100; h += 10) {
            glVertex2f(v.px(g.start[0]), v.py(g.start[1] - h));
            glVertex2f(v.px(g.start[0] + len), v.py(g.start[1] - h));
        }
        glEnd();
        glColor4f(1, 0.9f, 0.2f, 1);
        glBegin(GL_LINE_STRIP);
        for (float t = 0; t <= len; t += std::max(len / 200, 0.01f))
            glVertex2f(v.px(g.start[0] + t), v.py(g.start[1] - gradient_value(g, t)));
        glEnd();
        for (size_t i = 0; i < g.t.size(); ++i)
            circle(v, g.start[0] + g.t[i], g.start[1] - g.v[i], pick / 2, 10);
    }
    // Decals, with their tool: the centre and the handle that turns it.
    const std::vector<Decal> &decals = track.terrain.decals;
    if (e.tool == TOOL_DECALS)
        for (size_t k = 0; k < decals.size(); ++k) {
            const Decal &d = decals[k];
            float hx = d.x - d.sin * 4 * pick, hz = d.z - d.cos * 4 * pick;
            glColor4f(1, (int)k == e.decal ? 1.0f : 0.6f, (int)k == e.decal ? 0.3f : 1.0f, 1);
            circle(v, d.x, d.z, pick / 2, 12);
            glBegin(GL_LINES);
            glVertex2f(v.px(d.x), v.py(d.z));
            glVertex2f(v.px(hx), v.py(hz));
            glEnd();
            circle(v, hx, hz, pick / 2, 10);
        }
    // The Snap tool's block under the pointer.
    int i0, j0, i1, j1, size;
    if (e.tool == TOOL_SNAP && snap_block(e, &i0, &j0, &i1, &j1, &size)) {
        float L = track.terrain.spacing;
        glColor4f(1, 1, 1, 0.8f);
        glBegin(GL_LINE_LOOP);
        glVertex2f(v.px(i0 * L), v.py(j0 * L));
        glVertex2f(v.px(i1 * L), v.py(j0 * L));
        glVertex2f(v.px(i1 * L), v.py(j1 * L));
        glVertex2f(v.px(i0 * L), v.py(j1 * L));
        glEnd();
    }
    // The brush under the pointer.
    float x, z;
    editor_to_world(e, e.pointer[0], e.pointer[1], &x, &z);
    if (e.tool <= TOOL_RADIAL_ADD || e.tool == TOOL_TILEMAP) {
        float F = editor_pixel(e), Ro = (float)e.items[ITEM_RADIUS].value * F;
        glColor4f(1, 1, 1, 0.8f);
        circle(v, x, z, Ro);
        if (e.tool != TOOL_TILEMAP)
            circle(v, x, z, Ro * (float)e.items[ITEM_FOCUS].value);
    }
}

} // namespace

namespace
{

// The statues' models from above, in flat light, relative to the eye the
// ground was drawn from (the model-view holds the view from above).
void draw_map_statues(const Editor &e, const float eye[3])
{
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1}, up[4] = {0, 1, 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, up);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.75f);
    draw_statues(e.track->objects.statues, statue_looks(), eye, 100, 1, 0, 0);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
}

// The ground from straight above through the ground renderer, refined
// around the pointer: only the coarsest ground textures (a whole track's
// worth at once), but the configured ones with the Decals tool, which
// paints more of them each frame.
void draw_ground(const Editor &e, const MapView &v, int width, int height)
{
    const Terrain &t = e.track->terrain;
    float eye[3];
    editor_to_world(e, e.pointer[0], e.pointer[1], &eye[0], &eye[2]);
    eye[1] = terrain_height(t, eye[0], eye[2]);
    int finest = ground.textures.finest;
    bool decals = e.tool == TOOL_DECALS;
    if (!decals)
        ground.textures.finest = GROUND_COARSE_LEVEL;
    for (int k = 0; k < (decals ? 4 : 1); ++k)
        terrain_paint(eye);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    float X = view_extents.x, Y = view_extents.y;
    glOrtho(-X, X, -Y, Y, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // Looking straight down, the screen's downward direction world +z; the
    // ground is drawn relative to the eye, which is put back at the view
    // centre.
    float s = 2 * Y * v.scale / (float)height;
    glRotatef(90, 1, 0, 0);
    glScalef(s, s, s);
    glTranslatef(eye[0] - v.cx, eye[1], eye[2] - v.cz);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    const float down[3] = {0, -1, 0};
    terrain_draw(eye, down);
    draw_map_statues(e, eye);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    ground.textures.finest = finest;
}

} // namespace

float editor_panel_width(int height)
{
    return std::max(12.0f, (float)height / 48) * 17;
}

void editor_draw(Editor *e, int width, int height)
{
    e->width = width, e->height = height;
    const Terrain &t = e->track->terrain;
    if (t.heights.empty())
        return;
    MapView v;
    float span = t.extent / std::pow(2.0f, (float)e->items[ITEM_ZOOM].value);
    v.scale = (float)height / span, v.cx = e->centre[0], v.cz = e->centre[1], v.w = (float)width, v.h = (float)height;
    glClearColor(0.1f, 0.1f, 0.12f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_ground(*e, v, width, height);
    begin_pixel_drawing(width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Made again only when the ground changed, not compared every frame.
    if (contour_track != e->track || contour_revision != e->revision || contour_texture == 0) {
        update_contours(t);
        contour_track = e->track;
        contour_revision = e->revision;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, contour_texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    float E = t.spacing * (float)(t.points_per_side - 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(v.px(0), v.py(0));
    glTexCoord2f(1, 0), glVertex2f(v.px(E), v.py(0));
    glTexCoord2f(1, 1), glVertex2f(v.px(E), v.py(E));
    glTexCoord2f(0, 1), glVertex2f(v.px(0), v.py(E));
    glEnd();
    glDisable(GL_TEXTURE_2D);
    draw_objects(*e, v);

    // The panel: one item a line down the left side.
    font_select(&text_font);
    float line = std::max(12.0f, (float)height / 48), y = line * 0.5f, x = line * 0.5f, w = line * 16;
    quad(0, 0, editor_panel_width(height), (float)height, 0, 0, 0, 0.55f);
    for (int k = 0; k < EDITOR_ITEMS; ++k)
        std::fill(e->panel_rect[k], e->panel_rect[k] + 4, 0);
    auto item_line = [&](int k) {
        const MenuItem &m = e->items[k];
        bool selected = k == e->tool && k < EDITOR_TOOLS, hovered = k == e->hovered;
        if (selected || hovered)
            quad(x - 2, y - 1, x + w, y + line + 1, 1, 1, 1, selected ? 0.35f : 0.15f);
        char text[160];
        if (m.kind == ITEM_SLIDER && m.maximum > m.minimum && k >= EDITOR_TOOLS) {
            snprintf(text, sizeof text, "%s: %.3g", m.label, m.value);
            // The slider's bar in the right half of the line.
            float left = x + w * 0.5f, f = (float)((m.value - m.minimum) / std::max(m.maximum - m.minimum, 1e-9));
            quad(left, y + line * 0.3f, left + (x + w - left) * std::clamp(f, 0.0f, 1.0f), y + line * 0.7f, 0.8f, 0.8f,
                 0.3f, 0.9f);
        } else if (m.kind == ITEM_CHOICE && k >= EDITOR_TOOLS) {
            snprintf(text, sizeof text, "%s: %s", m.label, choice_name(m));
        } else {
            snprintf(text, sizeof text, "%s", m.label);
        }
        text_line(x, y, line * 0.8f, text);
        e->panel_rect[k][0] = (int)x, e->panel_rect[k][1] = (int)y;
        e->panel_rect[k][2] = (int)(x + w), e->panel_rect[k][3] = (int)(y + line);
        y += line;
    };
    char text[200];
    for (int k = 0; k < ITEM_BILLBOARD_SPACING; ++k)
        item_line(k);
    float F = editor_pixel(*e), Ro = (float)e->items[ITEM_RADIUS].value * F;
    snprintf(text, sizeof text, "Actual Radius: %.2f (%.2f)", Ro, Ro * (float)e->items[ITEM_FOCUS].value);
    text_line(x, y, line * 0.8f, text);
    y += line;
    switch (e->tool) {
    case TOOL_BILLBOARDS:
        item_line(ITEM_BILLBOARD_SPACING);
        item_line(ITEM_HEIGHT);
        text_line(x, y, line * 0.8f,
                  e->billboard >= 0 ? e->track->objects.billboards[e->billboard].texture_name.c_str() : "[none]");
        y += line;
        break;
    case TOOL_GRADIENT_PLACEMENT:
        item_line(ITEM_NEW_GRADIENT);
        if (e->gradient >= 0) {
            const Gradient &g = e->gradients[e->gradient];
            snprintf(text, sizeof text, "Length: %.2f",
                     std::sqrt((g.end[0] - g.start[0]) * (g.end[0] - g.start[0]) +
                               (g.end[1] - g.start[1]) * (g.end[1] - g.start[1])));
            text_line(x, y, line * 0.8f, text);
            y += line;
        }
        break;
    case TOOL_GRADIENT_EDIT:
        for (int k : {ITEM_SEGMENT_TYPE, ITEM_GRANULARITY, ITEM_SET_FROM_TERRAIN, ITEM_FLATTEN})
            item_line(k);
        if (e->gradient >= 0 && e->point >= 0 && e->point < (int)e->gradients[e->gradient].v.size()) {
            const Gradient &g = e->gradients[e->gradient];
            size_t j = (size_t)e->point;
            float slope = 0;
            if (j + 1 < g.t.size() && g.t[j + 1] > g.t[j])
                slope = (g.v[j + 1] - g.v[j]) / (g.t[j + 1] - g.t[j]);
            snprintf(text, sizeof text, "Slope: %.3f", slope);
            text_line(x, y, line * 0.8f, text);
            y += line;
            snprintf(text, sizeof text, "Height: %.2f", g.v[j]);
            text_line(x, y, line * 0.8f, text);
            y += line;
        }
        break;
    case TOOL_TILEMAP: {
        item_line(ITEM_TILE);
        int type = (int)e->items[ITEM_TILE].value;
        if (type >= 0 && type < (int)t.surfaces.size() && t.surfaces[type].texture) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, t.surfaces[type].texture);
            glColor4f(1, 1, 1, 1);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0), glVertex2f(x, y);
            glTexCoord2f(1, 0), glVertex2f(x + 4 * line, y);
            glTexCoord2f(1, 1), glVertex2f(x + 4 * line, y + 4 * line);
            glTexCoord2f(0, 1), glVertex2f(x, y + 4 * line);
            glEnd();
            glDisable(GL_TEXTURE_2D);
            y += 4 * line;
        }
        break;
    }
    case TOOL_DECALS:
        item_line(ITEM_DECAL_SPACING);
        item_line(ITEM_ORIENTATION);
        break;
    default:
        break;
    }
    float px, pz;
    editor_to_world(*e, e->pointer[0], e->pointer[1], &px, &pz);
    snprintf(text, sizeof text, "%.2f %.2f %.2f", px, terrain_height(t, px, pz), pz);
    text_line(x, y, line * 0.8f, text);
    y += line;
    text_line(x, y, line * 0.8f, e->message.c_str(), 1, 0.9f, 0.4f);
    end_pixel_drawing();
}
