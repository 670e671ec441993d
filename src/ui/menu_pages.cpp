// The rows of every page and where they stand in the page's grid.
#include "ui/menu_local.h"

#include "net/client.h"
#include "platform/names.h"
#include "platform/pads.h"
#include "track/track_list.h"
#include "ui/lists.h"

#include <algorithm>
#include <cmath>

namespace
{

const float row_pitch = 1.375f, group_gap = 0.5f, first_row = 3;
const float page_width = 32 * 4.0f / 3; // grid units across a page of 32 lines

// Appends rows down one column of a page.
struct Column {
    std::vector<MenuRow> *rows;
    float x, y, width, grid = 32, fraction = 0.5f;

    MenuRow &add(RowKind kind, const char *label, MenuItem *item = nullptr, int action = 0)
    {
        MenuRow r;
        r.kind = kind;
        r.label = item && !*label ? item->label : label;
        r.item = item;
        r.action = action;
        r.x = x, r.y = y, r.width = width, r.grid = grid, r.label_fraction = fraction;
        y += row_pitch;
        rows->push_back(r);
        return rows->back();
    }
    MenuRow &button(const char *label, int action, float w = 15)
    {
        MenuRow &r = add(ROW_BUTTON, label, nullptr, action);
        r.width = w;
        return r;
    }
    MenuRow &item(MenuItem *item)
    {
        RowKind kind = item->kind == ITEM_SLIDER   ? ROW_SLIDER
                       : item->kind == ITEM_CHOICE ? ROW_CHOICE
                       : item->kind == ITEM_TEXT   ? ROW_TEXT
                                                   : ROW_BINDING;
        return add(kind, "", item);
    }
    MenuRow &chooser(MenuItem *item) { return add(ROW_CHOOSER, "", item); }
    void gap() { y += group_gap; }
};

// A paged list: "Prev Page", 20 entries in two columns of ten, "Next Page".
void list_rows(std::vector<MenuRow> *rows, float y, const std::vector<std::string> &names, int list_page)
{
    float x = (page_width - 42) / 2;
    Column c{rows, x, y, 42};
    c.button("Prev Page", ACT_PREV_PAGE, 42);
    c.gap();
    float top = c.y;
    for (int i = 0; i < LIST_PAGE_ROWS; ++i) {
        int entry = list_page * LIST_PAGE_ROWS + i;
        Column e{rows, i < 10 ? x : x + 21.5f, top + (float)(i % 10) * row_pitch, 20.5f};
        MenuRow &r = e.add(ROW_LIST, "", nullptr, ACT_LIST_ENTRY);
        if (entry < (int)names.size()) {
            r.entry = entry;
            r.text = names[entry];
        }
    }
    c.y = top + 10 * row_pitch + group_gap;
    c.button("Next Page", ACT_NEXT_PAGE, 42);
}

void main_page(std::vector<MenuRow> *rows)
{
    Column c{rows, 1, 4.5f, 15};
    c.button("New Race", PAGE_NEW_RACE);
    c.button("Playback Race", PAGE_PLAYBACK);
    c.button("Points Series", PAGE_SERIES_LIST);
    c.button("Time Trial", PAGE_TIME_TRIAL);
    c.button("Multiplayer", PAGE_MULTIPLAYER);
    c.button("Bike Setup", PAGE_BIKE_SETUP);
    c.button("Graphics/Sound Setup", PAGE_GRAPHICS);
    c.button("Customize Controls", PAGE_CONTROLS);
    c.gap();
    c.button("Quit", ACT_QUIT);
}

void new_race_page(std::vector<MenuRow> *rows, Menus *m, Config *cfg)
{
    Column left{rows, 1, first_row, 20}, right{rows, 22, first_row, 20};
    left.fraction = 0.375f;
    right.fraction = 0.45f;
    left.button("Back to Main Menu", PAGE_MAIN);
    right.button("Start", ACT_START_RACE).green = true;
    left.gap(), right.gap();
    left.chooser(&m->track);
    right.item(&cfg->record);
    left.item(&cfg->skill);
    right.item(&cfg->minutes);
    // Laps below Minutes: the row order keeps the settings before the gates.
    right.item(&cfg->laps);
    // The gate block in its own grid of 42 lines, two columns of 20.
    const float grid = 42, across = grid * 4 / 3;
    for (int i = 0; i < START_SLOTS; ++i) {
        Column g{rows, (across - 55) / 2 + (i < 20 ? 0 : 28), 12 + (float)(i % 20) * row_pitch, 27, grid, 0.33f};
        g.item(&cfg->slots[i]);
    }
}

void chooser_page(std::vector<MenuRow> *rows, Menus *m)
{
    Column c{rows, 1, first_row, 15};
    c.button("Cancel", ACT_CANCEL);
    c.gap();
    static const std::vector<std::string> none;
    list_rows(rows, c.y, m->chooser ? m->chooser->names : none, m->chooser_list_page);
}

void playback_page(std::vector<MenuRow> *rows, Menus *m, MenuContext *ctx)
{
    Column c{rows, 1, first_row, 15};
    c.button("Back to Main Menu", PAGE_MAIN);
    c.gap();
    c.width = 28;
    c.item(&ctx->config->playback_mode);
    c.gap();
    static const std::vector<std::string> none;
    list_rows(rows, c.y, ctx->demos ? ctx->demos->names : none, m->demo_list_page);
}

void series_list_page(std::vector<MenuRow> *rows, Menus *m, MenuContext *ctx)
{
    Column c{rows, 1, first_row, 15};
    c.button("Back to Main Menu", PAGE_MAIN);
    c.gap();
    list_rows(rows, c.y, series_names(*ctx), m->series_list_page);
}

void series_page(std::vector<MenuRow> *rows)
{
    Column c{rows, 1, first_row, 20};
    c.button("Back to Points Series List", PAGE_SERIES_LIST, 20);
    c.gap();
    c.button("Enter Next Event", ACT_SERIES_ENTER, 20).green = true;
    c.button("Practice Next Event", ACT_SERIES_PRACTICE, 20);
    c.button("Reset Points", ACT_SERIES_RESET, 20);
}

void time_trial_page(std::vector<MenuRow> *rows, Menus *m, Config *cfg)
{
    Column c{rows, 1, first_row, 15};
    c.button("Back to Main Menu", PAGE_MAIN);
    c.button("Start", ACT_START_TRIAL).green = true;
    c.gap();
    c.width = 30;
    c.chooser(&m->track);
    c.item(&cfg->ghost_fade_distance);
    c.item(&cfg->time_trial_abort);
}

void bike_setup_page(std::vector<MenuRow> *rows, Config *c)
{
    Column left{rows, 1, first_row, 20, 32, 0.33f}, right{rows, 22, first_row, 19.67f, 32, 0.67f};
    left.button("Back to Main Menu", PAGE_MAIN);
    left.button("Suspension and Gearing", PAGE_SUSPENSION);
    left.button("Advanced Stability Setup", PAGE_STABILITY);
    left.gap();
    left.item(&c->bike);
    left.item(&c->name);
    left.item(&c->number);
    for (MenuItem *skin : {&c->rider_texture, &c->head_texture, &c->bike_texture, &c->wheel_texture})
        left.chooser(skin);
    left.gap();
    left.fraction = 0.5f;
    for (MenuItem *s :
         {&c->stability, &c->auto_clutch_rpms, &c->brake_torque, &c->rear_brake_torque, &c->max_dab_speed})
        left.item(s);
    for (MenuItem *s : {&c->arcade, &c->front_brake, &c->rear_brake, &c->stop_wheelies, &c->auto_shift, &c->auto_dab,
                        &c->sticky_dab, &c->reverse_steering, &c->lean_indicator})
        right.item(s);
}

void slider_page(std::vector<MenuRow> *rows, std::initializer_list<MenuItem *> items)
{
    Column c{rows, 1, first_row, 15};
    c.button("Back to Bike Setup Menu", PAGE_BIKE_SETUP);
    c.gap();
    c.width = 32;
    for (MenuItem *item : items)
        c.item(item);
}

// The keys in one column and the pad's beside them, each control under the
// other's name; then the rumble and each plugged-in device's dead zone. In
// a grid of 42 lines so the twenty rows of each set fit.
void controls_page(std::vector<MenuRow> *rows, MenuContext *ctx)
{
    Config *cfg = ctx->config;
    const float grid = 42, width = 26.5f, top = 6;
    Column c{rows, 1, 3, 20, grid};
    c.button("Back to Main Menu", PAGE_MAIN, 20);
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < BINDINGS; ++i) {
            if (set == 1 && i == 0) {
                // Above the pad's column, reached after the keys.
                Column d{rows, 28.5f, 3, 20, grid};
                d.button("Default Pad Layout", ACT_PAD_DEFAULTS, 20);
            }
            Column b{rows, set == 0 ? 1.0f : 28.5f, top + (float)i * row_pitch, width, grid, 0.4f};
            MenuRow &r = b.item(&binding_set(cfg, set)[i]);
            const ControlBinding &k = r.item->binding;
            const char *name = k.key_name ? k.key_name : k.axis_name;
            if (name && ctx->window)
                r.text = control_label(ctx->window, name, k.axis_name ? (k.hi < 0 ? -1 : 1) : 0);
        }
    float y = top + BINDINGS * row_pitch + group_gap;
    Column settings{rows, 1, y, width, grid, 0.4f};
    settings.item(&cfg->rumble);
    Column zones{rows, 28.5f, y, width, grid, 0.55f};
    if (!ctx->window)
        return;
    for (const PadInfo &p : input_pads(ctx->window)) {
        PadSetting *setting = p.connected ? pad_setting(cfg, p.name) : nullptr;
        if (!setting || zones.y > grid - 2)
            continue;
        std::string label = "Dead Zone " + (p.product.empty() ? p.name : p.product);
        zones.add(ROW_SLIDER, name_intern(label.c_str()), &setting->dead_zone);
    }
}

void graphics_page(std::vector<MenuRow> *rows, Config *c)
{
    Column left{rows, 1, first_row, 20}, right{rows, 22, first_row, 19.67f};
    left.button("Back to Main Menu", PAGE_MAIN);
    left.gap();
    left.item(&c->video_mode);
    left.button("Switch To Selected Mode Now", ACT_SWITCH_MODE, 20);
    left.gap();
    left.item(&c->ground_detail);
    left.item(&c->ground_texture_detail);
    left.item(&c->ground_texture_dim);
    left.item(&c->ground_mipmaps);
    // Room beside these two for the "Detected" badge.
    left.item(&c->use_fbo).width = 14.5f;
    left.item(&c->use_shader).width = 14.5f;
    right.y += row_pitch + group_gap;
    for (MenuItem *s : {&c->model_detail, &c->model_texture_detail, &c->roost_density, &c->lens_flare, &c->hide_rider,
                        &c->rigid_camera, &c->fov, &c->first_person_height, &c->first_person_angle, &c->volume})
        right.item(s);
}

void multiplayer_page(std::vector<MenuRow> *rows, MenuContext *ctx)
{
    Column c{rows, 1, first_row, 15};
    c.button("Back to Main Menu", PAGE_MAIN);
    c.gap();
    c.button(ctx->net && net_connected(*ctx->net) ? "Disconnect" : "Connect", ACT_CONNECT);
    c.button("Request Restart", ACT_RESTART);
    c.gap();
    c.width = 40;
    c.fraction = 0.1875f;
    c.item(&ctx->config->server_name);
}

} // namespace

void menu_build_rows(Menus *m, MenuContext *ctx)
{
    std::vector<MenuRow> &rows = m->rows;
    rows.clear();
    Config *c = ctx->config;
    switch (m->page) {
    case PAGE_MAIN:
        main_page(&rows);
        break;
    case PAGE_NEW_RACE:
        new_race_page(&rows, m, c);
        break;
    case PAGE_CHOOSER:
        chooser_page(&rows, m);
        break;
    case PAGE_PLAYBACK:
        playback_page(&rows, m, ctx);
        break;
    case PAGE_SERIES_LIST:
        series_list_page(&rows, m, ctx);
        break;
    case PAGE_SERIES:
        series_page(&rows);
        break;
    case PAGE_TIME_TRIAL:
        time_trial_page(&rows, m, c);
        break;
    case PAGE_BIKE_SETUP:
        bike_setup_page(&rows, c);
        break;
    case PAGE_SUSPENSION:
        slider_page(&rows,
                    {&c->fork_compression_adjustment, &c->fork_rebound_adjustment, &c->fork_spring_rate_adjustment,
                     &c->fork_preload_adjustment, &c->fork_oil_level_adjustment, &c->shock_compression_adjustment,
                     &c->shock_rebound_adjustment, &c->shock_spring_rate_adjustment, &c->shock_preload_adjustment,
                     &c->front_sprocket_adjustment, &c->rear_sprocket_adjustment, &c->rider_yspring, &c->rider_ydamping,
                     &c->rider_zspring, &c->rider_zdamping, &c->rider_mass_distribution});
        break;
    case PAGE_STABILITY:
        slider_page(&rows,
                    {&c->leveling, &c->roll_damping, &c->roll_limit_angle, &c->roll_limit_factor, &c->steering_damping,
                     &c->steering_strength, &c->max_steering_force, &c->direct_steering, &c->slow_damping_speed,
                     &c->slow_damping_factor, &c->land_damping_falloff, &c->land_damping_factor});
        break;
    case PAGE_CONTROLS:
        controls_page(&rows, ctx);
        break;
    case PAGE_GRAPHICS:
        graphics_page(&rows, c);
        break;
    case PAGE_MULTIPLAYER:
        multiplayer_page(&rows, ctx);
        break;
    default:
        break;
    }
}

void menu_layout(Menus *m, MenuContext *ctx, int width, int height)
{
    m->width = width, m->height = height;
    menu_build_rows(m, ctx);
    MenuGrid g32 = menu_grid(width, height, 32);
    for (MenuRow &r : m->rows) {
        MenuGrid g = r.grid == 32 ? g32 : menu_grid(width, height, r.grid);
        // The band reaches 1/8 unit beyond the text box on every side.
        r.rect[0] = (int)std::lround(g.x(r.x - 0.125f));
        r.rect[1] = (int)std::lround(g.y(r.y - 0.125f));
        r.rect[2] = (int)std::lround(g.x(r.x + r.width + 0.125f));
        r.rect[3] = (int)std::lround(g.y(r.y + 1.125f));
        if (r.kind == ROW_SLIDER) {
            float value_left = r.x + r.width * r.label_fraction;
            float box = slider_box_width(*r.item);
            r.bar_left = (int)std::lround(g.x(value_left + box + 0.5f));
            r.bar_right = (int)std::lround(g.x(r.x + r.width));
        }
    }
}

MenuGrid menu_grid(int width, int height, float lines)
{
    // The largest 4:3 rectangle centred in the window.
    float w = (float)width, h = (float)height;
    if (w * 3 > h * 4)
        w = h * 4 / 3;
    else
        h = w * 3 / 4;
    MenuGrid g;
    g.unit = h / lines;
    g.left = ((float)width - w) / 2;
    g.top = ((float)height - h) / 2;
    return g;
}
