// The menu handler: moving the selection, the widgets, and what the rows do.
#include "ui/menu.h"

#include "net/client.h"
#include "physics/aids.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "platform/names.h"
#include "platform/window.h"
#include "race/race.h"
#include "race/series.h"
#include "render/text.h"
#include "track/track_list.h"
#include "ui/chat.h"
#include "ui/lists.h"
#include "ui/menu_local.h"
#include "ui/race_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

bool inside(const Menus &m, const MenuRow &r)
{
    float x = m.cursor_x, y = m.cursor_y;
    return r.rect[0] < x && x < r.rect[2] && r.rect[1] < y && y < r.rect[3];
}

bool is_list_page(int page)
{
    return page == PAGE_CHOOSER || page == PAGE_PLAYBACK || page == PAGE_SERIES_LIST;
}

// Rows the selection passes over: list rows without an entry, and on the
// series list "Prev Page" on the first page and "Next Page" on the last.
bool skipped(const Menus &m, const MenuContext &ctx, const MenuRow &r)
{
    if (r.kind == ROW_LIST)
        return r.entry < 0;
    if (m.page == PAGE_SERIES_LIST) {
        if (r.action == ACT_PREV_PAGE)
            return m.series_list_page == 0;
        if (r.action == ACT_NEXT_PAGE)
            return m.series_list_page >= menu_last_list_page(m, ctx);
    }
    return false;
}

void move_selection(Menus *m, const MenuContext &ctx, int direction)
{
    int n = (int)m->rows.size(), row = m->selected + direction;
    if (is_list_page(m->page))
        while (row >= 0 && row < n && skipped(*m, ctx, m->rows[row]))
            row += direction;
    if (row < 0 || row >= n)
        return; // no wrap-around: the selection stays
    m->selected = row;
}

void open_chooser(Menus *m, MenuItem *item)
{
    static const struct {
        const char *label, *title;
    } titles[] = {{"Riding Gear", "Choose Riding Gear"},
                  {"Helmet", "Choose Helmet"},
                  {"Bike Graphics", "Choose Bike Graphics"},
                  {"Wheel Graphics", "Choose Wheel Graphics"}};
    m->chooser_title = "Choose Track";
    for (const auto &t : titles)
        if (std::string(item->label) == t.label)
            m->chooser_title = t.title;
    m->return_page = m->page;
    m->chooser = item;
    m->chooser_list_page = 0;
    menu_set_page(m, PAGE_CHOOSER);
}

bool is_description(const Config &c, const MenuItem *item)
{
    return item == &c.bike || item == &c.name || item == &c.number || item == &c.rider_texture ||
           item == &c.head_texture || item == &c.bike_texture || item == &c.wheel_texture;
}

// After a row's value changed: the settings that act at once.
void item_changed(Menus *m, MenuContext *ctx, MenuItem *item, double old_value, int old_index)
{
    Config *c = ctx->config;
    if (item == &m->track && ctx->tracks) {
        ctx->tracks->selected = std::clamp(m->track.index, 0, (int)ctx->tracks->folders.size() - 1);
        return;
    }
    if (item == &c->roost_density && ctx->roost_frequency) {
        *ctx->roost_frequency = (int)c->roost_density.value;
        return;
    }
    if (is_description(*c, item)) {
        if (item == &c->bike && c->bike.index != old_index)
            config_rebuild_bike_skins(c);
        m->description_changed = true;
        if (ctx->net) {
            ctx->net->description_changed = true;
            ctx->net->player_name = c->name.text;
        }
        return;
    }
    if (item == &c->stability) {
        if (std::floor(c->stability.value) != std::floor(old_value))
            apply_stability(c, (int)c->stability.value);
    }
    if (m->page == PAGE_BIKE_SETUP || m->page == PAGE_SUSPENSION || m->page == PAGE_STABILITY)
        apply_setup_change(ctx);
}

void slider_to(MenuItem *item, double value)
{
    // Single precision, as the stored settings are compared.
    float v = (float)value;
    v = std::clamp(v, (float)item->minimum, (float)item->maximum);
    item->value = v;
}

void widget_key(Menus *m, MenuContext *ctx, MenuRow &r, int code)
{
    const MenuKeys &k = m->keys;
    bool click = code == k.cursor_left && inside(*m, r);
    bool activate = code == k.enter || code == k.keypad_enter || code == ' ' || click;
    MenuItem *item = r.item;
    double old_value = item ? item->value : 0;
    int old_index = item ? item->index : 0;
    switch (r.kind) {
    case ROW_BUTTON:
    case ROW_LIST:
        if (activate)
            menu_act(m, ctx, r);
        return;
    case ROW_CHOOSER:
        if (code == k.enter || code == k.keypad_enter || code == ' ' || code == k.cursor_left) {
            open_chooser(m, item);
            return;
        }
        [[fallthrough]];
    case ROW_CHOICE: {
        int n = std::max((int)item->names.size(), 1);
        if (r.kind == ROW_CHOICE && (activate || code == k.right))
            item->index = (item->index + 1) % n;
        else if (r.kind == ROW_CHOOSER && code == k.right)
            item->index = (item->index + 1) % n;
        else if (code == k.left)
            item->index = (item->index + n - 1) % n;
        else
            return;
        break;
    }
    case ROW_SLIDER:
        if (item == &ctx->config->stability && code == '*') {
            menu_set_page(m, PAGE_STABILITY);
            return;
        }
        if (code == k.left)
            slider_to(item, item->value - item->step);
        else if (code == k.right)
            slider_to(item, item->value + item->step);
        else if ((code == k.cursor_left || code == MENU_MOUSE_DRAG) && inside(*m, r) &&
                 m->cursor_x >= r.bar_left - 15 && m->cursor_x <= r.bar_right + 15 && r.bar_right > r.bar_left) {
            double f = (m->cursor_x - r.bar_left) / (double)(r.bar_right - r.bar_left);
            double steps = std::floor(f * (item->maximum - item->minimum) / item->step + 0.5);
            slider_to(item, steps * item->step + item->minimum);
        } else
            return;
        break;
    case ROW_TEXT:
        if (item == &ctx->config->server_name && (code == k.page_up || code == k.page_down))
            browse_server_history(m, ctx->config, code == k.page_up);
        text_field_key(item, k, code);
        break;
    case ROW_BINDING:
        if (code == k.enter || code == k.keypad_enter || click)
            capture_start(m, ctx, &item->binding);
        return;
    }
    item_changed(m, ctx, item, old_value, old_index);
}

} // namespace

int menu_list_size(const Menus &m, const MenuContext &ctx)
{
    switch (m.page) {
    case PAGE_CHOOSER:
        return m.chooser ? (int)m.chooser->names.size() : 0;
    case PAGE_PLAYBACK:
        return ctx.demos ? (int)ctx.demos->names.size() : 0;
    case PAGE_SERIES_LIST:
        return (int)series_names(ctx).size();
    default:
        return 0;
    }
}

int menu_last_list_page(const Menus &m, const MenuContext &ctx)
{
    int n = menu_list_size(m, ctx);
    return std::max((n + LIST_PAGE_ROWS - 1) / LIST_PAGE_ROWS - 1, 0);
}

int *menu_list_page(Menus *m)
{
    return m->page == PAGE_CHOOSER    ? &m->chooser_list_page
           : m->page == PAGE_PLAYBACK ? &m->demo_list_page
                                      : &m->series_list_page;
}

std::vector<std::string> series_names(const MenuContext &ctx)
{
    std::vector<std::string> names;
    if (ctx.series)
        for (const Series &s : ctx.series->series)
            names.push_back(s.name);
    return names;
}

void menus_init(Menus *m, const MenuContext &ctx, bool open)
{
    m->page = open ? PAGE_MAIN : PAGE_CLOSED;
    m->selected = 0;
    m->track = MenuItem();
    m->track.label = "Track";
    m->track.kind = ITEM_CHOICE;
    if (ctx.tracks) {
        m->track.names = ctx.tracks->names;
        m->track.index = ctx.tracks->selected;
    }
}

void menus_sync_track(Menus *m, const MenuContext &ctx)
{
    if (ctx.tracks)
        m->track.index = ctx.tracks->selected;
}

void menu_set_page(Menus *m, int page)
{
    m->page = page;
    m->selected = 0;
}

void menu_hover(Menus *m, MenuContext *ctx, float x, float y)
{
    m->cursor_x = x, m->cursor_y = y;
    if (m->page < PAGE_MAIN || (m->page > PAGE_MULTIPLAYER && m->page != PAGE_CHAT))
        return;
    menu_layout(m, ctx, m->width, m->height);
    for (size_t i = 0; i < m->rows.size(); ++i) {
        const int *r = m->rows[i].rect;
        if (r[0] < x && x < r[2] && r[1] < y && y < r[3]) {
            m->selected = (int)i;
            return;
        }
    }
}

void menu_key(Menus *m, MenuContext *ctx, int code)
{
    if (m->page_changed || m->page == PAGE_CLOSED)
        return;
    if (m->page == PAGE_CHAT) {
        chat_key(m, ctx, code);
        return;
    }
    if (m->page == PAGE_EXIT) {
        m->quit = true;
        return;
    }
    menu_layout(m, ctx, m->width, m->height);
    if (m->rows.empty())
        return;
    m->selected = std::clamp(m->selected, 0, (int)m->rows.size() - 1);
    if (code == m->keys.down)
        move_selection(m, *ctx, 1);
    else if (code == m->keys.up)
        move_selection(m, *ctx, -1);
    widget_key(m, ctx, m->rows[m->selected], code);
    if (m->page == PAGE_BIKE_SETUP || m->page == PAGE_CHOOSER) {
        if (ctx->net)
            ctx->net->description_menu_open = true;
    } else if (ctx->net) {
        ctx->net->description_menu_open = false;
    }
}

void apply_setup_change(MenuContext *ctx)
{
    Sim *sim = ctx->sim;
    if (!sim)
        return;
    BikeSetup setup = bike_setup(*ctx->config);
    setup.arcade_allowed = !(ctx->net && ctx->net->arcade_disabled);
    sim->settings.setup = setup;
    const RiderSlot &slot = sim->race.slots[sim->race.watched_slot];
    if (slot.rider && slot.kind == KIND_LOCAL)
        apply_bike_setup(slot.rider, setup);
}

void browse_server_history(Menus *m, Config *c, bool older)
{
    MenuItem *hist = c->server_name_hist;
    std::string &text = c->server_name.text;
    if (older) {
        int i = std::min(m->history_browse + 1, SERVER_HISTORY - 1);
        if (i == 0 && hist[0].text == text)
            i = std::min(1, SERVER_HISTORY - 1);
        if (hist[i].text.empty())
            return;
        m->history_browse = i;
        text = hist[i].text;
    } else if (m->history_browse == 0) {
        m->history_browse = -1;
    } else if (m->history_browse > 0) {
        --m->history_browse;
        text = hist[m->history_browse].text;
    }
    c->server_name.cursor = std::min(c->server_name.cursor, (int)text.size());
}

float slider_box_width(const MenuItem &item)
{
    char text[64];
    snprintf(text, sizeof text, "%.2f", std::min(std::max(item.maximum, 1000.0), 1e12));
    float w = text_width(text);
    return w > 0 ? w : 0.6f * (float)strlen(text);
}
