// Settings defaults and the "@config" file.
#include "ui/config.h"

#include "files/file_numbers.h"
#include "files/game_file.h"
#include "platform/log.h"
#include "platform/names.h"
#include "ui/bike_names.h"
#include "ui/lists.h"

#include <cmath>
#include <cstdio>
#include <cstring>

const char default_server_name[] = "localhost";

namespace
{

const std::vector<std::string> no_yes = {"No", "Yes"};

void slider(MenuItem *item, const char *label, double value, double minimum, double maximum, double step)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_SLIDER;
    item->value = value;
    item->minimum = minimum;
    item->maximum = maximum;
    item->step = step;
}

void choice(MenuItem *item, const char *label, std::vector<std::string> names, int index)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_CHOICE;
    item->names = std::move(names);
    item->index = index;
}

void text(MenuItem *item, const char *label, int max_length, const char *value)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_TEXT;
    item->max_length = max_length;
    item->text = value;
}

void binding_clear(ControlBinding *b)
{
    *b = ControlBinding();
    b->hi = 1.0f;
}

void binding(MenuItem *item, const char *label, const char *key)
{
    *item = MenuItem();
    item->label = label;
    item->kind = ITEM_BINDING;
    binding_clear(&item->binding);
    item->binding.key_name = name_intern(key);
}

const std::string dead_zone_prefix = "dead_zone.";

void dead_zone_slider(PadSetting *p)
{
    slider(&p->dead_zone, "Dead Zone", 0, 0, 50, 1);
}

// One line of the file: a key and either a menu item or a plain integer.
struct ConfigKey {
    std::string key;
    MenuItem *item;
    int *integer;
};

// Every key in file order, bound to the settings of one Config.
std::vector<ConfigKey> config_keys(Config *c)
{
    std::vector<ConfigKey> keys;
    auto item = [&](const std::string &key, MenuItem *m) { keys.push_back({key, m, nullptr}); };
    auto integer = [&](const char *key, int *v) { keys.push_back({key, nullptr, v}); };
    char key[32];

    integer("xres", &c->xres);
    integer("yres", &c->yres);
    integer("draw_fps", &c->draw_fps);
    integer("draw_time", &c->draw_time);
    integer("draw_ping", &c->draw_ping);
    integer("spy", &c->spy);
    item("record", &c->record);
    item("skill", &c->skill);
    item("minutes", &c->minutes);
    item("laps", &c->laps);
    for (int i = 0; i < START_SLOTS; ++i) {
        snprintf(key, sizeof key, "slot%02d", i);
        item(key, &c->slots[i]);
    }
    item("ghost_fade_distance", &c->ghost_fade_distance);
    item("time_trial_abort", &c->time_trial_abort);
    item("bike", &c->bike);
    item("name", &c->name);
    item("number", &c->number);
    item("rider_texture", &c->rider_texture);
    item("head_texture", &c->head_texture);
    item("bike_texture", &c->bike_texture);
    item("wheel_texture", &c->wheel_texture);

    item("stability", &c->stability);
    item("leveling", &c->leveling);
    item("roll_damping", &c->roll_damping);
    item("roll_limit_angle", &c->roll_limit_angle);
    item("roll_limit_factor", &c->roll_limit_factor);
    item("steering_damping", &c->steering_damping);
    item("steering_strength", &c->steering_strength);
    item("max_steering_force", &c->max_steering_force);
    item("direct_steering", &c->direct_steering);
    item("slow_damping_speed", &c->slow_damping_speed);
    item("slow_damping_factor", &c->slow_damping_factor);
    item("land_damping_falloff", &c->land_damping_falloff);
    item("land_damping_factor", &c->land_damping_factor);
    item("arcade", &c->arcade);
    item("front_brake", &c->front_brake);
    item("rear_brake", &c->rear_brake);
    item("stop_wheelies", &c->stop_wheelies);
    item("auto_shift", &c->auto_shift);
    item("auto_dab", &c->auto_dab);
    item("sticky_dab", &c->sticky_dab);
    item("reverse_steering", &c->reverse_steering);
    item("lean_indicator", &c->lean_indicator);
    item("auto_clutch_rpms", &c->auto_clutch_rpms);
    item("brake_torque", &c->brake_torque);
    item("rear_brake_torque", &c->rear_brake_torque);
    item("max_dab_speed", &c->max_dab_speed);
    item("front_sprocket_adjustment", &c->front_sprocket_adjustment);
    item("rear_sprocket_adjustment", &c->rear_sprocket_adjustment);
    item("fork_compression_adjustment", &c->fork_compression_adjustment);
    item("fork_rebound_adjustment", &c->fork_rebound_adjustment);
    item("fork_spring_rate_adjustment", &c->fork_spring_rate_adjustment);
    item("fork_preload_adjustment", &c->fork_preload_adjustment);
    item("fork_oil_level_adjustment", &c->fork_oil_level_adjustment);
    item("shock_compression_adjustment", &c->shock_compression_adjustment);
    item("shock_rebound_adjustment", &c->shock_rebound_adjustment);
    item("shock_spring_rate_adjustment", &c->shock_spring_rate_adjustment);
    item("shock_preload_adjustment", &c->shock_preload_adjustment);
    item("rider_yspring", &c->rider_yspring);
    item("rider_ydamping", &c->rider_ydamping);
    item("rider_zspring", &c->rider_zspring);
    item("rider_zdamping", &c->rider_zdamping);
    item("rider_mass_distribution", &c->rider_mass_distribution);

    item("video_mode", &c->video_mode);
    item("server_name", &c->server_name);
    for (int i = 0; i < SERVER_HISTORY; ++i) {
        snprintf(key, sizeof key, "server_name_hist%02d", i);
        item(key, &c->server_name_hist[i]);
    }
    item("ground_detail", &c->ground_detail);
    item("ground_texture_detail", &c->ground_texture_detail);
    item("ground_texture_dim", &c->ground_texture_dim);
    item("ground_mipmaps", &c->ground_mipmaps);
    item("use_fbo", &c->use_fbo);
    item("use_shader", &c->use_shader);
    item("roost_density", &c->roost_density);
    item("lens_flare", &c->lens_flare);
    item("hide_rider", &c->hide_rider);
    item("rigid_camera", &c->rigid_camera);
    item("model_detail", &c->model_detail);
    item("model_texture_detail", &c->model_texture_detail);
    item("fov", &c->fov);
    item("first_person_height", &c->first_person_height);
    item("first_person_angle", &c->first_person_angle);
    item("volume", &c->volume);
    item("playback_mode", &c->playback_mode);
    integer("billboard_optimize_lookahead", &c->billboard_optimize_lookahead);

    static const char *const binding_keys[BINDINGS] = {
        "throttle_key",     "front_brake_key",   "rear_brake_key", "left_key",    "right_key",
        "clutch_key",       "upshift_key",       "downshift_key",  "dab_key",     "back_up_key",
        "lean_forward_key", "lean_backward_key", "pause_key",      "step_key",    "rewind_key",
        "skip_key",         "prev_key",          "next_key",       "console_key", "screenshot_key",
    };
    for (int i = 0; i < BINDINGS; ++i)
        item(binding_keys[i], &c->bindings[i]);
    // Later additions follow, so older files still read line for line.
    for (int i = 0; i < BINDINGS; ++i) {
        std::string pad_key = binding_keys[i];
        item(pad_key.replace(pad_key.size() - 4, 4, "_pad"), &c->pad_bindings[i]);
    }
    item("rumble", &c->rumble);
    for (PadSetting &p : c->pads)
        item(dead_zone_prefix + p.device, &p.dead_zone);
    return keys;
}

void read_binding(ControlBinding *b, const char *value)
{
    while (*value == ' ' || *value == '\t')
        ++value;
    binding_clear(b);
    float lo, hi;
    const char *close = strchr(value, ')');
    // An axis range must be two finite numbers; anything else is no binding.
    if (value[0] == '(' && close && sscanf(value, "(%f,%f)", &lo, &hi) == 2) {
        if (!file_number_in(lo, -1e6, 1e6) || !file_number_in(hi, -1e6, 1e6))
            return;
        b->lo = lo;
        b->hi = hi;
        if (close[1])
            b->axis_name = name_intern(close + 1);
        return;
    }
    if (strncmp(value, "(k)", 3) == 0)
        value += 3;
    if (*value)
        b->key_name = name_intern(value);
}

void read_item(Config *c, const ConfigKey &k, const char *value)
{
    if (k.integer) {
        text_int(value, k.integer);
        return;
    }
    MenuItem *item = k.item;
    switch (item->kind) {
    case ITEM_SLIDER: {
        double v;
        if (sscanf(value, "%lf", &v) == 1)
            slider_set(item, v);
        if (item == &c->stability)
            apply_stability(c, (int)c->stability.value);
        break;
    }
    case ITEM_CHOICE:
        if (item == &c->bike) {
            static const char *const legacy[][2] = {
                {"crf250", "crf250(2008)"},
                {"kx250f", "kx250f(2008)"},
                {"rmz250", "rmz250(2008)"},
                {"yz250f", "yz250f(2008)"},
            };
            for (const auto &l : legacy)
                if (strcmp(value, l[0]) == 0)
                    value = l[1];
            choice_select(item, value);
            config_rebuild_bike_skins(c);
        } else {
            choice_select(item, value);
        }
        break;
    case ITEM_TEXT:
        // History entries too long for their 128-byte slots are dropped whole.
        if (item >= c->server_name_hist && item < c->server_name_hist + SERVER_HISTORY && strlen(value) >= 128)
            break;
        item->text.assign(value, strnlen(value, (size_t)item->max_length));
        break;
    case ITEM_BINDING:
        read_binding(&item->binding, value);
        break;
    }
}

void write_item(GameFile *f, const ConfigKey &k)
{
    const char *key = k.key.c_str();
    if (k.integer) {
        gf_printf(f, "%s=%d\n", key, *k.integer);
        return;
    }
    const MenuItem &item = *k.item;
    switch (item.kind) {
    case ITEM_SLIDER:
        gf_printf(f, "%s=%f\n", key, item.value);
        break;
    case ITEM_CHOICE:
        gf_printf(f, "%s=%s\n", key, choice_name(item));
        break;
    case ITEM_TEXT:
        gf_printf(f, "%s=%s\n", key, item.text.c_str());
        break;
    case ITEM_BINDING:
        if (item.binding.key_name)
            gf_printf(f, "%s=(k)%s\n", key, item.binding.key_name);
        else if (item.binding.axis_name)
            gf_printf(f, "%s=(%f,%f)%s\n", key, item.binding.lo, item.binding.hi, item.binding.axis_name);
        else
            gf_printf(f, "%s=\n", key); // reads back as unbound, not as the default
        break;
    }
}

} // namespace

void slider_set(MenuItem *item, double value)
{
    // Not a number: the slider keeps its value.
    if (std::isnan(value))
        return;
    if (value < item->minimum)
        value = item->minimum;
    if (value > item->maximum)
        value = item->maximum;
    item->value = value;
}

const char *choice_name(const MenuItem &item)
{
    if (item.index < 0 || item.index >= (int)item.names.size())
        return "";
    return item.names[item.index].c_str();
}

bool choice_select(MenuItem *item, const char *name)
{
    for (size_t i = 0; i < item->names.size(); ++i) {
        if (item->names[i] == name) {
            item->index = (int)i;
            return true;
        }
    }
    return false;
}

void config_defaults(Config *c)
{
    c->xres = 640;
    c->yres = 480;
    c->draw_fps = 0;
    c->draw_time = 0;
    c->draw_ping = 1;
    c->spy = 0;
    choice(&c->record, "Record Demo", no_yes, 0);
    choice(&c->skill, "Robot Skill", {"Novice", "Amateur", "Expert"}, 0);
    slider(&c->minutes, "Minutes", 0, 0, 60, 1);
    slider(&c->laps, "Laps", 5, 0, 50, 1);
    static char gate_labels[START_SLOTS][12];
    for (int i = 0; i < START_SLOTS; ++i) {
        snprintf(gate_labels[i], sizeof gate_labels[i], "Gate %d", i + 1);
        int kind = (i == 19) ? 1 : (i == 17 || i == 18 || (i >= 20 && i <= 22)) ? 2 : 0;
        choice(&c->slots[i], gate_labels[i], {"Empty", "Human", "Robot", "Robot (2 stroke)", "Robot (4 stroke)"}, kind);
    }
    slider(&c->ghost_fade_distance, "Ghost Fade Distance", 10, 0, 40, 1);
    choice(&c->time_trial_abort, "Backing Up Aborts Attempt", no_yes, 1);
    choice(&c->bike, "Bike", std::vector<std::string>(offered_bike_names, offered_bike_names + OFFERED_BIKES), 0);
    text(&c->name, "Name", 63, "Joe Motocross");
    text(&c->number, "Number", 3, "999");
    c->number.insert = false;
    choice(&c->rider_texture, "Riding Gear", {"default"}, 0);
    choice(&c->head_texture, "Helmet", {"default"}, 0);
    choice(&c->bike_texture, "Bike Graphics", {"default"}, 0);
    choice(&c->wheel_texture, "Wheel Graphics", {"default"}, 0);

    slider(&c->stability, "Stability", 100, 0, 100, 1);
    slider(&c->leveling, "Leveling", 20, 0, 100, 1);
    slider(&c->roll_damping, "Roll Damping", 60, 0, 100, 1);
    slider(&c->roll_limit_angle, "Roll Limit Angle", 45, 0, 180, 1);
    slider(&c->roll_limit_factor, "Roll Limit Factor", 10, 0, 64, 1);
    slider(&c->steering_damping, "Steering Damping", 45, 0, 100, 1);
    slider(&c->steering_strength, "Steering Strength", 75, 0, 100, 1);
    slider(&c->max_steering_force, "Max Steering Force", 400, 0, 1000, 5);
    slider(&c->direct_steering, "Direct Steering", 1, 0, 1, 0.125);
    slider(&c->slow_damping_speed, "Slow Damping Speed", 40, 0, 100, 1);
    slider(&c->slow_damping_factor, "Slow Damping Factor", 2, 1, 10, 0.25);
    slider(&c->land_damping_falloff, "Landing Damping Falloff", 0.25, 0, 0.5, 0.0625);
    slider(&c->land_damping_factor, "Landing Damping Factor", 2, 1, 3, 0.25);
    choice(&c->arcade, "Arcade Physics", no_yes, 1);
    choice(&c->front_brake, "Front Brake", {"Normal", "Antilock"}, 1);
    choice(&c->rear_brake, "Rear Brake", {"Normal", "Antilock"}, 0);
    choice(&c->stop_wheelies, "Stop Wheelies", {"No", "Yes", "Front Only"}, 0);
    choice(&c->auto_shift, "Automatic Shifting", no_yes, 1);
    choice(&c->auto_dab, "Dab When Stopped", no_yes, 1);
    choice(&c->sticky_dab, "Sticky Sit/Dab", no_yes, 0);
    choice(&c->reverse_steering, "Reversed Steering", no_yes, 1);
    choice(&c->lean_indicator, "Lean Indicator", no_yes, 1);
    slider(&c->auto_clutch_rpms, "Auto Clutch RPMs", 5000, 0, 5000, 100);
    slider(&c->brake_torque, "Braking Torque (Front)", 250, 0, 500, 10);
    slider(&c->rear_brake_torque, "Braking Torque (Rear)", 250, 0, 500, 10);
    slider(&c->max_dab_speed, "Max Dab Speed (MPH)", 20, 10, 20, 1);
    slider(&c->front_sprocket_adjustment, "Countershaft Sprocket", 0, -2, 2, 1);
    slider(&c->rear_sprocket_adjustment, "Rear Sprocket", 0, -2, 2, 1);
    slider(&c->fork_compression_adjustment, "Fork Compression Damping", 50, 0, 100, 1);
    slider(&c->fork_rebound_adjustment, "Fork Rebound Damping", 50, 0, 100, 1);
    slider(&c->fork_spring_rate_adjustment, "Fork Spring Rate", 50, 0, 100, 1);
    slider(&c->fork_preload_adjustment, "Fork Preload", 50, 0, 100, 1);
    slider(&c->fork_oil_level_adjustment, "Fork Oil Level", 50, 0, 100, 1);
    slider(&c->shock_compression_adjustment, "Shock Compression Damping", 50, 0, 100, 1);
    slider(&c->shock_rebound_adjustment, "Shock Rebound Damping", 50, 0, 100, 1);
    slider(&c->shock_spring_rate_adjustment, "Shock Spring Rate", 50, 0, 100, 1);
    slider(&c->shock_preload_adjustment, "Shock Preload", 50, 0, 100, 1);
    slider(&c->rider_yspring, "Rider Vertical Spring", 50, 0, 100, 1);
    slider(&c->rider_ydamping, "Rider Vertical Damping", 50, 0, 100, 1);
    slider(&c->rider_zspring, "Rider Forward Spring", 50, 0, 100, 1);
    slider(&c->rider_zdamping, "Rider Forward Damping", 50, 0, 100, 1);
    slider(&c->rider_mass_distribution, "Rider Mass Distribution", 0.33, 0.33, 0.5, 0.01);

    config_set_video_modes(c, {});
    text(&c->server_name, "Server", 127, default_server_name);
    for (int i = 0; i < SERVER_HISTORY; ++i)
        text(&c->server_name_hist[i], "", 127, "");
    slider(&c->ground_detail, "Ground Geometric Detail", 50, 0, 100, 1);
    slider(&c->ground_texture_detail, "Ground Texture Levels", 9, 0, 10, 1);
    choice(&c->ground_texture_dim, "Ground Texture Resolution",
           {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"}, 2);
    choice(&c->ground_mipmaps, "Enable Ground Mipmaps", no_yes, 1);
    choice(&c->use_fbo, "Use Framebuffer Objects", no_yes, 1);
    choice(&c->use_shader, "Use Shader Programs", no_yes, 1);
    slider(&c->roost_density, "Roost Density", 250, 0, 1000, 10);
    choice(&c->lens_flare, "Enable Lens Flares", no_yes, 1);
    choice(&c->hide_rider, "Hide 1st Person Rider", no_yes, 0);
    choice(&c->rigid_camera, "Rigid 3rd person camera", no_yes, 0);
    slider(&c->model_detail, "Model Geometric Detail", 50, 0, 100, 1);
    slider(&c->model_texture_detail, "Model Texture Detail", 9, 0, 10, 1);
    slider(&c->fov, "Field Of View", 110, 10, 170, 1);
    slider(&c->first_person_height, "1st Person Height", 0, 0, 1, 0.03125);
    slider(&c->first_person_angle, "1st Person Angle", 0, 0, 40, 1);
    slider(&c->volume, "Volume", 10, 0, 10, 1);
    choice(&c->playback_mode, "Playback Mode", {"Playback Only", "Race Against"}, 0);
    c->billboard_optimize_lookahead = 8;

    static const char *const labels[BINDINGS] = {
        "Throttle",  "Front Brake", "Rear Brake",    "Left",         "Right",         "Clutch",     "Upshift",
        "Downshift", "Sit/Dab",     "Back up",       "Lean Forward", "Lean Backward", "Pause",      "Step",
        "Rewind",    "Skip",        "Previous Bike", "Next Bike",    "Chat",          "Screenshot",
    };
    static const char *const keys[BINDINGS] = {
        "x", "c", "v",     "left", "right", "z", "up", "down", "right ctrl", "b",
        "n", "m", "pause", ".",    "\\",    "/", "[",  "]",    "t",          "s",
    };
    for (int i = 0; i < BINDINGS; ++i)
        binding(&c->bindings[i], labels[i], keys[i]);

    config_pad_defaults(c);
    slider(&c->rumble, "Rumble Strength", 50, 0, 100, 10);
    c->pads.clear();
    // Menu rows point into the list: it never moves.
    c->pads.reserve(MAX_PAD_SETTINGS);
}

void config_pad_defaults(Config *c)
{
    // The pad layout: the left stick steers, the right stick moves the
    // rider's body, the right trigger opens the throttle and the left one
    // pulls the front brake; A the rear brake, B sit/dab, X the clutch, Y
    // back up, the bumpers shift, the D-pad picks the bike watched and Back
    // takes a screenshot. Start is the menus'.
    static const char *const pad[BINDINGS] = {
        "(0.0625,0.9375)Pad axis 5",
        "(0.0625,0.9375)Pad axis 4",
        "Pad button 0",
        "(-0.0625,-0.9375)Pad axis 0",
        "(0.0625,0.9375)Pad axis 0",
        "Pad button 2",
        "Pad button 10",
        "Pad button 9",
        "Pad button 1",
        "Pad button 3",
        "(-0.0625,-0.9375)Pad axis 3",
        "(0.0625,0.9375)Pad axis 3",
        "",
        "",
        "",
        "",
        "Pad button 13",
        "Pad button 14",
        "",
        "Pad button 4",
    };
    for (int i = 0; i < BINDINGS; ++i) {
        binding(&c->pad_bindings[i], c->bindings[i].label, "");
        read_binding(&c->pad_bindings[i].binding, pad[i]);
    }
}

PadSetting *pad_setting(Config *c, const std::string &device)
{
    for (PadSetting &p : c->pads)
        if (p.device == device)
            return &p;
    if (c->pads.size() >= MAX_PAD_SETTINGS)
        return nullptr;
    c->pads.push_back({device, {}});
    dead_zone_slider(&c->pads.back());
    return &c->pads.back();
}

void config_set_video_modes(Config *c, const std::vector<std::string> &display_modes)
{
    std::vector<std::string> names = {"Default Fullscreen", "Windowed"};
    names.insert(names.end(), display_modes.begin(), display_modes.end());
    std::string current = c->video_mode.names.empty() ? "" : choice_name(c->video_mode);
    choice(&c->video_mode, "Video Mode", names, 0);
    if (!current.empty())
        choice_select(&c->video_mode, current.c_str());
}

static void set_skin_choice(MenuItem *item, const char *prefix)
{
    SkinList list = skin_list_build(prefix);
    item->names = std::move(list.names);
    item->values = std::move(list.files);
    item->index = 0;
}

void config_build_skin_lists(Config *c)
{
    set_skin_choice(&c->rider_texture, "rider_body-");
    set_skin_choice(&c->head_texture, "rider_head-");
    config_rebuild_bike_skins(c);
    set_skin_choice(&c->wheel_texture, "wheels-");
}

void config_rebuild_bike_skins(Config *c)
{
    int bike = c->bike.index >= 0 && c->bike.index < OFFERED_BIKES ? c->bike.index : 0;
    set_skin_choice(&c->bike_texture, offered_bike_skin_prefixes[bike]);
}

void config_read_stream(Config *c, GameFile *f)
{
    std::vector<ConfigKey> keys = config_keys(c);
    char line[1024];
    while (gf_gets(f, line, sizeof line)) {
        char *equals = strchr(line, '=');
        if (!equals)
            continue;
        *equals = '\0';
        char *value = equals + 1;
        size_t len = strlen(value);
        while (len > 0 && (value[len - 1] == '\r' || value[len - 1] == '\n'))
            value[--len] = '\0';
        bool known = false;
        for (const ConfigKey &k : keys) {
            if (k.key == line) {
                read_item(c, k, value);
                known = true;
                break;
            }
        }
        // A device's settings: the devices are not known before the file.
        if (!known && strncmp(line, dead_zone_prefix.c_str(), dead_zone_prefix.size()) == 0 &&
            line[dead_zone_prefix.size()] && pad_setting(c, line + dead_zone_prefix.size())) {
            keys = config_keys(c);
            read_item(c, keys.back(), value);
        }
    }
}

void config_read(Config *c)
{
    GameFile *f = gf_open("@config", "rb");
    if (!f)
        return;
    config_read_stream(c, f);
    gf_close(f);
}

void config_write_stream(const Config *c, GameFile *f)
{
    // The key table only reads through its pointers here.
    for (const ConfigKey &k : config_keys(const_cast<Config *>(c)))
        write_item(f, k);
}

bool config_write(const Config *c)
{
    // Written beside the old file and renamed over it, so a failed write
    // (a full disk, say) never leaves a half-written configuration.
    GameFile *f = gf_open_new("@config");
    if (!f) {
        zeph_log("Can't write configuration\n");
        return false;
    }
    config_write_stream(c, f);
    if (!gf_replace(f, "@config")) {
        zeph_log("Can't write configuration\n");
        return false;
    }
    return true;
}

void apply_stability(Config *c, int stability)
{
    static const double presets[12][6] = {
        {20, 20, 20, 20, 20, 20}, {40, 50, 60, 70, 75, 80}, {90, 45, 45, 40, 35, 35},           {0, 5, 10, 32, 32, 32},
        {45, 45, 45, 45, 45, 45}, {75, 75, 75, 75, 75, 75}, {400, 400, 400, 400, 400, 400},     {1, 1, 1, 1, 1, 0},
        {40, 40, 40, 40, 40, 40}, {1, 1, 1.5, 2, 2, 2},     {0, 0.125, 0.25, 0.25, 0.25, 0.25}, {1, 1.5, 2, 2, 2, 2},
    };
    MenuItem *settings[12] = {
        &c->leveling,           &c->roll_damping,        &c->roll_limit_angle,     &c->roll_limit_factor,
        &c->steering_damping,   &c->steering_strength,   &c->max_steering_force,   &c->direct_steering,
        &c->slow_damping_speed, &c->slow_damping_factor, &c->land_damping_falloff, &c->land_damping_factor,
    };
    double x = stability * 5 * 0.01;
    x = x < 0 ? 0 : x > 5 ? 5 : x;
    int i = (int)floor(x);
    i = i < 0 ? 0 : i > 4 ? 4 : i;
    double t = x - i;
    for (int k = 0; k < 12; ++k)
        settings[k]->value = presets[k][i] + (presets[k][i + 1] - presets[k][i]) * t;
}
