// Frame pacing, input routing, the view modes and the cameras.
#include "core/main_loop.h"
#include "core/audio_out.h"
#include "core/engine_sounds.h"
#include "core/settings.h"
#include "core/view_draw.h"
#include "net/client.h"
#include "physics/aids.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/gl_caps.h"
#include "render/loading_screen.h"
#include "render/projection.h"
#include "render/terrain_render.h"
#include "robots/pilot.h"
#include "track/track.h"
#include "ui/config.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

const double step_seconds = 1.0 / 128;
const float pi = (float)M_PI;

int bound_code(const Config &c, int binding)
{
    return c.bindings[binding].binding.key_code;
}

bool is_key(const Config &c, int binding, const InputEvent &e)
{
    int code = bound_code(c, binding);
    return code != 0 && code == e.code;
}

// After editing: every rider moved up until no body is below the ground
// (the bodies keep their places relative to each other).
void lift_riders(Sim *sim)
{
    const Terrain &t = sim_track(*sim).terrain;
    if (t.heights.empty())
        return;
    for (const RiderSlot &slot : sim->race.slots) {
        Rider *r = slot.rider;
        if (!r)
            continue;
        float lift = 0;
        for (dBodyID b : r->bodies) {
            const dReal *p = dBodyGetPosition(b);
            lift = std::max(lift, terrain_height(t, (float)p[0], (float)p[2]) + 0.5f - (float)p[1]);
        }
        if (lift <= 0)
            continue;
        for (dBodyID b : r->bodies) {
            const dReal *p = dBodyGetPosition(b);
            dBodySetPosition(b, p[0], p[1] + lift + 0.125f, p[2]);
        }
    }
    physics_contacts_clear(&sim->physics);
}

} // namespace

double frame_step(double elapsed, float lock_fps, bool warp)
{
    if (lock_fps > 0)
        return elapsed < 1.0 / lock_fps ? -(1.0 / lock_fps - elapsed) : 1.0 / lock_fps;
    if (warp)
        return 100 * step_seconds;
    if (elapsed < step_seconds)
        return -(step_seconds - elapsed);
    return std::min(elapsed, 0.125);
}

void rotate_lineup(int *lineup, int slots)
{
    std::rotate(lineup, lineup + slots - 1, lineup + slots);
}

void control_map_init(LoopState *s)
{
    const ControlMapEntry table[CONTROL_MAP_SIZE] = {
        {BIND_LEFT, CONTROL_STEER, 1, 0},
        {BIND_RIGHT, CONTROL_STEER, -1, 0},
        {BIND_THROTTLE, CONTROL_THROTTLE, 1, 0},
        {BIND_FRONT_BRAKE, CONTROL_FRONT_BRAKE, 1, 0},
        {BIND_REAR_BRAKE, CONTROL_REAR_BRAKE, 1, 0},
        {BIND_UPSHIFT, CONTROL_SHIFT, 1, 0},
        {BIND_DOWNSHIFT, CONTROL_SHIFT, -1, 0},
        {BIND_CLUTCH, CONTROL_CLUTCH, 1, 0},
        {BIND_DAB, CONTROL_DAB, 1, 0},
        {BIND_BACK_UP, CONTROL_BACK_UP, 1, 0},
        {BIND_LEAN_FORWARD, CONTROL_LEAN, -1, 0},
        {BIND_LEAN_BACKWARD, CONTROL_LEAN, 1, 0},
    };
    std::copy(table, table + CONTROL_MAP_SIZE, s->map);
}

bool route_event(LoopState *s, const Config &c, const InputEvent &e)
{
    bool used = false;
    for (ControlMapEntry &m : s->map)
        if (is_key(c, m.binding, e)) {
            m.value = e.pressed ? 1.0f : 0.0f;
            used = true;
        }
    if (e.code == BUTTON_CLOSE && e.pressed) {
        s->quit = true;
        return true;
    }
    Menus &menus = s->menus;
    MenuContext *ctx = s->menu_context;
    if (ctx) {
        const MenuKeys &k = menus.keys;
        if (e.code == k.cursor_left)
            s->mouse_held = e.pressed;
        if (!e.pressed && s->view != EDITOR_VIEW)
            return used;
        if (!e.pressed) {
            // Releases reach the editor (the end of a stroke).
            if (s->track && editor_is_open(s->editor, s->track))
                editor_key(&s->editor, ctx->keys, e.code, false);
            return used;
        }
        if (menus.capturing) {
            // The capture takes the next key: Esc cancels it.
            if (e.code == k.esc)
                capture_end(&menus, *ctx);
            else
                capture_key(&menus, ctx, e.code);
            return true;
        }
        if (e.code == k.esc) {
            menu_set_page(&menus, menus.page == PAGE_CLOSED ? PAGE_MAIN : PAGE_CLOSED);
            return true;
        }
        if (menus.page != PAGE_CLOSED) {
            int page = menus.page;
            menu_key(&menus, ctx, e.code);
            if (menus.page != page)
                menus.page_changed = true;
            if (menus.quit)
                s->quit = true;
            return true;
        }
        if (is_key(c, BIND_CHAT, e) && s->view != EDITOR_VIEW) {
            menu_set_page(&menus, PAGE_CHAT);
            // The key that opened the page is not typed into it.
            menus.page_changed = true;
            return true;
        }
    }
    if (s->view == EDITOR_VIEW && s->track && editor_is_open(s->editor, s->track) && ctx &&
        editor_key(&s->editor, ctx->keys, e.code, e.pressed))
        return true;
    if (!e.pressed || s->view == TITLE_VIEW)
        return used;
    if (is_key(c, BIND_PAUSE, e) && !s->connected) {
        s->paused = !s->paused;
        return true;
    }
    if (is_key(c, BIND_STEP, e) && s->paused) {
        s->step_requested = true;
        return true;
    }
    if (is_key(c, BIND_REWIND, e) || is_key(c, BIND_SKIP, e)) {
        s->demo_seconds += is_key(c, BIND_SKIP, e) ? 1 : -1;
        return true;
    }
    if ((is_key(c, BIND_PREVIOUS_BIKE, e) || is_key(c, BIND_NEXT_BIKE, e)) && ctx && ctx->sim) {
        const RaceState &race = ctx->sim->race;
        bool own = race.slots[race.watched_slot].kind == KIND_LOCAL && race.slots[race.watched_slot].rider;
        bool warmup = s->connected && !has_start_slot(ctx->sim->network);
        if (!own || warmup || c.spy)
            watch_next_in_order(ctx->sim, is_key(c, BIND_NEXT_BIKE, e) ? 1 : -1);
        return true;
    }
    if (is_key(c, BIND_SCREENSHOT, e) && s->view != EDITOR_VIEW) {
        s->screenshot_requested = true;
        return true;
    }
    if (e.code == '\t') {
        switch (s->view) {
        case EDITOR_VIEW:
            // The ground may have been edited: its drawing data follows,
            // and every rider is lifted out of it.
            terrain_rebuild();
            if (ctx && ctx->sim)
                lift_riders(ctx->sim);
            s->view = CHASE_VIEW;
            break;
        case RIDER_VIEW:
            s->view = s->editor_allowed ? EDITOR_VIEW : CHASE_VIEW;
            if (s->view == EDITOR_VIEW && s->track && !editor_is_open(s->editor, s->track))
                editor_open(&s->editor, s->track);
            break;
        case CHASE_VIEW:
            s->view = FREE_VIEW;
            break;
        default:
            s->view = RIDER_VIEW;
            break;
        }
        return true;
    }
    return used;
}

void build_controls(LoopState *s, const Config &c)
{
    std::fill(s->controls, s->controls + RIDER_CONTROLS, 0.0f);
    for (ControlMapEntry &m : s->map) {
        const ControlBinding &b = c.bindings[m.binding].binding;
        if (b.axis_handle && b.hi != b.lo)
            m.value = std::clamp((axis_read(b.axis_handle) / 32768.0f - b.lo) / (b.hi - b.lo), 0.0f, 1.0f);
        s->controls[m.control] += m.scale * m.value;
    }
}

RiderInput controls_input(LoopState *s, const Config &c, const Rider &r)
{
    const float *k = s->controls;
    RiderInput in = rider_current_input(r);
    float steer = k[CONTROL_STEER];
    if (c.reverse_steering.index == 1)
        steer = -steer;
    in.steer = steer;
    in.front_brake = k[CONTROL_FRONT_BRAKE];
    in.rear_brake = k[CONTROL_REAR_BRAKE];
    in.throttle = k[CONTROL_THROTTLE];
    float dab = k[CONTROL_DAB];
    if (c.sticky_dab.index == 1) {
        if (s->last_dab < 0.5f && dab >= 0.5f)
            s->sticky_dab_on = !s->sticky_dab_on;
        s->last_dab = dab;
        dab = s->sticky_dab_on ? 1.0f : 0.0f;
    }
    in.sit_dab = dab;
    in.back_up = k[CONTROL_BACK_UP];
    in.lean = k[CONTROL_LEAN];
    // The clutch engages at most 4 per second; the lever pulls it at once.
    float target = std::clamp(1 - k[CONTROL_CLUTCH] * 8 / 7, 0.0f, 1.0f);
    in.clutch = target > r.clutch ? r.clutch + 4.0f / 128 : target;
    in.shift = k[CONTROL_SHIFT] > 0.5f ? 1 : k[CONTROL_SHIFT] < -0.5f ? -1 : 0;
    return in;
}

Camera chase_camera(const LoopState &s, const GameSettings &settings, const Config &c, const Rider *r, bool own)
{
    Camera cam;
    dVector3 target;
    dBodyGetRelPointPos(r->bodies[FRAME], settings.chase_center[0], settings.chase_center[1], settings.chase_center[2],
                        target);
    float dir[3], distance, height;
    if (own) {
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        // The way the bike faces (its negated z axis), turned toward the
        // way it moves as it gathers speed; the camera stands back along it.
        float bx = (float)-R[2], bz = (float)-R[10];
        const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
        float vx = (float)v[0], vz = (float)v[2], speed = std::sqrt(vx * vx + vz * vz);
        if (c.rigid_camera.index != 1 && speed > 0) {
            float t = speed >= 30 ? 1 : std::clamp((speed - 10) * 0.05f, 0.0f, 1.0f);
            float bl = std::sqrt(bx * bx + bz * bz);
            if (bl > 0)
                bx /= bl, bz /= bl;
            bx = bx + (vx / speed - bx) * t;
            bz = bz + (vz / speed - bz) * t;
        }
        dir[0] = bx, dir[1] = 0, dir[2] = bz;
        distance = 10;
        height = 5;
    } else {
        dir[0] = std::sin(s.orbit_angle), dir[1] = 0, dir[2] = std::cos(s.orbit_angle);
        distance = s.orbit_distance;
        height = s.orbit_height;
    }
    float len = std::sqrt(dir[0] * dir[0] + dir[2] * dir[2]);
    if (len == 0)
        len = 1;
    cam.position[0] = (float)target[0] - dir[0] / len * distance;
    cam.position[2] = (float)target[2] - dir[2] / len * distance;
    const Terrain &t = r->world->track->terrain;
    float ground = t.heights.empty() ? 0 : terrain_average_height(t, cam.position[0], cam.position[2], 10);
    cam.position[1] = std::max((float)target[1] + height, ground + 5);
    cam.target[0] = (float)target[0], cam.target[1] = (float)target[1], cam.target[2] = (float)target[2];
    return cam;
}

void free_camera_step(LoopState *s, const Terrain &terrain, const Rider *watched)
{
    const float *k = s->controls;
    float yaw_cmd = k[CONTROL_STEER] * 3 * pi / 8, pitch_cmd = k[CONTROL_SHIFT] * pi / 4;
    if (k[CONTROL_DAB] > 0.125f && watched) {
        const dReal *p = dBodyGetPosition(watched->bodies[FRAME]), *v = dBodyGetLinearVel(watched->bodies[FRAME]);
        float dx = (float)(p[0] + v[0] / 128) - s->free_position[0],
              dy = (float)(p[1] + v[1] / 128) - s->free_position[1];
        float dz = (float)(p[2] + v[2] / 128) - s->free_position[2];
        float want_yaw = std::atan2(dx, dz), want_pitch = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
        float dyaw = std::remainder(want_yaw - s->free_yaw, 2 * pi), dpitch = want_pitch - s->free_pitch;
        yaw_cmd = std::clamp(dyaw * 128, -2 * pi, 2 * pi);
        pitch_cmd = std::clamp(dpitch * 128, -2 * pi, 2 * pi) + dpitch * pi / 4;
    }
    auto decay = [](float rate) {
        return rate > 0 ? std::max(0.0f, rate - pi / 128) : std::min(0.0f, rate + pi / 128);
    };
    s->free_yaw_rate = decay(s->free_yaw_rate) + yaw_cmd;
    s->free_pitch_rate = decay(s->free_pitch_rate) + pitch_cmd;
    s->free_yaw = std::remainder(s->free_yaw + s->free_yaw_rate / 128, 2 * pi);
    s->free_pitch = std::clamp(s->free_pitch + s->free_pitch_rate / 128, -pi / 2, pi / 2);
    if (k[CONTROL_THROTTLE] > 0.5f)
        s->free_speed = std::min(100.0f, s->free_speed + 80.0f / 128);
    if (k[CONTROL_FRONT_BRAKE] > 0.5f)
        s->free_speed = std::max(-100.0f, s->free_speed - 80.0f / 128);
    s->free_speed =
        s->free_speed > 0 ? std::max(0.0f, s->free_speed - 60.0f / 128) : std::min(0.0f, s->free_speed + 60.0f / 128);
    if (std::fabs(s->free_speed) > 0.0001f) {
        float d = s->free_speed / 128;
        s->free_position[0] += std::sin(s->free_yaw) * std::cos(s->free_pitch) * d;
        s->free_position[1] += std::sin(s->free_pitch) * d;
        s->free_position[2] += std::cos(s->free_yaw) * std::cos(s->free_pitch) * d;
        if (!terrain.heights.empty()) {
            float ground = terrain_average_height(terrain, s->free_position[0], s->free_position[2], 10);
            s->free_position[1] = std::max(s->free_position[1], ground + 2);
        }
    }
}

int run_frame_steps(LoopState *s, const Config &c, double now, const std::function<bool(double, InputEvent *)> &read,
                    const std::function<void()> &step)
{
    int steps = 0;
    while (s->simulated_time < s->target_time) {
        s->simulated_time += step_seconds;
        double moment = now - (s->target_time - s->simulated_time);
        InputEvent e;
        while (read(moment, &e))
            route_event(s, c, e);
        build_controls(s, c);
        step();
        ++steps;
    }
    return steps;
}

void free_camera_place(LoopState *s, const Sim &sim, const Rider *rider)
{
    float position[3], yaw = 0;
    if (rider) {
        const dReal *p = dBodyGetPosition(rider->bodies[FRAME]), *R = dBodyGetRotation(rider->bodies[FRAME]);
        // Behind the bike: the bike faces along its negated z axis.
        float fx = (float)-R[2], fz = (float)-R[10], len = std::sqrt(fx * fx + fz * fz);
        if (len > 0)
            fx /= len, fz /= len;
        else
            fx = 0, fz = 1;
        position[0] = (float)p[0] - fx * 10;
        position[1] = (float)p[1] + 5;
        position[2] = (float)p[2] - fz * 10;
        yaw = std::atan2(fx, fz);
    } else {
        const float *start = sim.race.start_position;
        position[0] = start[0], position[1] = start[1] + 10, position[2] = start[2];
    }
    const Terrain &t = sim_track(sim).terrain;
    if (!t.heights.empty())
        position[1] = std::max(position[1], terrain_average_height(t, position[0], position[2], 10) + 2);
    std::copy(position, position + 3, s->free_position);
    s->free_yaw = yaw;
    s->free_pitch = -0.3f;
    s->free_yaw_rate = s->free_pitch_rate = s->free_speed = 0;
}

void watch_next_in_order(Sim *sim, int direction)
{
    RaceState &race = sim->race;
    const RaceOrder &order = race.order;
    int at = -1;
    for (int i = 0; i < order.count; ++i)
        if (order.entries[i].slot == race.watched_slot)
            at = i;
    if (at < 0) {
        if (order.count > 0)
            race.watched_slot = order.entries[0].slot;
        return;
    }
    race.watched_slot = order.entries[std::clamp(at + direction, 0, order.count - 1)].slot;
}

void main_loop_run(Window *window, Config *config, GameSettings *settings, Sim *sim, int *lineup, NetClient *client,
                   const TrackList &tracks, MenuContext *menu_context)
{
    RaceState &race = sim->race;
    const Track &track = sim_track(*sim);
    LoopState state;
    control_map_init(&state);
    state.menu_context = menu_context;
    state.track = sim->track;
    Menus &menus = state.menus;
    if (menu_context) {
        menus_init(&menus, *menu_context, client->server.empty());
        menus.keys = menu_context->keys;
        menu_context->free_yaw = &state.free_yaw;
        menu_context->free_pitch = &state.free_pitch;
        menu_context->free_yaw_rate = &state.free_yaw_rate;
        menu_context->free_pitch_rate = &state.free_pitch_rate;
        menu_context->render_stats = &state.render_stats;
        menu_context->min_frame_time = &state.min_frame_time;
        menu_context->max_frame_time = &state.max_frame_time;
    }
    zeph_log("Entering the main loop\n");
    AxisHandle *cursor_x = menu_context ? menu_context->cursor_x : nullptr;
    AxisHandle *cursor_y = menu_context ? menu_context->cursor_y : nullptr;
    state.editor_allowed = settings->editor;
    state.last_frame_time = clock_seconds();
    while (!state.quit) {
        menus.page_changed = false;
        // The roost and erosion settings act on the race at once.
        sim->settings.roost_frequency = settings->roost_frequency;
        sim->settings.erosion = settings->erosion;
        // View fixing.
        Rider *watched = race.slots[race.watched_slot].rider;
        bool local = watched && race.slots[race.watched_slot].kind == KIND_LOCAL;
        if (!track.folder.empty() && state.view == TITLE_VIEW)
            state.view = RIDER_VIEW;
        if (local && state.view != RIDER_VIEW && state.view != CHASE_VIEW && state.view != EDITOR_VIEW)
            state.view = RIDER_VIEW;
        // A new race: the free camera starts behind the watched rider, not
        // at the world's origin under the ground.
        if (race.tick < state.last_race_tick || state.last_race_tick < 0)
            free_camera_place(&state, *sim, watched);
        state.last_race_tick = race.tick;

        // The pointer: hovering selects rows, moving with the button held
        // drags a slider.
        if (menu_context && cursor_x && cursor_y) {
            float x = (float)axis_read(cursor_x), y = (float)axis_read(cursor_y);
            bool moved = x != menus.cursor_x || y != menus.cursor_y;
            if (moved) {
                state.editor.pointer[0] = x, state.editor.pointer[1] = y;
                state.editor.pointer_moved = true;
            }
            if (moved && menus.page != PAGE_CLOSED && !menus.capturing) {
                if (state.mouse_held) {
                    menus.cursor_x = x, menus.cursor_y = y;
                    menu_key(&menus, menu_context, MENU_MOUSE_DRAG);
                } else {
                    menu_hover(&menus, menu_context, x, y);
                }
            }
            menus.cursor_x = x, menus.cursor_y = y;
        }
        if (!watched)
            state.view = FREE_VIEW;
        if (track.folder.empty())
            state.view = TITLE_VIEW;

        terrain_update();
        engine_sounds_frame(*sim, state, *config, *settings, clock_seconds());
        if (const FrameInfo *frame = frame_begin(window)) {
            if (config->video_mode.index == 1) {
                config->xres = frame->width;
                config->yres = frame->height;
            }
            view_fov = (float)config->fov.value;
            set_projection(frame->width, frame->height);
            // Below the horizon the sky box has no face: the ground covers
            // it, and anything the ground misses shows as the sky's colour.
            if (state.view == TITLE_VIEW)
                glClearColor(0, 0, 0, 1);
            else
                glClearColor(0.45f, 0.6f, 0.8f, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            bool editing = state.view == EDITOR_VIEW && editor_is_open(state.editor, sim->track);
            if (state.view == TITLE_VIEW)
                draw_loading_screen("");
            else if (editing)
                editor_draw(&state.editor, frame->width, frame->height);
            else
                draw_view(*sim, state, *config, *settings);
            if ((state.view == RIDER_VIEW || state.view == CHASE_VIEW) && settings->show_hud) {
                hud_settings.lean_indicator = config->lean_indicator.index == 1;
                hud_draw_rider(*sim, race.watched_slot);
            }
            if (settings->show_hud && !editing)
                hud_draw_status(status_info(*sim, &state, *config, *settings, *client));
            if (settings->record_video && !state.paused && state.view != TITLE_VIEW)
                if (!write_video_frame(frame->width, frame->height)) {
                    zeph_log("Video capture stopped: standard output no longer takes frames\n");
                    settings->record_video = false;
                }
            if (state.paused && settings->show_pause)
                draw_screen_text("Paused", 0);
            if (local && net_connected(*client) && !has_start_slot(sim->network))
                draw_screen_text("Warmup mode - collisions disabled", 1);
            if (menu_context && menus.page != PAGE_CLOSED)
                menu_draw(&menus, menu_context, frame->width, frame->height);
            if (state.screenshot_requested) {
                take_screenshot(&state, frame->width, frame->height);
                state.screenshot_requested = false;
            }
            if (settings->glfinish)
                glFinish();
            if (frame_end(window) != 1)
                break;
        }

        // Pacing.
        double now = clock_seconds(), step;
        for (;;) {
            step = frame_step(now - state.last_frame_time, settings->lock_fps, settings->warp);
            if (step > 0)
                break;
            sleep_until(0, (int)(-step * 1e6));
            now = clock_seconds();
        }
        // Game time keeps in step with the server's clock: faster while
        // behind (up to four times at the gate), slower while ahead.
        if (net_connected(*client) && client->server_tick > 0) {
            double lag = (client->server_tick - race.tick - 1) / 128.0;
            step *= network_time_scale(lag, race.tick < race.start_tick);
        }
        double elapsed = now - state.last_frame_time;
        state.min_frame_time = std::min(state.min_frame_time, elapsed);
        state.max_frame_time = std::max(state.max_frame_time, elapsed);
        state.target_time += step;
        frame_clock += step;
        state.last_frame_time = now;

        run_frame_steps(
            &state, *config, now,
            [&](double moment, InputEvent *e) {
                int s = (int)moment, us = (int)((moment - s) * 1e6);
                return event_next_until(window, s, us, e) != 0;
            },
            [&]() {
                Rider *w = race.slots[race.watched_slot].rider;
                bool own = w && race.slots[race.watched_slot].kind == KIND_LOCAL;
                const float *k = state.controls;
                if (menu_context && menus.capturing)
                    capture_axes_step(&menus, menu_context);
                bool menu_open = menus.page != PAGE_CLOSED;
                bool connected_now = net_connected(*client);
                // The player's race stands still while its rider is in the menus.
                if (menu_open && own && !connected_now)
                    return;
                // Connected, the race goes on under the menus with the
                // player's controls let go.
                if (menu_open && own && !settings->autopilot)
                    sim_set_input(sim, race.watched_slot, RiderInput());
                if (state.view == EDITOR_VIEW && editor_is_open(state.editor, sim->track) && !menu_open)
                    editor_step(&state.editor);
                // The race is held while the track is edited.
                if (state.view == EDITOR_VIEW && !connected_now)
                    return;
                if (menu_open || state.view == EDITOR_VIEW || state.view == TITLE_VIEW) {
                    // No controls reach a rider or a camera.
                } else if (own && settings->autopilot) {
                    // A testing aid: the pilot rides the player's bike.
                    if (!sim->controllers[race.watched_slot].drive)
                        pilot_take(sim, race.watched_slot);
                } else if (own) {
                    if (race.time_trial && k[CONTROL_BACK_UP] > 0.5f && config->time_trial_abort.index == 1)
                        time_trial_reset(sim);
                    if (Rider *own_rider = race.slots[race.watched_slot].rider)
                        sim_set_input(sim, race.watched_slot, controls_input(&state, *config, *own_rider));
                } else if (state.view == CHASE_VIEW) {
                    state.orbit_angle = std::remainder(state.orbit_angle + k[CONTROL_STEER] * pi / 512, 2 * pi);
                    if (k[CONTROL_THROTTLE] > 0.5f)
                        state.orbit_distance = std::max(0.25f, state.orbit_distance - 1.0f / 64);
                    if (k[CONTROL_FRONT_BRAKE] > 0.5f)
                        state.orbit_distance += 1.0f / 64;
                    state.orbit_height += k[CONTROL_SHIFT] / 128;
                } else if (state.view == FREE_VIEW) {
                    free_camera_step(&state, track.terrain, w);
                }
                if (state.demo_seconds) {
                    demo_step(sim, (float)state.demo_seconds, settings->accurate_skip);
                    state.demo_seconds = 0;
                }
                bool connected = net_connected(*client);
                state.connected = connected;
                if (connected)
                    state.paused = false;
                net_poll(client, sim, tracks, frame_clock);
                bool tick = state.view != TITLE_VIEW && !track.folder.empty() &&
                            (!state.paused || state.step_requested) && (!connected || client->server_tick > 0);
                state.step_requested = false;
                if (tick) {
                    sim_tick(sim);
                    audio_after_tick();
                    // With --debug, the player's speed once a second: what
                    // a tester (or a test) reads to see the bike ride.
                    const RiderSlot &ws = race.slots[race.watched_slot];
                    if (settings->debug >= 1 && ws.rider && ws.kind == KIND_LOCAL && race.tick % 128 == 0)
                        zeph_log("Tick %d (gate drop at %d): player at %.1f mph\n", race.tick, race.start_tick,
                                 frame_speed(ws.rider) / 1.4666667f);
                }
            });

        // Warp mode races back to back: when the leader has ridden the
        // race's laps, the next race starts with the line-up rotated.
        if (settings->warp && state.view != TITLE_VIEW && race.race_laps > 0) {
            if (race_leader_laps(*sim) >= race.race_laps) {
                rotate_lineup(lineup, SLOTS);
                race_start(sim, lineup, false, config->record.index == 1,
                           (int)config->minutes.value * 60 * TICKS_PER_SECOND, (int)config->laps.value,
                           config->skill.index, (unsigned)race.tick);
            }
        }

        if (menu_context && menus.page != PAGE_CLOSED && client) {
            client->description_menu_open = menus.page == PAGE_BIKE_SETUP || menus.page == PAGE_CHOOSER;
        } else if (client) {
            client->description_menu_open = false;
        }

        // Retire one message line when its time is up.
        if (state.view != TITLE_VIEW && frame_clock > message_log.hide_time && message_log.visible > 0) {
            --message_log.visible;
            message_log.hide_time = frame_clock + 5;
        }
    }
}
