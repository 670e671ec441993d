// Text fields, the chat page with its line history, and console commands.
#include "ui/chat.h"

#include "net/client.h"
#include "platform/messages.h"
#include "race/race.h"
#include "render/hud.h"
#include "render/view_camera.h"
#include "sound/engine_sounds.h"
#include "track/track.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

const double chat_flood_seconds = 2;
const int scrollback_max = 950;
const float degrees = 0.017453292519943295f;

// The line enters the history as line 1; the field empties.
void history_push(Menus *m)
{
    std::string &text = m->chat_field.text;
    for (int i = CHAT_HISTORY - 1; i > 1; --i)
        memcpy(m->history[i], m->history[i - 1], CHAT_LINE);
    snprintf(m->history[1], CHAT_LINE, "%s", text.c_str());
    m->history_count = std::min(m->history_count + 1, (int)CHAT_HISTORY - 1);
    m->history[0][0] = '\0';
    text.clear();
    m->chat_field.cursor = 0;
    m->history_index = 0;
}

bool command_is(const char *line, const char *word, bool exact, const char **args)
{
    size_t n = strlen(word);
    if (strncmp(line, word, n) != 0 || (exact && line[n] != '\0'))
        return false;
    *args = line + n;
    return true;
}

// Runs a console command; false when the word is none of them.
bool run_command(MenuContext *ctx, const char *line)
{
    Config *c = ctx->config;
    Sim *sim = ctx->sim;
    const char *args;
    const RiderSlot *watched = sim ? &sim->race.slots[sim->race.watched_slot] : nullptr;
    if (command_is(line, "savetrackinfo", true, &args)) {
        // Saving reports itself (nothing when no file could be made).
        if (sim && sim->track)
            save_track_info(*sim->track);
    } else if (command_is(line, "renderstats", true, &args)) {
        if (ctx->render_stats)
            render_stats_restart(ctx->render_stats);
        if (ctx->min_frame_time)
            *ctx->min_frame_time = 1, *ctx->max_frame_time = 0;
    } else if (command_is(line, "togglespy", true, &args)) {
        c->spy = !c->spy;
        show_message(c->spy ? "Spy mode ON" : "Spy mode OFF");
    } else if (command_is(line, "bbopt", false, &args)) {
        int n;
        if (sscanf(args, "%d", &n) == 1) {
            c->billboard_optimize_lookahead = std::clamp(n, 0, 1 << 20);
            show_messagef("Billboard optimization window is now %d", c->billboard_optimize_lookahead);
        } else {
            show_message("Usage: bbopt <steps>");
        }
    } else if (command_is(line, "pipe", false, &args)) {
        if (watched && watched->rider && ctx->sounds && engine_sound_retune(ctx->sounds, sim->race.watched_slot, args))
            show_message("Pipe updated");
    } else if (command_is(line, "namedemo", false, &args)) {
        if (!sim || !sim->demo.out || sim->race.time_trial) {
            show_message("Not currently recording a demo");
            return true;
        }
        while (*args == ' ')
            ++args;
        std::string name(args, strcspn(args, " "));
        if (name.size() + 8 > 1024) {
            show_message("Name too long");
            return true;
        }
        // A name that leaves the demos folder is refused: the recording is
        // renamed inside it.
        if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) {
            show_message("Usage: namedemo <name>");
            return true;
        }
        const std::string ext = ".rvdemo";
        if (name.size() < ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
            name += ext;
        sim->demo.pending_rename = name;
        show_message("Demo name updated");
    } else if (command_is(line, "camangle", false, &args)) {
        if (!watched || !watched->rider)
            return true;
        float yaw, pitch;
        if (sscanf(args, "%f %f", &yaw, &pitch) != 2 || !std::isfinite(yaw) || !std::isfinite(pitch)) {
            show_message("Usage: camangle <yaw> <pitch>");
            return true;
        }
        if (ViewCameras *cameras = ctx->cameras) {
            cameras->free_yaw = yaw * degrees, cameras->free_pitch = pitch * degrees;
            cameras->free_yaw_rate = cameras->free_pitch_rate = 0;
        }
        show_message("Camera aimed");
    } else if (command_is(line, "fov", false, &args)) {
        float f;
        if (sscanf(args, "%f", &f) != 1 || std::isnan(f)) {
            show_message("Usage: fov <degrees>");
            return true;
        }
        c->fov.value = std::clamp((double)f, 10.0, 170.0);
        show_message("fov set");
    } else {
        return false;
    }
    return true;
}

} // namespace

void text_field_key(MenuItem *f, const MenuKeys &k, int code)
{
    std::string &t = f->text;
    f->cursor = std::clamp(f->cursor, 0, (int)t.size());
    if (code == k.left) {
        f->cursor = std::max(f->cursor - 1, 0);
    } else if (code == k.right) {
        f->cursor = std::min(f->cursor + 1, (int)t.size());
    } else if (code == 8) {
        if (f->cursor > 0)
            t.erase((size_t)--f->cursor, 1);
    } else if (code == 127) {
        if (f->cursor < (int)t.size())
            t.erase((size_t)f->cursor, 1);
    } else if (code >= 32 && code < 127 && (isalnum(code) || ispunct(code) || code == ' ')) {
        if (f->cursor >= f->max_length)
            return;
        if (f->insert) {
            t.insert((size_t)f->cursor, 1, (char)code);
            if ((int)t.size() > f->max_length)
                t.resize((size_t)f->max_length);
        } else if (f->cursor < (int)t.size()) {
            t[(size_t)f->cursor] = (char)code;
        } else {
            t.push_back((char)code);
        }
        ++f->cursor;
    }
}

void chat_key(Menus *m, MenuContext *ctx, int code)
{
    const MenuKeys &k = m->keys;
    MenuItem &f = m->chat_field;
    if (code == k.enter || code == k.keypad_enter || code == '\r' || code == '\n') {
        chat_submit(m, ctx);
    } else if (code == k.up || code == k.down) {
        snprintf(m->history[m->history_index], CHAT_LINE, "%s", f.text.c_str());
        int last = std::max(m->history_count, 1);
        m->history_index = code == k.up ? std::min(m->history_index + 1, last) : std::max(m->history_index - 1, 0);
        f.text = m->history[m->history_index];
        f.cursor = (int)f.text.size();
    } else if (code == k.page_up) {
        m->scrollback = std::min(m->scrollback + 1, scrollback_max);
    } else if (code == k.page_down) {
        m->scrollback = std::max(m->scrollback - 1, 0);
    } else {
        text_field_key(&f, k, code);
    }
}

void chat_submit(Menus *m, MenuContext *ctx)
{
    const std::string &text = m->chat_field.text;
    if (text.empty())
        return;
    if (text[0] == '/' || text[0] == '\\') {
        if (run_command(ctx, text.c_str() + 1))
            history_push(m);
        return;
    }
    if (message_log.clock <= m->last_chat + chat_flood_seconds) {
        show_message("No one likes a spammer");
        return;
    }
    m->last_chat = message_log.clock;
    if (!ctx->net || !net_connected(*ctx->net))
        show_message("Not connected to server");
    else
        net_chat(ctx->net, text.substr(0, 466), message_log.clock);
    history_push(m);
}
