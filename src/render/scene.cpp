#include "render/scene.h"

#include "files/texture.h"
#include "physics/rider.h"
#include "race/race.h"
#include "render/billboards.h"
#include "render/far_land.h"
#include "render/frustum.h"
#include "render/gl_caps.h"
#include "render/lens_flares.h"
#include "render/material.h"
#include "render/model.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/statues.h"
#include "render/terrain_render.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

// The track's billboards and lens flares as this renderer shows them: the
// flaggers change pictures and walk, and flares note where they were drawn,
// without touching the track.
struct ShownTrack {
    int serial = 0;
    std::vector<Billboard> billboards; // the track's, then the woods beyond its fence
    size_t track_billboards = 0;       // how many are the track's
    Lighting lighting;
};

ShownTrack shown;

void update_shown_track(const Track &track)
{
    const std::vector<Billboard> &list = track.objects.billboards;
    if (shown.serial == track.serial && shown.track_billboards == list.size()) {
        // The roost particles move every tick: their billboards come along.
        size_t particles = std::min(list.size(), (size_t)ROOST_PARTICLE_SLOTS);
        std::copy(list.begin(), list.begin() + (long)particles, shown.billboards.begin());
        return;
    }
    shown.serial = track.serial;
    shown.billboards = list;
    shown.track_billboards = list.size();
    // The woods beyond the fence, after the track's own.
    far_land_trees(track.terrain, list, track.objects.first_track_billboard, &shown.billboards);
    shown.lighting = track.objects.lighting;
}

void update_track_flaggers(const Sim &sim)
{
    const RaceState &race = sim.race;
    const Track &track = sim_track(sim);
    const TrackObjects &objects = track.objects;
    FlaggerView view;
    view.seconds = (float)race.tick / TICKS_PER_SECOND;
    view.start_seconds = (float)race.start_tick / TICKS_PER_SECOND;
    view.leader_laps = race_leader_laps(sim);
    view.race_laps = race.race_laps;
    view.half_lap = race.half_race_lap;
    view.tick = race.tick;
    view.marked.assign(objects.gates.checkpoints.size(), false);
    for (const RiderSlot &slot : race.slots) {
        if (!slot.rider || slot.rider->crash_timer == 0)
            continue;
        int entry = gate_sequence(objects.gates, slot.next_gate);
        if (entry < 0)
            continue;
        int checkpoint = entry >= UNTIMED_GATE ? entry - UNTIMED_GATE : entry;
        if (checkpoint < (int)view.marked.size())
            view.marked[(size_t)checkpoint] = true;
    }
    update_flaggers(track, view, &shown.billboards);
}

// The local rider: the first slot of a local player holding a rider.
const Rider *local_rider(const RaceState &race)
{
    for (const RiderSlot &slot : race.slots)
        if (slot.kind == KIND_LOCAL && slot.rider)
            return slot.rider;
    return nullptr;
}

float frame_distance(const Rider *a, const Rider *b)
{
    const dReal *p = dBodyGetPosition(a->bodies[FRAME]), *q = dBodyGetPosition(b->bodies[FRAME]);
    double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return (float)std::sqrt(dx * dx + dy * dy + dz * dz);
}

void set_fog(const Lighting &light)
{
    if (light.fog_density <= 0)
        return;
    const float colour[4] = {light.fog_colour[0], light.fog_colour[1], light.fog_colour[2], 1};
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, light.fog_density);
    glFogfv(GL_FOG_COLOR, colour);
    glEnable(GL_FOG);
}

} // namespace

float ghost_alpha(float distance, float fade_distance)
{
    float half = fade_distance / 2;
    if (!(fade_distance > half))
        return 1;
    return std::min(1.0f, std::max(0.0f, (distance - half) / (fade_distance - half)));
}

float rider_draw_alpha(const Sim &sim, int slot, float fade_distance)
{
    const RiderSlot &s = sim.race.slots[slot];
    if (!s.rider || s.kind != KIND_REPLAYED)
        return 1;
    if (sim.network.connected)
        return remote_silent(sim, slot) ? 0 : 1;
    const Rider *local = local_rider(sim.race);
    return local ? ghost_alpha(frame_distance(local, s.rider), fade_distance) : 1;
}

// How far from its frame's centre (or from the torso, for a rider thrown
// clear of the bike) a drawn rider can reach.
const float rider_reach_drawn = 12;

void draw_scene(const Sim &sim, const SceneCamera &camera, int viewing_slot, const SceneOptions &options)
{
    model_triangles_drawn = 0;
    billboards_drawn = 0;
    texture_changes = 0;
    shader_changes = 0;
    const RaceState &race = sim.race;
    const TrackObjects &objects = sim_track(sim).objects;
    looks_update(sim);
    update_shown_track(sim_track(sim));
    const Lighting &light = shown.lighting;
    if (!objects.gates.gates.empty() || !objects.flaggers.course.empty())
        update_track_flaggers(sim);
    update_animated_textures(race.tick);

    const float *eye = camera.position;
    const float *o = camera.orientation;
    const float forward[3] = {-o[2], -o[5], -o[8]};
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    terrain_paint(eye);
    restore_projection(viewport[2], viewport[3]);
    camera_apply(camera);
    if (gl_caps.has_fragment_shader)
        set_env_matrix(o);
    // The view's frustum round the eye: riders and statues outside it are
    // not drawn.
    const Frustum frustum = frustum_from_gl();

    glEnable(GL_DEPTH_TEST);
    if (options.fugly)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    set_fog(light);
    glEnable(GL_CULL_FACE);
    terrain_draw(eye, forward, &frustum);
    far_land_draw(sim_track(sim).terrain, eye);
    glEnable(GL_CULL_FACE);
    set_track_lights(light);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.75f);

    // Riders, holding back replayed ones near the local rider: they fade
    // in over the billboards.
    struct Held {
        const Rider *rider;
        int slot;
        float alpha;
    } held[SLOTS];
    int held_count = 0;
    for (int k = 0; k < SLOTS; ++k) {
        const RiderSlot &slot = race.slots[k];
        if (!slot.rider)
            continue;
        const dReal *p = dBodyGetPosition(slot.rider->bodies[FRAME]);
        const float at[3] = {(float)p[0] - eye[0], (float)p[1] - eye[1], (float)p[2] - eye[2]};
        const dReal *q = dBodyGetPosition(slot.rider->bodies[RIDER_TORSO]);
        const float torso[3] = {(float)q[0] - eye[0], (float)q[1] - eye[1], (float)q[2] - eye[2]};
        if (!frustum_sphere_visible(frustum, at, rider_reach_drawn) &&
            !frustum_sphere_visible(frustum, torso, rider_reach_drawn))
            continue;
        RiderDrawMode mode = k == viewing_slot ? options.viewing_mode : DRAW_WHOLE;
        float a = rider_draw_alpha(sim, k, options.ghost_fade_distance);
        if (a <= 0)
            continue;
        if (a < 1) {
            held[held_count++] = {slot.rider, k, a};
            continue;
        }
        draw_rider(slot.rider, rider_look(k), mode, eye, light.environment);
    }
    draw_statues(objects.statues, statue_looks(), eye, options.model_detail, options.lod_scale, options.lod_bias,
                 light.environment, &frustum);
    glDisable(GL_ALPHA_TEST);

    // The sky behind everything solid, only where nothing has been drawn
    // (the software renderer then shades far fewer pixels), and before the
    // blended billboards, which need it behind them.
    if (!options.fugly) {
        if (gl_caps.has_fragment_shader)
            use_program(PROGRAM_FIXED);
        glDisable(GL_FOG);
        glDisable(GL_CULL_FACE);
        draw_sky_box(light.sky, true);
        glEnable(GL_CULL_FACE);
        glEnable(GL_FOG);
        glDepthFunc(GL_LEQUAL);
    }

    // Billboards stand in world coordinates: place the world around the eye.
    glPushMatrix();
    glTranslatef(-eye[0], -eye[1], -eye[2]);
    const float backward[3] = {o[2], o[5], o[8]};
    draw_billboards(shown.billboards.data(), (int)shown.billboards.size(), eye, backward, options.billboard_lookahead);
    glPopMatrix();

    for (int k = 0; k < held_count; ++k) {
        if (held[k].alpha <= 0)
            continue;
        rider_alpha = held[k].alpha;
        draw_rider(held[k].rider, rider_look(held[k].slot), DRAW_WHOLE, eye, light.environment);
        rider_alpha = 1;
    }
    if (gl_caps.has_fragment_shader)
        use_program(PROGRAM_FIXED);
    if (options.line_table) {
        glPushMatrix();
        glTranslatef(-eye[0], -eye[1], -eye[2]);
        draw_line_table(sim.lines, eye);
        glPopMatrix();
    }
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glLoadIdentity();
    glDepthFunc(GL_ALWAYS);
    if (options.lens_flares && !light.flares.empty())
        draw_lens_flares(&shown.lighting, camera, viewport[2], viewport[3]);
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
}

void draw_line_table(const LineTable &table, const float eye[3])
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    for (int s = 0; s < table.first_sections && s < (int)table.sections.size(); ++s)
        for (const LineSlot &line : table.sections[(size_t)s]) {
            if (line.points.size() < 2)
                continue;
            glBegin(GL_LINE_STRIP);
            for (const LinePoint &p : line.points) {
                float dx = p.x - eye[0], dy = p.y - eye[1], dz = p.z - eye[2];
                glColor4f(1, 1, 1, std::min(1.0f, std::max(0.0625f, 1 - 0.001f * (dx * dx + dy * dy + dz * dz))));
                glVertex3f(p.x, p.y, p.z);
            }
            glEnd();
        }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
}

void draw_first_person_view(const Sim &sim, dBodyID torso, int slot, float height, float angle_degrees,
                            const SceneOptions &options)
{
    SceneCamera camera = first_person_camera(body_frame(torso), height, angle_degrees);
    const dReal *v = dBodyGetLinearVel(torso);
    for (int i = 0; i < 3; ++i)
        camera.velocity[i] = (float)v[i];
    draw_scene(sim, camera, slot, options);
}
