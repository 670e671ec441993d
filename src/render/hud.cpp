#include "render/hud.h"

#include "files/texture.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "race/race.h"
#include "render/billboards.h"
#include "render/gl_caps.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/text.h"
#include "track/track.h"

#include <algorithm>
#include <cstdio>

namespace {

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

void draw_pitboard(const Rider *r, float x, float y)
{
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
    const TimingGates &g = track.objects.gates;
    int laps = laps_from_gates(r->next_gate, g.first_lap_count, g.normal_lap_count);
    // The race order and race lap times come with the lap timing; until
    // then every rider shows first place, no gap and the time-trial times.
    std::string lines = pitboard_text(race.time_trial, laps, 0, 0, race.last_lap_time, race.best_lap_time);
    glTranslatef(0, -2 * height, 0);
    glScalef(1.25f * height, 1.25f * height, 1);
    text_draw(0, 0, 0, 1, lines.c_str());
    glPopMatrix();
}

} // namespace

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

void hud_draw_rider(int slot)
{
    const Rider *r = slot >= 0 && slot < SLOTS ? race.slots[slot].rider : nullptr;
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
    draw_pitboard(r, x, y);
    glDisable(GL_BLEND);
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
    if (info.render_stats) {
        // Ground, decal, texture and shader counts come with the scene.
        static int largest[6];
        const int counts[6] = {0, model_triangles_drawn, billboards_drawn, 0, 0, 0};
        const char *names[6] = {"Ground polygons", "Model polygons", "Billboards", "Decals", "Texture Changes",
                                "Shader Changes"};
        for (int i = 0; i < 6; ++i) {
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
    int row = 1;
    for (const std::string &line : status_lines(info)) {
        glPushMatrix();
        glTranslatef(-x, y - height * (float)row++, -1);
        glScalef(height, height, 1);
        text_draw_shadowed(1, 1, 1, 1, line.c_str());
        glPopMatrix();
    }
    glDisable(GL_BLEND);
}
