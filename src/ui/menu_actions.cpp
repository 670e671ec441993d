// What the menu's buttons do: pages, race starts, the list pages, the
// network rows, the video mode, and the capture of a control binding.
#include "net/client.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "platform/names.h"
#include "platform/pads.h"
#include "platform/window.h"
#include "race/race.h"
#include "race/series.h"
#include "track/track_list.h"
#include "ui/bindings.h"
#include "ui/lists.h"
#include "ui/menu_local.h"
#include "ui/race_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

const char *const default_demo = "@demos/default.rvdemo";

// Every race start closes the menus and leaves a server first.
void before_race(Menus *m, MenuContext *ctx)
{
    menu_set_page(m, PAGE_CLOSED);
    if (ctx->net && net_connected(*ctx->net)) {
        show_message("Disconnecting\n");
        net_leave(ctx->net, ctx->sim);
    }
    fill_race_settings(ctx->sim, *ctx->config, *ctx->tracks, ctx->practice, ctx->learning, ctx->debug > 0);
    ctx->sim->settings.setup.arcade_allowed = true;
}

void start_new_race(Menus *m, MenuContext *ctx)
{
    Config *c = ctx->config;
    before_race(m, ctx);
    int *lineup = ctx->lineup;
    for (int i = 0; i < START_SLOTS; ++i)
        lineup[i] = c->slots[i].index;
    race_start(ctx->sim, lineup, false, c->record.index == 1, (int)c->minutes.value * 60 * TICKS_PER_SECOND,
               (int)c->laps.value, c->skill.index, clock_ms());
    // The line-up rotation moves every start slot on for the next race.
    int r = ((ctx->rotate_lineup % START_SLOTS) + START_SLOTS) % START_SLOTS;
    if (r) {
        int rotated[START_SLOTS];
        for (int k = 0; k < START_SLOTS; ++k)
            rotated[(k + r) % START_SLOTS] = lineup[k];
        for (int k = 0; k < START_SLOTS; ++k)
            c->slots[k].index = lineup[k] = rotated[k];
    }
}

void start_time_trial(Menus *m, MenuContext *ctx)
{
    before_race(m, ctx);
    race_start(ctx->sim, nullptr, false, false, 0, 1000, ctx->config->skill.index, clock_ms());
}

void start_playback(Menus *m, MenuContext *ctx, int entry)
{
    Config *c = ctx->config;
    std::string file = "@" + ctx->demos->files[entry];
    before_race(m, ctx);
    int *lineup = ctx->lineup;
    std::fill(lineup, lineup + START_SLOTS, 0);
    bool record = false;
    if (c->playback_mode.index == 1) { // Race Against
        int human = 0;
        for (int i = 0; i < START_SLOTS; ++i)
            if (c->slots[i].index == 1) {
                human = i;
                break;
            }
        lineup[human] = 1;
        record = c->record.index == 1;
        if (record && file == default_demo) {
            show_message("Can't record and play from same file - recording disabled");
            record = false;
        }
    }
    ctx->sim->demo.chosen = file;
    race_start(ctx->sim, lineup, true, record, 0, 10, c->skill.index, clock_ms());
}

void connect_or_disconnect(Menus *m, MenuContext *ctx)
{
    NetClient *net = ctx->net;
    Config *c = ctx->config;
    if (!net)
        return;
    if (net_connected(*net) || !net->server.empty()) {
        // Leaving: the server hears it at once and the connection closes.
        net_leave(net, ctx->sim);
        show_message("Disconnected\n");
        return;
    }
    std::string text = c->server_name.text;
    if (text.empty())
        return;
    if (text != c->server_name_hist[0].text) {
        for (int i = SERVER_HISTORY - 1; i > 0; --i)
            c->server_name_hist[i].text = c->server_name_hist[i - 1].text;
        c->server_name_hist[0].text = text;
    }
    m->history_browse = -1;
    net->server = text;
    net->player_name = c->name.text;
    net->record_demo = c->record.index == 1;
    menu_set_page(m, PAGE_CLOSED);
}

void switch_mode(MenuContext *ctx)
{
    Config *c = ctx->config;
    int i = c->video_mode.index;
    if (!ctx->window)
        return;
    if (i == 1) {
        window_set_mode(ctx->window, c->xres, c->yres, 0);
        return;
    }
    int w = 0, h = 0;
    if (i > 1)
        sscanf(choice_name(c->video_mode), "%dx%d", &w, &h);
    window_set_mode(ctx->window, w, h, WINDOW_FULLSCREEN);
}

} // namespace

void menu_act(Menus *m, MenuContext *ctx, const MenuRow &r)
{
    if (r.action < ACT_FIRST) {
        menu_set_page(m, r.action);
        return;
    }
    switch (r.action) {
    case ACT_QUIT:
        menu_set_page(m, PAGE_EXIT);
        m->page_changed = true;
        break;
    case ACT_START_RACE:
        start_new_race(m, ctx);
        break;
    case ACT_START_TRIAL:
        start_time_trial(m, ctx);
        break;
    case ACT_CANCEL:
        menu_set_page(m, m->return_page);
        break;
    case ACT_PREV_PAGE:
    case ACT_NEXT_PAGE: {
        int *page = menu_list_page(m);
        *page = std::clamp(*page + (r.action == ACT_NEXT_PAGE ? 1 : -1), 0, menu_last_list_page(*m, *ctx));
        break;
    }
    case ACT_LIST_ENTRY:
        if (r.entry < 0)
            break;
        if (m->page == PAGE_CHOOSER && m->chooser) {
            int old = m->chooser->index;
            m->chooser->index = r.entry;
            int back = m->return_page;
            menu_set_page(m, back);
            if (m->chooser == &m->track && ctx->tracks)
                ctx->tracks->selected = r.entry;
            else if (old != r.entry) {
                m->description_changed = true;
                if (ctx->net)
                    ctx->net->description_changed = true;
            }
        } else if (m->page == PAGE_PLAYBACK && ctx->demos && r.entry < (int)ctx->demos->files.size()) {
            start_playback(m, ctx, r.entry);
        } else if (m->page == PAGE_SERIES_LIST && ctx->series && r.entry < (int)ctx->series->series.size()) {
            ctx->series->selected = r.entry;
            menu_set_page(m, PAGE_SERIES);
        }
        break;
    case ACT_SERIES_ENTER:
    case ACT_SERIES_PRACTICE: {
        SeriesList &list = *ctx->series;
        bool entered = r.action == ACT_SERIES_ENTER;
        const Series *s = list.selected < (int)list.series.size() ? &list.series[list.selected] : nullptr;
        // The entered event still running is not entered again; a series
        // with every event run has nothing to start.
        if (!s || (entered && list.entered_series == list.selected) || s->completed >= (int)s->events.size())
            break;
        before_race(m, ctx);
        series_start_event(&list, ctx->sim, ctx->tracks, list.selected, entered, ctx->config->record.index == 1);
        menus_sync_track(m, *ctx);
        break;
    }
    case ACT_SERIES_RESET:
        if (ctx->series && ctx->series->selected < (int)ctx->series->series.size())
            series_reset(&ctx->series->series[ctx->series->selected]);
        break;
    case ACT_CONNECT:
        connect_or_disconnect(m, ctx);
        break;
    case ACT_RESTART:
        if (ctx->net && net_connected(*ctx->net) && ctx->net->state == NET_RACING) {
            net_request_restart(ctx->net);
            show_message("Requesting restart\n");
        }
        menu_set_page(m, PAGE_CLOSED);
        break;
    case ACT_SWITCH_MODE:
        switch_mode(ctx);
        break;
    case ACT_PAD_DEFAULTS:
        bindings_close(ctx->config);
        config_pad_defaults(ctx->config);
        if (ctx->window)
            bindings_open(ctx->window, ctx->config);
        break;
    }
}

void capture_start(Menus *m, MenuContext *ctx, ControlBinding *binding)
{
    capture_end(m, *ctx);
    m->capturing = binding;
    if (ctx->debug >= 1)
        zeph_log("Watching pots\n");
    if (!ctx->window)
        return;
    for (const char *name : axis_names(ctx->window)) {
        AxisHandle *h = axis_open(ctx->window, name);
        float rest = h ? (float)axis_read(h) / 32768.0f : 0;
        if (ctx->debug >= 1)
            zeph_log("\t%s %s%s\n", name, h ? "Ok" : "Failed", std::fabs(rest) > 0.5f ? " (resting at an end)" : "");
        m->capture_axes.push_back(h);
        m->capture_rest.push_back(rest);
    }
}

void capture_end(Menus *m, const MenuContext &ctx)
{
    for (AxisHandle *h : m->capture_axes)
        axis_close(h);
    if (m->capturing && ctx.debug >= 1)
        zeph_log("Done watching pots\n");
    m->capture_axes.clear();
    m->capture_rest.clear();
    m->capturing = nullptr;
}

bool capture_key(Menus *m, MenuContext *ctx, int code)
{
    const char *name = ctx->window ? button_name(ctx->window, code) : nullptr;
    if (!m->capturing || !name || pad_button_from_axis(ctx->window, code))
        return false;
    ControlBinding *b = m->capturing;
    axis_close(b->axis_handle);
    *b = ControlBinding();
    b->key_name = name_intern(name);
    b->key_code = code;
    b->hi = 1.0f;
    capture_end(m, *ctx);
    return true;
}

bool capture_axes_step(Menus *m, MenuContext *ctx)
{
    if (!m->capturing || !ctx->window)
        return false;
    const std::vector<const char *> &names = axis_names(ctx->window);
    // How far each axis has gone toward taking the binding: 1 is enough.
    int best = -1;
    float best_progress = 0, best_value = 0;
    for (size_t i = 0; i < m->capture_axes.size() && i < names.size(); ++i) {
        if (!m->capture_axes[i])
            continue;
        float v = (float)axis_read(m->capture_axes[i]) / 32768.0f, rest = m->capture_rest[i];
        float progress = std::fabs(rest) > 0.5f ? (v - rest) / -rest : std::fabs(v) / 0.5f;
        if (progress > best_progress) {
            best_progress = progress;
            best_value = v;
            best = (int)i;
        }
    }
    if (best < 0 || best_progress <= 1)
        return false;
    ControlBinding *b = m->capturing;
    float rest = m->capture_rest[(size_t)best];
    axis_close(b->axis_handle);
    *b = ControlBinding();
    b->axis_name = name_intern(names[best]);
    b->axis_handle = axis_open(ctx->window, names[best]);
    if (std::fabs(rest) > 0.5f) {
        // From the resting end to the far one, a sixteenth of the travel
        // left free at each end as the centred range does.
        float end = rest < 0 ? -1.0f : 1.0f;
        b->lo = end * 0.875f;
        b->hi = -end * 0.875f;
    } else {
        float sign = best_value > 0 ? 1.0f : -1.0f;
        b->lo = 0.0625f * sign;
        b->hi = 0.9375f * sign;
    }
    capture_end(m, *ctx);
    return true;
}
