#include "render/hud.h"

#include "files/texture.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "race/race.h"
#include "render/billboards.h"
#include "render/gl_caps.h"
#include "render/material.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/shaders.h"
#include "render/terrain_render.h"
#include "render/text.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// A textured rectangle on z = -1 with texture rows top..bottom.
void picture(unsigned texture, float left, float bottom, float right, float top, float s0 = 0, float t0 = 0,
             float s1 = 1, float t1 = 1)
{
    if (!texture)
        return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t1);
    glVertex2f(left, bottom);
    glTexCoord2f(s1, t1);
    glVertex2f(right, bottom);
    glTexCoord2f(s1, t0);
    glVertex2f(right, top);
    glTexCoord2f(s0, t0);
    glVertex2f(left, top);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void draw_tach(const Rider *r, float x, float y)
{
    float radius = 0.2334025f * y;
    glPushMatrix();
    glTranslatef(x - radius, -y + radius, -1);
    glScalef(radius, radius, 1);
    picture(load_texture("!@tach.png"), -1, -1, 1, 1);
    int column, row;
    shifter_cell(r->gear, &column, &row);
    const float side = 1.0f / 3; // half of 2/3 of the radius
    picture(load_texture("!@shifter.png"), -side, -side, side, side, column / 3.0f, row / 3.0f, (column + 1) / 3.0f,
            (row + 1) / 3.0f);
    glRotatef(-tach_needle_degrees(engine_rpm(r)), 0, 0, 1);
    glColor4f(0.75f, 0, 0, 1);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0.75f);
    glVertex2f(-0.1f, 0.25f);
    glVertex2f(0.1f, 0.25f);
    glEnd();
    glPopMatrix();
}

void draw_pitboard(const Sim &sim, int slot, float x, float y)
{
    const Rider *r = sim.race.slots[slot].rider;
    glPushMatrix();
    glTranslatef(-x, -y, -1);
    float scale = 0.6227179f * y;
    glScalef(scale, scale, 1);
    picture(load_texture("!@pitboard.png"), 0, 0.125f, 1, 0.8125f, 0, 0.1875f, 1, 0.875f);
    const float height = 0.0703125f;
    glTranslatef(0.37109375f, 0.6796875f, 0);
    glPushMatrix();
    glScalef(height, height, 1);
    text_draw(0, 0, 0, 1, r->number);
    glPopMatrix();
    const RaceState &race = sim.race;
    const TimingGates &g = sim_track(sim).objects.gates;
    int laps = laps_completed(g, race.slots[slot].next_gate);
    // A time trial shows its runs; a race the rider's own laps.
    int best = best_lap(sim, slot);
    int last_ticks = race.time_trial ? race.last_lap_time : lap_ticks(sim, slot, -1);
    int best_ticks = race.time_trial ? race.best_lap_time : best ? lap_ticks(sim, slot, best) : 0;
    std::string lines =
        pitboard_text(race.time_trial, laps, race_position(sim, slot), race_gap(sim, slot), last_ticks, best_ticks);
    glTranslatef(0, -2 * height, 0);
    glScalef(1.25f * height, 1.25f * height, 1);
    text_draw(0, 0, 0, 1, lines.c_str());
    glPopMatrix();
}

void lean_indicator_draw(const Terrain &terrain, const Rider *r, float y)
{
    if (terrain.heights.empty())
        return;
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
    Vec3 n = terrain_normal(terrain, (float)p[0], (float)p[2]);
    dVector3 local;
    dBodyVectorFromWorld(r->bodies[FRAME], n.x, n.y, n.z, local);
    LeanSector sector = lean_sector((float)std::atan2(local[0], local[1]));
    float colour = sector.warning ? 1.0f : 0.0f;
    glPushMatrix();
    glTranslatef(0, 0, -1);
    float scale = 0.9336100509462797f * y;
    glScalef(scale, scale, 1);
    glDisable(GL_CULL_FACE);
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= sector.steps; ++i) {
        float angle = sector.from + (sector.to - sector.from) * (float)i / (float)sector.steps;
        float sx = std::sin(angle), sy = std::cos(angle);
        glColor4f(colour, 0, 0, 0);
        glVertex2f(0.5f * sx, 0.5f * sy);
        glColor4f(colour, 0, 0, 0.25f);
        glVertex2f(sx, sy);
    }
    glEnd();
    glPopMatrix();
}

void draw_map(const Sim &sim, const Rider *watched, float x, float y)
{
    const Track &track = sim_track(sim);
    if (!track.map_texture || track.terrain.extent <= 0)
        return;
    float extent = track.terrain.extent;
    glPushMatrix();
    glTranslatef(x, y, -1);
    float scale = 0.466805f * y;
    glScalef(scale, scale, 1);
    // The picture's square hangs from the top-right corner; world x runs
    // right and world z down it.
    glTranslatef(-1, -1, 0);
    picture(track.map_texture, 0, 0, 1, 1);
    auto square = [](float cx, float cy, float half) {
        glVertex2f(cx - half, cy - half);
        glVertex2f(cx + half, cy - half);
        glVertex2f(cx + half, cy + half);
        glVertex2f(cx - half, cy + half);
    };
    auto map_point = [&](const Rider *r, float *mx, float *my) {
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
        *mx = (float)p[0] / extent;
        *my = 1 - (float)p[2] / extent;
    };
    glBegin(GL_QUADS);
    for (const RiderSlot &slot : sim.race.slots)
        if (slot.rider) {
            float mx, my;
            map_point(slot.rider, &mx, &my);
            glColor4f(0, 0, 0, 1);
            square(mx, my, 1.0f / 64);
        }
    // From the last of the race order to the first: finished riders grey,
    // the leader green, everyone else white.
    const RaceOrder &order = sim.race.order;
    for (int k = order.count - 1; k >= 0; --k) {
        const RiderSlot &slot = sim.race.slots[order.entries[k].slot];
        if (!slot.rider)
            continue;
        float mx, my;
        map_point(slot.rider, &mx, &my);
        if (slot.finished)
            glColor4f(0.25f, 0.25f, 0.25f, 1);
        else if (k == 0)
            glColor4f(0, 1, 0, 1);
        else
            glColor4f(1, 1, 1, 1);
        square(mx, my, 1.0f / 128);
    }
    glEnd();
    // The watched rider as an arrow along its heading.
    float mx, my;
    map_point(watched, &mx, &my);
    const dReal *R = dBodyGetRotation(watched->bodies[FRAME]);
    glTranslatef(mx, my, 0);
    glRotatef(map_arrow_degrees(R), 0, 0, 1);
    glBegin(GL_TRIANGLES);
    glColor4f(0, 0, 0, 1);
    glVertex2f(0, 0.05f);
    glVertex2f(-0.03f, -0.03f);
    glVertex2f(0.03f, -0.03f);
    glColor4f(1, 0, 0, 1);
    glVertex2f(0, 0.035f);
    glVertex2f(-0.018f, -0.02f);
    glVertex2f(0.018f, -0.02f);
    glEnd();
    glPopMatrix();
}

// The riders about to lap the watched one, on a dark box over the pitboard.
void draw_lapping_notice(const std::string &numbers, float x, float y)
{
    if (numbers.empty())
        return;
    float height = y / 15, width = text_width(numbers.c_str()) * height;
    float left = -x, bottom = -y + 0.6227179f * y * 0.8125f;
    glPushMatrix();
    glTranslatef(left, bottom, -1);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 0.5f);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(width + height, 0);
    glVertex2f(width + height, 1.25f * height);
    glVertex2f(0, 1.25f * height);
    glEnd();
    glTranslatef(height / 2, height / 8, 0);
    glScalef(height, height, 1);
    text_draw(1, 1, 1, 1, numbers.c_str());
    glPopMatrix();
}

void draw_introduction(const Sim &sim, float y)
{
    const RaceState &race = sim.race;
    const Track &track = sim_track(sim);
    float seconds = (float)race.tick / TICKS_PER_SECOND;
    if (seconds >= 3 || race.time_trial)
        return;
    float alpha = std::clamp(3 - seconds, 0.0f, 1.0f);
    const std::string &name = track.display_name.empty() ? track.folder : track.display_name;
    std::string length =
        race_length_text(race.time_limit ? race.laps : race.race_laps, race.time_limit / (60 * TICKS_PER_SECOND));
    glPushMatrix();
    float height = y / 8;
    glTranslatef(0, y * 0.4f, -1);
    glScalef(height, height, 1);
    const float half = 1; // centred on the screen's middle
    text_draw_centred(1, 1, 1, alpha, -half, half, name.c_str());
    glTranslatef(0, -1.5f, 0);
    text_draw_centred(1, 1, 1, alpha, -half, half, length.c_str());
    glPopMatrix();
}

} // namespace

LeanSector lean_sector(float a)
{
    const float half_turn = (float)M_PI / 2;
    LeanSector s;
    s.from = a >= 0 ? -half_turn : half_turn;
    s.to = a + s.from;
    s.steps = (int)std::floor(std::fabs(a) * 9.867606f) + 2;
    s.warning = std::fabs(a) > 0.6283185f;
    return s;
}

float tach_needle_degrees(float rpm)
{
    return (rpm * 4.6875e-05f - 0.375f) * 360;
}

void shifter_cell(int gear, int *column, int *row)
{
    int g = gear < 0 ? 0 : gear;
    *column = g % 3;
    *row = (g / 3) % 3;
}

float map_arrow_degrees(const double R[12])
{
    // Forward is the negated z axis (fx, fz) = (-R[2], -R[10]); on the map x
    // runs right and z down, so forward is (fx, -fz), and the arrow, drawn
    // pointing up, turns counter-clockwise by atan2(-fx, -fz).
    return (float)(std::atan2(R[2], R[10]) * 180 / M_PI);
}

std::string race_time_text(int ticks)
{
    int tenths = ticks * 10 / TICKS_PER_SECOND;
    char text[32];
    snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

std::string pitboard_text(bool time_trial, int laps_completed, int position, float gap_seconds, int last_ticks,
                          int best_ticks)
{
    char line[64];
    if (time_trial)
        snprintf(line, sizeof line, "P%d\n", position + 1);
    else
        snprintf(line, sizeof line, "L%d P%d\n", laps_completed + 1, position + 1);
    std::string text = line;
    snprintf(line, sizeof line, "%+.1f \n", gap_seconds);
    text += line;
    if (last_ticks > 0)
        text += "Last - " + race_time_text(last_ticks) + " \n";
    if (best_ticks > 0)
        text += "Best - " + race_time_text(best_ticks);
    return text;
}

void hud_draw_rider(const Sim &sim, int slot, bool lean_indicator)
{
    const Rider *r = slot >= 0 && slot < SLOTS ? sim.race.slots[slot].rider : nullptr;
    if (!r)
        return;
    float x = view_extents.x, y = view_extents.y;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    font_select(&text_font);
    draw_tach(r, x, y);
    draw_pitboard(sim, slot, x, y);
    if (lean_indicator)
        lean_indicator_draw(sim_track(sim).terrain, r, y);
    draw_map(sim, r, x, y);
    draw_lapping_notice(lapping_notice(sim, slot), x, y);
    draw_introduction(sim, y);
    glDisable(GL_BLEND);
}

void render_stats_restart(RenderStats *stats)
{
    *stats = RenderStats();
    stats->shown = true;
}

std::vector<std::string> status_lines(const StatusInfo &info)
{
    std::vector<std::string> lines;
    char line[96];
    if (info.fps >= 0) {
        snprintf(line, sizeof line, "FPS - %d", info.fps);
        lines.push_back(line);
    }
    if (info.race_ticks >= 0)
        lines.push_back("Time - " + race_time_text(info.race_ticks) + " ");
    if (info.ping_ms >= 0) {
        snprintf(line, sizeof line, "Ping - %dms (%dms offset)", info.ping_ms, info.offset_ms);
        lines.push_back(line);
    }
    if (info.render_stats && info.render_stats->shown) {
        int *largest = info.render_stats->largest;
        const int counts[RENDER_STAT_LINES] = {ground.triangles, model_triangles_drawn,
                                               billboards_drawn, ground.textures.decals_painted,
                                               texture_changes,  shader_changes};
        const char *names[RENDER_STAT_LINES] = {"Ground polygons", "Model polygons",  "Billboards",
                                                "Decals",          "Texture Changes", "Shader Changes"};
        for (int i = 0; i < RENDER_STAT_LINES; ++i) {
            largest[i] = std::max(largest[i], counts[i]);
            snprintf(line, sizeof line, "%s - %d max=%d", names[i], counts[i], largest[i]);
            lines.push_back(line);
        }
    }
    lines.insert(lines.end(), info.messages.begin(), info.messages.end());
    return lines;
}

void hud_draw_status(const StatusInfo &info)
{
    float x = view_extents.x, y = view_extents.y, height = 2 * y / 50;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    font_select(&text_font);
    // The results board in the middle of the view, the heading twice as
    // large, every other row on a dark band.
    float board_height = 2 * y / 30;
    for (size_t k = 0; k < info.board.size(); ++k) {
        const BoardLine &line = info.board[k];
        float h = k == 0 ? 2 * board_height : board_height;
        float top = y * 0.6f - board_height * (float)(k + (k > 0 ? 1 : 0));
        glPushMatrix();
        glTranslatef(-x * 0.6f, top, -1);
        if (k > 1 && k % 2 == 0) {
            glDisable(GL_TEXTURE_2D);
            glEnable(GL_BLEND);
            glColor4f(0, 0, 0, 0.35f);
            glBegin(GL_QUADS);
            glVertex2f(-0.5f * h, -0.2f * h);
            glVertex2f(1.2f * x, -0.2f * h);
            glVertex2f(1.2f * x, 0.9f * h);
            glVertex2f(-0.5f * h, 0.9f * h);
            glEnd();
        }
        glScalef(h, h, 1);
        float grey = line.watched || k < 2 ? 1.0f : 0.75f;
        if (line.penalty)
            text_draw_shadowed(1, 0, 0, 1, line.text.c_str());
        else
            text_draw_shadowed(grey, grey, grey, 1, line.text.c_str());
        glPopMatrix();
    }
    int row = 1;
    for (const std::string &line : status_lines(info)) {
        glPushMatrix();
        glTranslatef(-x + 2 * x * info.left, y - height * (float)row++, -1);
        glScalef(height, height, 1);
        text_draw_shadowed(1, 1, 1, 1, line.c_str());
        glPopMatrix();
    }
    glDisable(GL_BLEND);
}
