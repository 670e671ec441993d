// Frame pacing, input routing and the outline of the main loop: poll,
// step, draw, pace.
#include "core/main_loop.h"

#include "core/settings.h"
#include "core/view_draw.h"
#include "net/client.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "platform/tick_math.h"
#include "platform/window.h"
#include "race/race.h"
#include "render/gl_caps.h"
#include "render/loading_screen.h"
#include "render/projection.h"
#include "render/rider_looks.h"
#include "render/terrain_render.h"
#include "robots/pilot.h"
#include "sound/audio_out.h"
#include "sound/engine_sounds.h"
#include "track/track.h"
#include "track/track_list.h"
#include "ui/config.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

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

bool own_watched(const RaceState &race)
{
    const RiderSlot &w = race.slots[race.watched_slot];
    return w.rider && w.kind == KIND_LOCAL;
}

// The start of a run: the menus set up over the loop's own state.
void loop_begin(LoopState *state, const LoopParts &p)
{
    control_map_init(&state->controls);
    state->menu_context = p.menus;
    state->track = p.sim->track;
    state->editor_allowed = p.settings->editor;
    state->render_stats.shown = p.settings->draw_render_stats != 0;
    if (MenuContext *m = p.menus) {
        menus_init(&state->menus, *m, p.client->server.empty());
        state->menus.keys = m->keys;
        m->cameras = &state->cameras;
        m->render_stats = &state->render_stats;
        m->min_frame_time = &state->min_frame_time;
        m->max_frame_time = &state->max_frame_time;
    }
    zeph_log("Entering the main loop\n");
    state->last_frame_time = clock_seconds();
}

// The view the frame shows: the title without a track, the rider or chase
// view over the player's own rider, the free camera with no rider to
// watch. A new race places the free camera behind the watched rider, not
// at the world's origin under the ground.
void fix_view(LoopState *s, const Sim &sim)
{
    const RaceState &race = sim.race;
    const Rider *watched = race.slots[race.watched_slot].rider;
    bool empty_track = sim_track(sim).folder.empty();
    if (!empty_track && s->view == TITLE_VIEW)
        s->view = RIDER_VIEW;
    if (own_watched(race) && s->view != RIDER_VIEW && s->view != CHASE_VIEW && s->view != EDITOR_VIEW)
        s->view = RIDER_VIEW;
    if (race.tick < s->last_race_tick || s->last_race_tick < 0)
        free_camera_place(&s->cameras, sim, watched);
    s->last_race_tick = race.tick;
    if (!watched)
        s->view = FREE_VIEW;
    if (empty_track)
        s->view = TITLE_VIEW;
}

// The pointer: hovering selects rows, moving with the button held drags a
// slider; the editor follows it too.
void follow_pointer(LoopState *s)
{
    MenuContext *ctx = s->menu_context;
    if (!ctx || !ctx->cursor_x || !ctx->cursor_y)
        return;
    Menus &menus = s->menus;
    float x = (float)axis_read(ctx->cursor_x), y = (float)axis_read(ctx->cursor_y);
    bool moved = x != menus.cursor_x || y != menus.cursor_y;
    if (moved) {
        s->editor.pointer[0] = x, s->editor.pointer[1] = y;
        s->editor.pointer_moved = true;
    }
    if (moved && menus.page != PAGE_CLOSED && !menus.capturing) {
        if (s->mouse_held) {
            menus.cursor_x = x, menus.cursor_y = y;
            menu_key(&menus, ctx, MENU_MOUSE_DRAG);
        } else {
            menu_hover(&menus, ctx, x, y);
        }
    }
    menus.cursor_x = x, menus.cursor_y = y;
}

// The engine voices heard from the view's camera: silent while paused, in
// the editor or with nothing to watch; with the menus open, silent over
// the player's own (stopped) race and quieter over anyone else's; the
// Volume setting.
void sounds_frame(const LoopState &s, const LoopParts &p)
{
    const Sim &sim = *p.sim;
    SceneCamera camera;
    bool heard = view_scene_camera(sim, s.view, s.cameras, camera_settings(*p.config, *p.settings), &camera);
    float factor = heard && !s.paused && s.view != EDITOR_VIEW ? 1.0f : 0.0f;
    if (s.menus.page != PAGE_CLOSED)
        factor *= own_watched(sim.race) ? 0.0f : 0.25f;
    float right[3] = {camera.orientation[0], camera.orientation[3], camera.orientation[6]};
    engine_sounds_frame(p.sounds, sim, heard ? camera.position : nullptr, right,
                        factor * (float)p.config->volume.value * 0.1f, clock_seconds());
}

// The picture over the 3-D view: the HUD, the status lines, the pause and
// warm-up notices and the menus.
void draw_overlays(LoopState *s, const LoopParts &p, const FrameInfo &frame, bool editing)
{
    const Sim &sim = *p.sim;
    const GameSettings &settings = *p.settings;
    if ((s->view == RIDER_VIEW || s->view == CHASE_VIEW) && settings.show_hud)
        hud_draw_rider(sim, sim.race.watched_slot, p.config->lean_indicator.index == 1);
    // In every view, the editor's too (beside its panel): what the game
    // says is seen there.
    if (settings.show_hud) {
        StatusInfo info = status_info(sim, s->view, &s->rate, &s->render_stats, *p.config, *p.client);
        if (editing) {
            info.left = editor_panel_width(frame.height) / (float)std::max(frame.width, 1) + 0.01f;
            info.board.clear();
        }
        hud_draw_status(info);
    }
    if (s->paused && settings.show_pause)
        draw_screen_text("Paused", 0);
    if (own_watched(sim.race) && net_connected(*p.client) && !has_start_slot(sim.network))
        draw_screen_text("Warmup mode - collisions disabled", 1);
    if (s->menu_context && s->menus.page != PAGE_CLOSED)
        menu_draw(&s->menus, s->menu_context, frame.width, frame.height);
}

// Draws one frame; false when the window has gone.
bool draw_frame(LoopState *s, const LoopParts &p)
{
    const FrameInfo *frame = frame_begin(p.window);
    if (!frame)
        return true;
    Config &config = *p.config;
    GameSettings &settings = *p.settings;
    if (config.video_mode.index == 1) {
        config.xres = frame->width;
        config.yres = frame->height;
    }
    set_projection(frame->width, frame->height, (float)config.fov.value);
    // Below the horizon the sky box has no face: the ground covers it, and
    // anything the ground misses shows as the sky's colour.
    if (s->view == TITLE_VIEW)
        glClearColor(0, 0, 0, 1);
    else
        glClearColor(0.45f, 0.6f, 0.8f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    bool editing = s->view == EDITOR_VIEW && editor_is_open(s->editor, p.sim->track);
    if (s->view == TITLE_VIEW)
        draw_loading_screen("");
    else if (editing) {
        looks_update(*p.sim); // the statues as edited
        editor_draw(&s->editor, frame->width, frame->height);
    } else
        draw_view(*p.sim, s->view, s->cameras, config, settings);
    draw_overlays(s, p, *frame, editing);
    if (settings.record_video && !s->paused && s->view != TITLE_VIEW &&
        !write_video_frame(frame->width, frame->height)) {
        zeph_log("Video capture stopped: standard output no longer takes frames\n");
        settings.record_video = false;
    }
    if (s->screenshot_requested) {
        take_screenshot(&s->screenshot_number, frame->width, frame->height);
        s->screenshot_requested = false;
    }
    if (settings.glfinish)
        glFinish();
    return frame_end(p.window) == 1;
}

// Waits until the frame is due and moves the target time on by the game
// time it covers; returns the clock time now.
double pace_frame(LoopState *s, const LoopParts &p)
{
    double now = clock_seconds(), step;
    for (;;) {
        step = frame_step(now - s->last_frame_time, p.settings->lock_fps, p.settings->warp);
        if (step > 0)
            break;
        sleep_until(0, (int)(-step * 1e6));
        now = clock_seconds();
    }
    // Game time keeps in step with the server's clock: faster while behind
    // (up to four times at the gate), slower while ahead.
    const NetClient &client = *p.client;
    const RaceState &race = p.sim->race;
    if (net_connected(client) && client.server_tick > 0) {
        double lag = (client.server_tick - race.tick - 1) * TICK_SECONDS;
        step *= network_time_scale(lag, race.tick < race.start_tick);
    }
    double elapsed = now - s->last_frame_time;
    s->min_frame_time = std::min(s->min_frame_time, elapsed);
    s->max_frame_time = std::max(s->max_frame_time, elapsed);
    s->target_time += step;
    message_log_advance(step, false);
    s->last_frame_time = now;
    return now;
}

// What the step's controls do: the player's rider rides with them, or they
// move the camera watching someone else. Nothing reaches a rider or a
// camera under the menus, in the editor or on the title.
void apply_controls(LoopState *s, const LoopParts &p, bool menu_open)
{
    Sim *sim = p.sim;
    const RaceState &race = sim->race;
    Rider *watched = race.slots[race.watched_slot].rider;
    bool own = own_watched(race);
    if (menu_open || s->view == EDITOR_VIEW || s->view == TITLE_VIEW)
        return;
    if (own && p.settings->autopilot) {
        // A testing aid: the pilot rides the player's bike.
        if (!sim->controllers[race.watched_slot].drive)
            pilot_take(sim, race.watched_slot);
    } else if (own) {
        if (race.time_trial && s->controls.values[CONTROL_BACK_UP] > 0.5f && p.config->time_trial_abort.index == 1)
            time_trial_reset(sim);
        if (Rider *own_rider = race.slots[race.watched_slot].rider)
            sim_set_input(sim, race.watched_slot, controls_input(&s->controls, *p.config, *own_rider));
    } else if (s->view == CHASE_VIEW) {
        orbit_camera_step(&s->cameras, camera_controls(s->controls));
    } else if (s->view == FREE_VIEW) {
        free_camera_step(&s->cameras, camera_controls(s->controls), sim_track(*sim).terrain, watched);
    }
}

// One simulation step of the frame.
void loop_step(LoopState *s, const LoopParts &p)
{
    Sim *sim = p.sim;
    NetClient *client = p.client;
    const RaceState &race = sim->race;
    if (s->menu_context && s->menus.capturing)
        capture_axes_step(&s->menus, s->menu_context);
    bool menu_open = s->menus.page != PAGE_CLOSED;
    bool own = own_watched(race);
    // The player's race stands still while its rider is in the menus;
    // connected, it goes on under the menus with the player's controls let go.
    if (menu_open && own && !net_connected(*client))
        return;
    if (menu_open && own && !p.settings->autopilot)
        sim_set_input(sim, race.watched_slot, RiderInput());
    if (s->view == EDITOR_VIEW && editor_is_open(s->editor, sim->track) && !menu_open)
        editor_step(&s->editor);
    // The race is held while the track is edited.
    if (s->view == EDITOR_VIEW && !net_connected(*client))
        return;
    apply_controls(s, p, menu_open);
    if (s->demo_seconds) {
        sim_skip_demo(sim, (float)s->demo_seconds, p.settings->accurate_skip);
        s->demo_seconds = 0;
    }
    s->connected = net_connected(*client);
    if (s->connected)
        s->paused = false;
    net_poll(client, sim, *p.tracks, message_log.clock);
    bool tick = s->view != TITLE_VIEW && !sim_track(*sim).folder.empty() && (!s->paused || s->step_requested) &&
                (!s->connected || client->server_tick > 0);
    s->step_requested = false;
    if (!tick)
        return;
    sim_tick(sim);
    audio_after_tick();
    const RiderSlot &own_slot = race.slots[race.watched_slot];
    if (own_slot.rider && own_slot.kind == KIND_LOCAL && p.window) {
        Rumble shake = rumble_for_tick(&s->rumble, *own_slot.rider, (float)p.config->rumble.value);
        if (shake.milliseconds > 0)
            input_rumble(p.window, shake.low, shake.high, shake.milliseconds);
    }
    // With --debug, the player's speed once a second: what a tester (or a
    // test) reads to see the bike ride.
    const RiderSlot &ws = race.slots[race.watched_slot];
    if (p.settings->debug >= 1 && ws.rider && ws.kind == KIND_LOCAL && race.tick % TICKS_PER_SECOND == 0)
        zeph_log("Tick %d (gate drop at %d): player at %.1f mph\n", race.tick, race.start_tick,
                 frame_speed(ws.rider) / 1.4666667f);
}

// After the frame's steps: warp mode's next race, what the network client
// is told of the menus, and the message lines' retiring.
void loop_end_frame(LoopState *s, const LoopParts &p)
{
    Sim *sim = p.sim;
    const RaceState &race = sim->race;
    const Config &config = *p.config;
    // Warp mode races back to back: when the leader has ridden the race's
    // laps, the next race starts with the line-up rotated.
    if (p.settings->warp && s->view != TITLE_VIEW && race.race_laps > 0 && race_leader_laps(*sim) >= race.race_laps) {
        rotate_lineup(p.lineup, SLOTS);
        race_start(sim, p.lineup, false, config.record.index == 1, (int)config.minutes.value * 60 * TICKS_PER_SECOND,
                   (int)config.laps.value, config.skill.index, (unsigned)race.tick);
    }
    if (p.client)
        p.client->description_menu_open =
            s->menu_context && (s->menus.page == PAGE_BIKE_SETUP || s->menus.page == PAGE_CHOOSER);
    message_log_advance(0, s->view != TITLE_VIEW);
}

} // namespace

double frame_step(double elapsed, float lock_fps, bool warp)
{
    if (lock_fps > 0)
        return elapsed < 1.0 / lock_fps ? -(1.0 / lock_fps - elapsed) : 1.0 / lock_fps;
    if (warp)
        return 100 * TICK_SECONDS;
    if (elapsed < TICK_SECONDS)
        return -(TICK_SECONDS - elapsed);
    return std::min(elapsed, 0.125);
}

void rotate_lineup(int *lineup, int slots)
{
    std::rotate(lineup, lineup + slots - 1, lineup + slots);
}

namespace
{

// A pad's D-pad, left stick, A and B in the menus: the keys they stand for.
// Start opens and closes the menus as Esc does; B on a page goes back to
// the main page, and on the main page closes the menus.
int pad_as_menu_key(const LoopState &s, const InputEvent &e)
{
    const MenuContext *ctx = s.menu_context;
    if (!ctx || !ctx->window || !e.pressed || (e.code >> 16) == 0)
        return 0;
    const MenuKeys &k = s.menus.keys;
    PadMenuKey role = pad_menu_key(ctx->window, e.code);
    if (role == PAD_MENU_START)
        return k.esc;
    if (s.menus.page == PAGE_CLOSED || s.menus.capturing)
        return 0;
    switch (role) {
    case PAD_MENU_UP:
        return k.up;
    case PAD_MENU_DOWN:
        return k.down;
    case PAD_MENU_LEFT:
        return k.left;
    case PAD_MENU_RIGHT:
        return k.right;
    case PAD_MENU_ACCEPT:
        return k.enter;
    case PAD_MENU_BACK:
        return s.menus.page == PAGE_MAIN ? k.esc : -1;
    default:
        return 0;
    }
}

} // namespace

bool route_event(LoopState *s, const Config &c, const InputEvent &event)
{
    bool used = control_map_event(&s->controls, c, event);
    InputEvent e = event;
    if (int key = pad_as_menu_key(*s, event)) {
        if (key < 0) {
            menu_set_page(&s->menus, PAGE_MAIN);
            return true;
        }
        e.code = key;
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
        if (is_bound_key(c, BIND_CHAT, e) && s->view != EDITOR_VIEW) {
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
    if (is_bound_key(c, BIND_PAUSE, e) && !s->connected) {
        s->paused = !s->paused;
        return true;
    }
    if (is_bound_key(c, BIND_STEP, e) && s->paused) {
        s->step_requested = true;
        return true;
    }
    if (is_bound_key(c, BIND_REWIND, e) || is_bound_key(c, BIND_SKIP, e)) {
        s->demo_seconds += is_bound_key(c, BIND_SKIP, e) ? 1 : -1;
        return true;
    }
    if ((is_bound_key(c, BIND_PREVIOUS_BIKE, e) || is_bound_key(c, BIND_NEXT_BIKE, e)) && ctx && ctx->sim) {
        const RaceState &race = ctx->sim->race;
        bool own = race.slots[race.watched_slot].kind == KIND_LOCAL && race.slots[race.watched_slot].rider;
        bool warmup = s->connected && !has_start_slot(ctx->sim->network);
        if (!own || warmup || c.spy)
            watch_next_in_order(ctx->sim, is_bound_key(c, BIND_NEXT_BIKE, e) ? 1 : -1);
        return true;
    }
    if (is_bound_key(c, BIND_SCREENSHOT, e) && s->view != EDITOR_VIEW) {
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

int run_frame_steps(LoopState *s, const Config &c, double now, const std::function<bool(double, InputEvent *)> &read,
                    const std::function<void()> &step)
{
    int steps = 0;
    while (s->simulated_time < s->target_time) {
        s->simulated_time += TICK_SECONDS;
        double moment = now - (s->target_time - s->simulated_time);
        InputEvent e;
        while (read(moment, &e))
            route_event(s, c, e);
        build_controls(&s->controls, c);
        step();
        ++steps;
    }
    return steps;
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

void main_loop_run(const LoopParts &p)
{
    LoopState state;
    loop_begin(&state, p);
    while (!state.quit) {
        state.menus.page_changed = false;
        pads_follow(p.window, p.config, &state.pad_generation);
        // The roost and erosion settings act on the race at once.
        p.sim->settings.roost_frequency = p.settings->roost_frequency;
        p.sim->settings.erosion = p.settings->erosion;
        fix_view(&state, *p.sim);
        follow_pointer(&state);
        terrain_update();
        sounds_frame(state, p);
        if (!draw_frame(&state, p))
            break;
        double now = pace_frame(&state, p);
        run_frame_steps(
            &state, *p.config, now,
            [&](double moment, InputEvent *e) {
                int s = (int)moment, us = (int)((moment - s) * 1e6);
                return event_next_until(p.window, s, us, e) != 0;
            },
            [&]() { loop_step(&state, p); });
        loop_end_frame(&state, p);
    }
}
