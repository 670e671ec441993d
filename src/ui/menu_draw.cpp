// Drawing the open page: the cover, the rows with their widgets, the page's
// extras and the build label; and the chat page.
#include "net/client.h"
#include "platform/messages.h"
#include "platform/tick_math.h"
#include "race/race.h"
#include "race/series.h"
#include "render/gl_caps.h"
#include "render/projection.h"
#include "render/text.h"
#include "ui/chat.h"
#include "ui/menu_local.h"

#include <algorithm>
#include <cstdio>

namespace
{

struct Rgba {
    float r, g, b, a;
};

const Rgba label_band = {0, 0, 0, 0.25f}, label_text = {0.9f, 0.9f, 0.9f, 1};
const Rgba value_band = {0.5f, 0.5f, 0.5f, 0.25f}, value_text = {0.9f, 0.9f, 0.9f, 0.8f};
const Rgba selected_band = {0.9f, 0.9f, 0.9f, 0.8f}, selected_text = {0, 0, 0, 1};
const Rgba even_band = {0.3f, 0.3f, 0.3f, 0.25f}, odd_band = {0.2f, 0.2f, 0.2f, 0.25f};
const Rgba green_band = {0, 1, 0, 0.3f}, green_selected_band = {0, 1, 0, 0.8f},
           green_selected_text = {0.9f, 0.9f, 0.9f, 1};

void fill(float l, float t, float r, float b, Rgba c)
{
    pixel_rect(l, t, r, b, c.r, c.g, c.b, c.a);
}

void outline(float l, float t, float r, float b, Rgba c)
{
    glDisable(GL_TEXTURE_2D);
    glColor4f(c.r, c.g, c.b, c.a);
    glBegin(GL_LINE_LOOP);
    glVertex2f(l + 0.5f, t + 0.5f);
    glVertex2f(r - 0.5f, t + 0.5f);
    glVertex2f(r - 0.5f, b - 0.5f);
    glVertex2f(l + 0.5f, b - 0.5f);
    glEnd();
}

void text_at(float x, float y, float size, Rgba c, const char *text, float room = 0)
{
    text_draw_box(x, y, size, c.r, c.g, c.b, c.a, text, room);
}

void text_centred(float centre, float y, float size, Rgba c, const char *text)
{
    text_at(centre - text_width(text) * size / 2, y, size, c, text);
}

// A row's text box: its band less the 1/8 unit margin.
struct Box {
    float l, t, r, b, unit;
};

Box row_box(const MenuRow &row, const MenuGrid &g)
{
    return {g.x(row.x), g.y(row.y), g.x(row.x + row.width), g.y(row.y + 1), g.unit};
}

void draw_band_text(Box b, float pad, Rgba band, Rgba text, const char *s)
{
    fill(b.l - pad, b.t - pad, b.r + pad, b.b + pad, band);
    text_at(b.l + pad, b.t, b.unit, text, s, b.r - b.l - pad);
}

void draw_row(const Menus &m, const MenuRow &row, int index)
{
    MenuGrid g = menu_grid(m.width, m.height, row.grid);
    Box box = row_box(row, g);
    float pad = g.unit * 0.125f;
    bool selected = index == m.selected;
    Rgba band = selected ? selected_band : value_band, text = selected ? selected_text : value_text;
    if (row.kind == ROW_BUTTON) {
        if (row.green) {
            band = selected ? green_selected_band : green_band;
            text = selected ? green_selected_text : value_text;
        }
        draw_band_text(box, pad, band, text, row.label);
        return;
    }
    if (row.kind == ROW_LIST) {
        int position = index % 2;
        Rgba list_band = selected ? selected_band : position ? odd_band : even_band;
        draw_band_text(box, pad, list_band, text, row.entry >= 0 ? row.text.c_str() : "");
        return;
    }
    // A label part and a value part.
    float split = box.l + (box.r - box.l) * row.label_fraction;
    Box label = {box.l, box.t, split - pad, box.b, box.unit}, value = {split + pad, box.t, box.r, box.b, box.unit};
    draw_band_text(label, pad, label_band, label_text, row.label);
    const MenuItem &item = *row.item;
    char buffer[96];
    switch (row.kind) {
    case ROW_CHOICE:
    case ROW_CHOOSER:
        draw_band_text(value, pad, band, text, choice_name(item));
        break;
    case ROW_SLIDER: {
        fill(value.l - pad, value.t - pad, value.r + pad, value.b + pad, band);
        snprintf(buffer, sizeof buffer, "%.2f", item.value);
        text_at(value.l, value.t, value.unit, text, buffer, (float)row.bar_left - value.l - pad);
        float bl = (float)row.bar_left, br = (float)row.bar_right;
        float f = item.maximum > item.minimum
                      ? std::clamp((float)((item.value - item.minimum) / (item.maximum - item.minimum)), 0.0f, 1.0f)
                      : 0;
        float inset = value.unit * 0.2f;
        fill(bl, value.t + inset, bl + (br - bl) * f, value.b - inset, text);
        outline(bl, value.t + inset, br, value.b - inset, text);
        break;
    }
    case ROW_TEXT: {
        fill(value.l - pad, value.t - pad, value.r + pad, value.b + pad, band);
        outline(value.l - pad, value.t - pad, value.r + pad, value.b + pad, text);
        if (selected) {
            std::string before = item.text.substr(0, (size_t)std::clamp(item.cursor, 0, (int)item.text.size()));
            float x = value.l + text_width(before.c_str()) * value.unit;
            char at[2] = {item.cursor < (int)item.text.size() ? item.text[(size_t)item.cursor] : ' ', 0};
            float w = (at[0] == ' ' ? MISSING_GLYPH_WIDTH : std::max(text_width(at), 0.3f)) * value.unit;
            fill(x, value.t, x + w, value.b, {0.5f, 0.5f, 0.5f, 1});
        }
        text_at(value.l, value.t, value.unit, text, item.text.c_str(), value.r - value.l);
        break;
    }
    case ROW_BINDING: {
        const ControlBinding &b = item.binding;
        const char *shown = "None";
        if (&b == m.capturing)
            shown = "<<PRESS A KEY>>";
        else if (!row.text.empty())
            shown = row.text.c_str(); // the device's own names for its parts
        else if (b.key_name)
            shown = b.key_name;
        else if (b.axis_name) {
            snprintf(buffer, sizeof buffer, "%s %s", b.axis_name, b.hi < 0 ? "(Negative)" : "(Positive)");
            shown = buffer;
        }
        draw_band_text(value, pad, band, text, shown);
        break;
    }
    default:
        break;
    }
}

void draw_title(const Menus &m, const char *title)
{
    MenuGrid g = menu_grid(m.width, m.height, 32);
    Box b = {g.x(1), g.y(1), g.x(16), g.y(2), g.unit};
    draw_band_text(b, g.unit * 0.125f, label_band, label_text, title);
}

const char *page_title(const Menus &m)
{
    switch (m.page) {
    case PAGE_NEW_RACE:
        return "New Race";
    case PAGE_CHOOSER:
        return m.chooser_title;
    case PAGE_PLAYBACK:
        return "Playback Race";
    case PAGE_SERIES_LIST:
        return "Points Series";
    case PAGE_TIME_TRIAL:
        return "Time Trial";
    case PAGE_BIKE_SETUP:
        return "Bike Setup";
    case PAGE_SUSPENSION:
        return "Suspension and Gearing";
    case PAGE_STABILITY:
        return "Advanced Stability Setup";
    case PAGE_CONTROLS:
        return "Customize Controls";
    case PAGE_GRAPHICS:
        return "Graphics/Sound Setup";
    case PAGE_MULTIPLAYER:
        return "Multiplayer";
    default:
        return nullptr;
    }
}

void graphics_extras(const Menus &m, const MenuContext &ctx)
{
    MenuGrid g = menu_grid(m.width, m.height, 32);
    for (const MenuRow &row : m.rows) {
        if (row.item != &ctx.config->use_fbo && row.item != &ctx.config->use_shader)
            continue;
        bool found = row.item == &ctx.config->use_fbo ? ctx.detected_fbo : ctx.detected_shaders;
        Box b = {g.x(row.x + row.width + 0.5f), g.y(row.y), g.x(21), g.y(row.y + 1), g.unit * 0.75f};
        fill(b.l, b.t, b.r, b.b, found ? Rgba{0, 1, 0, 0.5f} : Rgba{1, 0, 0, 0.5f});
        text_at(b.l + g.unit * 0.2f, b.t + g.unit * 0.125f, b.unit,
                found ? Rgba{0.9f, 0.9f, 0.9f, 1} : Rgba{0, 0, 0, 1}, found ? "Detected" : "Not Detected");
    }
    float centre = g.x(16);
    text_centred(centre, g.y(25), g.unit, {1, 0, 0, 1}, "Some settings will not take effect until next restart");
    text_centred(centre, g.y(26.5f), g.unit * 0.75f, label_text, "Driver info:");
    const std::string *info[] = {&gl_caps.vendor, &gl_caps.renderer, &gl_caps.version};
    for (int i = 0; i < 3; ++i)
        text_centred(centre, g.y(27.5f + 0.9f * (float)i), g.unit * 0.75f, label_text, info[i]->c_str());
}

// The standings of the selected series below its buttons, at two thirds of
// the text size.
void series_extras(const Menus &m, const MenuContext &ctx)
{
    const SeriesList &list = *ctx.series;
    if (list.selected >= (int)list.series.size())
        return;
    Standings st = series_standings(list.series[list.selected]);
    MenuGrid g = menu_grid(m.width, m.height, 32);
    float y = 9.5f, size = g.unit * 2 / 3, pitch = 2.0f / 3 * 1.1f;
    text_at(g.x(1), g.y(y), g.unit, label_text, st.heading.c_str());
    y += 1.5f;
    for (const std::vector<StandingsRow> &block : st.blocks) {
        for (size_t i = 0; i < block.size(); ++i) {
            const StandingsRow &row = block[i];
            if (i > 0 && i % 2 == 0)
                fill(g.x(1), g.y(y), g.x(41.5f), g.y(y + pitch), {1, 1, 1, 0.25f});
            for (size_t c = 0; c < row.cells.size(); ++c) {
                float x = c == 0 ? 1 : c == 1 ? 4 : 7 + 4.3f * (float)(c - 2);
                Rgba colour = row.player && c == 0 ? Rgba{0.75f, 0.75f, 1, 1} : Rgba{1, 1, 1, 1};
                text_at(g.x(x), g.y(y), size, colour, row.cells[c].c_str(), 4.1f * g.unit);
            }
            y += pitch;
        }
        y += 0.5f;
    }
}

void multiplayer_extras(const Menus &m, const MenuContext &ctx)
{
    const NetClient *net = ctx.net;
    if (!net || !net_connected(*net) || net->state != NET_RACING || !ctx.sim)
        return;
    MenuGrid g = menu_grid(m.width, m.height, 32);
    const float columns[] = {0.5f, 4, 8, 12, 20};
    const char *headings[] = {"Slot", "Ping", "No.", "Bike", "Name"};
    float y = 10;
    for (int i = 0; i < 5; ++i)
        text_at(g.x(columns[i]), g.y(y), g.unit, label_text, headings[i]);
    int shown = 0;
    for (int slot = 0; slot < REMOTE_SLOTS; ++slot) {
        if (net->lineup[slot] != 1 && net->lineup[slot] != 5)
            continue;
        y += 1.125f;
        if (shown++ % 2)
            fill(g.x(0.5f), g.y(y), g.x(39.5f), g.y(y + 1), {1, 1, 1, 0.15f});
        const RiderDescription &d = ctx.sim->network.riders[slot];
        char slot_text[16], ping_text[16];
        snprintf(slot_text, sizeof slot_text, "%d", slot);
        snprintf(ping_text, sizeof ping_text, "%d", ctx.sim->network.ping[slot] * 1000 / TICKS_PER_SECOND);
        const char *cells[] = {slot_text, ping_text, d.number.c_str(), d.bike.c_str(), d.name.c_str()};
        for (int i = 0; i < 5; ++i)
            text_at(g.x(columns[i]), g.y(y), g.unit, value_text, cells[i]);
    }
}

} // namespace

void menu_draw(Menus *m, MenuContext *ctx, int width, int height)
{
    if (m->page == PAGE_CLOSED)
        return;
    menu_layout(m, ctx, width, height);
    begin_pixel_drawing(width, height);
    font_select(&text_font);

    float w = (float)width, h = (float)height;
    if (m->page == PAGE_CHAT) {
        chat_draw(m, ctx, width, height);
    } else {
        fill(0, 0, w, h, {0.2f, 0.2f, 0.2f, 0.5f});
        const SeriesList *series = ctx->series;
        if (m->page == PAGE_SERIES && series && series->selected < (int)series->series.size())
            draw_title(*m, series->series[series->selected].name.c_str());
        else if (const char *title = page_title(*m))
            draw_title(*m, title);
        for (size_t i = 0; i < m->rows.size(); ++i)
            draw_row(*m, m->rows[i], (int)i);
        if (m->page == PAGE_MAIN) {
            MenuGrid g = menu_grid(width, height, 40);
            float alpha = std::clamp(10 - (float)message_log.clock, 0.0f, 1.0f);
            if (alpha > 0) {
                text_centred(w / 2, h - 3 * g.unit, g.unit, {1, 1, 1, alpha},
                             "Although this software depicts real objects and places, it is not");
                text_centred(w / 2, h - 2 * g.unit, g.unit, {1, 1, 1, alpha},
                             "endorsed by or affiliated with any of the subjects depicted.");
            }
        } else if (m->page == PAGE_GRAPHICS) {
            graphics_extras(*m, *ctx);
        } else if (m->page == PAGE_SERIES && ctx->sim) {
            series_extras(*m, *ctx);
        } else if (m->page == PAGE_MULTIPLAYER) {
            multiplayer_extras(*m, *ctx);
        } else if (m->page == PAGE_CONTROLS) {
            MenuGrid g = menu_grid(width, height, 42);
            text_at(g.x(1), g.y(4.5f), g.unit, label_text, "Keyboard and Mouse");
            text_at(g.x(28.5f), g.y(4.5f), g.unit, label_text, "Pad");
        } else if (m->page == PAGE_EXIT) {
            MenuGrid g = menu_grid(width, height, 25);
            text_centred(w / 2, g.y(10), g.unit, {1, 1, 1, 1}, "Rutvale");
            text_centred(w / 2, g.y(11.5f), g.unit, {1, 1, 1, 1}, "Press any key to exit or ESC to keep playing");
        }
    }
    // The build label at the bottom right.
    const char *label = "Rutvale " RUTVALE_VERSION;
    float size = h / 32;
    text_at(w - text_width(label) * size, h - size, size, {0.75f, 0.75f, 0.75f, 1}, label);
    end_pixel_drawing();
}

void chat_draw(Menus *m, MenuContext *, int width, int height)
{
    float w = (float)width, h = (float)height;
    fill(0, 0, w, h, {0, 0, 0, 0.75f});
    // 50 lines of the message log and the field below them.
    float size = h / 53;
    Rgba grey = {0.75f, 0.75f, 0.75f, 1};
    for (int line = 0; line < 50; ++line) {
        float y = size * (float)line;
        if (line == 49 && m->scrollback > 0) {
            text_at(size, y, size, grey, "^    ^    ^    ^    ^");
            continue;
        }
        text_at(size, y, size, grey, message_log_line(49 - line + m->scrollback));
    }
    const MenuItem &f = m->chat_field;
    float y = size * 51, x = size;
    text_at(x, y, size, {0.9f, 0.9f, 0.9f, 1}, f.label);
    x += size * 1.5f;
    std::string before = f.text.substr(0, (size_t)std::clamp(f.cursor, 0, (int)f.text.size()));
    float cx = x + text_width(before.c_str()) * size;
    fill(cx, y, cx + MISSING_GLYPH_WIDTH * size, y + size, {0.5f, 0.5f, 0.5f, 1});
    text_at(x, y, size, {0.9f, 0.9f, 0.9f, 1}, f.text.c_str());
}
