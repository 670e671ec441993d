// Game controllers and raw joysticks: the roll call at start-up, devices
// plugged in and pulled out while the game runs, their buttons, hats and
// axes, dead zones, rumble and the names the player sees.
#include "platform/pads.h"

#include "platform/log.h"
#include "platform/names.h"
#include "platform/window_local.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

enum { MAX_AXES = 100, MAX_BUTTONS = 500 };

// An axis value with the device's dead zone taken off at its resting end:
// within the dead zone it reads its rest, beyond it the travel is stretched
// so the far end still reads full.
int dead_zone_applied(int v, int rest, float dead_zone)
{
    v = std::max(v, -32767);
    if (dead_zone <= 0)
        return v;
    if (rest == 0) {
        float a = std::fabs((float)v) / 32767;
        a = std::max(0.0f, (a - dead_zone) / (1 - dead_zone));
        return (int)std::lround((v < 0 ? -a : a) * 32767);
    }
    float travel = (float)(v - rest) / (float)(-2 * rest);
    travel = std::max(0.0f, (travel - dead_zone) / (1 - dead_zone));
    return (int)std::lround((float)rest + travel * (float)(-2 * rest));
}

// Where a raw joystick's axis rests: an end for triggers and pedals. SDL
// knows once the device has reported the axis.
void learn_rest(InputDevice *d, int axis)
{
    Sint16 state = 0;
    if (d->controller || d->rest_known[(size_t)axis] || !SDL_JoystickGetAxisInitialState(d->joystick, axis, &state))
        return;
    d->rest_known[(size_t)axis] = 1;
    if (std::abs(state) > 16384)
        d->axis_rest[(size_t)axis] = state < 0 ? -32767 : 32767;
}

int pad_read_axis(Window *, InputDevice *d, int axis)
{
    if (axis < 0 || axis >= (int)d->axis_rest.size())
        return 0;
    if (!d->connected)
        return d->axis_rest[(size_t)axis];
    learn_rest(d, axis);
    int rest = d->axis_rest[(size_t)axis];
    int v = d->controller ? SDL_GameControllerGetAxis(d->controller, (SDL_GameControllerAxis)axis)
                          : SDL_JoystickGetAxis(d->joystick, axis);
    return dead_zone_applied(v, rest, d->dead_zone);
}

void pad_close_sdl(InputDevice *d)
{
    if (d->controller)
        SDL_GameControllerClose(d->controller); // closes its joystick too
    else if (d->joystick)
        SDL_JoystickClose(d->joystick);
    d->controller = nullptr;
    d->joystick = nullptr;
    d->instance = -1;
}

const DeviceOps pad_ops = {nullptr, nullptr, pad_read_axis, pad_close_sdl};

// FNV-1a of the GUID text: eight hex digits that tell devices apart.
std::string guid_tag(const std::string &guid)
{
    uint32_t h = 2166136261u;
    for (char c : guid)
        h = (h ^ (unsigned char)c) * 16777619u;
    char text[9];
    snprintf(text, sizeof text, "%08x", h);
    return text;
}

std::string identity_name(const std::string &product, const std::string &guid)
{
    std::string base;
    for (char c : product)
        if (std::isalnum((unsigned char)c) || c == '-' || c == '_')
            base += c;
    if (base.empty())
        base = "Joystick";
    base.resize(std::min(base.size(), (size_t)40));
    return base + "-" + guid_tag(guid);
}

bool is_pad(const InputDevice &d)
{
    return d.ops == &pad_ops;
}

void log_device(const char *what, const InputDevice &d)
{
    zeph_log("Controllers: %s %s \"%s\", GUID %s, %s\n", what, d.name.c_str(), d.product.c_str(), d.guid.c_str(),
             d.controller ? "game controller" : "joystick");
}

// Opens SDL's side of a device and reads its shape.
bool open_sdl(InputDevice *d, int index)
{
    d->is_controller = SDL_IsGameController(index);
    if (d->is_controller) {
        d->controller = SDL_GameControllerOpen(index);
        d->joystick = d->controller ? SDL_GameControllerGetJoystick(d->controller) : nullptr;
    } else {
        d->joystick = SDL_JoystickOpen(index);
    }
    if (!d->joystick) {
        d->is_controller = false;
        return false;
    }
    d->instance = SDL_JoystickInstanceID(d->joystick);
    if (d->controller) {
        d->axes = PAD_AXES;
        d->buttons = PAD_BUTTONS;
        d->axis_rest.assign(PAD_AXES, 0);
        d->rest_known.assign(PAD_AXES, 1);
        return true;
    }
    d->axes = std::min(SDL_JoystickNumAxes(d->joystick), (int)MAX_AXES);
    d->sdl_buttons = std::max(SDL_JoystickNumButtons(d->joystick), 0);
    d->hats = std::max(SDL_JoystickNumHats(d->joystick), 0);
    d->buttons = std::min(d->sdl_buttons + 4 * d->hats, (int)MAX_BUTTONS);
    // Triggers and pedals rest at one end of their travel.
    if (d->axis_rest.size() != (size_t)std::max(d->axes, 0)) {
        d->axis_rest.assign((size_t)std::max(d->axes, 0), 0);
        d->rest_known.assign(d->axis_rest.size(), 0);
    }
    for (int i = 0; i < d->axes; ++i)
        learn_rest(d, i);
    return true;
}

InputDevice *instance_device(Window *w, SDL_JoystickID instance)
{
    for (auto &d : w->devices)
        if (is_pad(*d) && d->connected && d->instance == instance)
            return d.get();
    return nullptr;
}

void add_axis_names(Window *w, InputDevice *d)
{
    for (int i = 0; i < d->axes; ++i) {
        char name[256];
        snprintf(name, sizeof name, "%.200s axis %d", d->name.c_str(), i);
        zeph_log("Adding axis \"%s\"\n", name);
        w->axis_names.push_back(name_intern(name));
    }
}

// A device plugged in (or present at start-up): an unplugged one of the same
// identity takes it back with its name, so its bindings return.
void device_added(Window *w, int index)
{
    if (instance_device(w, SDL_JoystickGetDeviceInstanceID(index)))
        return; // already open: the start-up roll call saw it
    char guid_text[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid_text, sizeof guid_text);
    std::string guid = guid_text;
    const char *product_name =
        SDL_IsGameController(index) ? SDL_GameControllerNameForIndex(index) : SDL_JoystickNameForIndex(index);
    std::string product = product_name ? product_name : "";
    for (auto &d : w->devices)
        if (is_pad(*d) && !d->connected && d->guid == guid && d->product == product) {
            if (!open_sdl(d.get(), index))
                return;
            d->connected = true;
            d->button_states.assign((size_t)d->buttons, 0);
            d->repeat_at.assign((size_t)d->buttons, 0);
            log_device("found", *d);
            ++w->device_generation;
            return;
        }
    auto d = std::make_unique<InputDevice>();
    d->ops = &pad_ops;
    d->guid = guid;
    d->product = product;
    d->order = ++w->pads_found;
    if (!open_sdl(d.get(), index)) {
        zeph_log("Can't create \"%s\"\n", identity_name(product, guid).c_str());
        return;
    }
    InputDevice *added = add_device(w, std::move(d), identity_name(product, guid));
    added->repeat_at.assign((size_t)added->buttons, 0);
    log_device("found", *added);
    zeph_log("%d axes, %d keys\n", added->axes, added->buttons);
    add_axis_names(w, added);
    ++w->device_generation;
}

// What a device's button does in the menus.
PadMenuKey button_role(const InputDevice &d, int button)
{
    if (!d.is_controller) {
        // A plain joystick: its hats move, its first two buttons choose
        // and go back.
        if (button == 0)
            return PAD_MENU_ACCEPT;
        if (button == 1)
            return PAD_MENU_BACK;
        int hat_button = button - d.sdl_buttons;
        if (hat_button >= 0 && hat_button < 4 * d.hats) {
            static const PadMenuKey dirs[4] = {PAD_MENU_UP, PAD_MENU_RIGHT, PAD_MENU_DOWN, PAD_MENU_LEFT};
            return dirs[hat_button % 4];
        }
        return PAD_MENU_NONE;
    }
    switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
        return PAD_MENU_ACCEPT;
    case SDL_CONTROLLER_BUTTON_B:
        return PAD_MENU_BACK;
    case SDL_CONTROLLER_BUTTON_START:
        return PAD_MENU_START;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
    case PAD_STICK_BUTTONS:
        return PAD_MENU_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
    case PAD_STICK_BUTTONS + 1:
        return PAD_MENU_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
    case PAD_STICK_BUTTONS + 2:
        return PAD_MENU_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
    case PAD_STICK_BUTTONS + 3:
        return PAD_MENU_RIGHT;
    default:
        return PAD_MENU_NONE;
    }
}

// A button pressed or let go. Held, the menu directions repeat as keys do:
// after 0.4 s, ten times a second.
void pad_button(Window *w, InputDevice *d, int button, bool down, uint32_t timestamp)
{
    device_button(w, d, button, down, timestamp);
    PadMenuKey role = button_role(*d, button);
    bool repeats = role >= PAD_MENU_UP && role <= PAD_MENU_RIGHT;
    if (button >= 0 && button < (int)d->repeat_at.size())
        d->repeat_at[(size_t)button] = down && repeats ? std::max(SDL_GetTicks(), 1u) + 400 : 0;
}

// A device pulled out: every button it held is let go, its axes read their
// rest, and it keeps its name for when it comes back.
void device_removed(Window *w, SDL_JoystickID instance, uint32_t timestamp)
{
    InputDevice *d = instance_device(w, instance);
    if (!d)
        return;
    for (int b = 0; b < d->buttons; ++b)
        pad_button(w, d, b, false, timestamp);
    pad_close_sdl(d);
    d->connected = false;
    log_device("lost", *d);
    ++w->device_generation;
}

// A hat's position as its four direction buttons.
void hat_moved(Window *w, InputDevice *d, int hat, int value, uint32_t timestamp)
{
    static const int directions[4] = {SDL_HAT_UP, SDL_HAT_RIGHT, SDL_HAT_DOWN, SDL_HAT_LEFT};
    for (int k = 0; k < 4; ++k)
        pad_button(w, d, d->sdl_buttons + 4 * hat + k, (value & directions[k]) != 0, timestamp);
}

// Sticks pushed past half way and triggers pulled past half way press their
// buttons; a little hysteresis keeps a stick on the edge from chattering.
void controller_axis_moved(Window *w, InputDevice *d, int axis, int value, uint32_t timestamp)
{
    auto press = [&](int button, int v) {
        bool down = d->button_states[(size_t)button] ? v > 12000 : v > 16384;
        pad_button(w, d, button, down, timestamp);
    };
    if (axis < 4) {
        int stick = axis / 2, across = axis % 2 == 0;
        int negative = PAD_STICK_BUTTONS + 4 * stick + (across ? 2 : 0);
        press(negative, -value);
        press(negative + 1, value);
    } else if (axis < PAD_AXES) {
        press(PAD_TRIGGER_BUTTONS + axis - 4, value);
    }
}

const char *const controller_buttons[PAD_BUTTONS] = {
    "A",
    "B",
    "X",
    "Y",
    "Back",
    "Guide",
    "Start",
    "Left Stick",
    "Right Stick",
    "Left Bumper",
    "Right Bumper",
    "D-pad Up",
    "D-pad Down",
    "D-pad Left",
    "D-pad Right",
    "Misc",
    "Paddle 1",
    "Paddle 2",
    "Paddle 3",
    "Paddle 4",
    "Touchpad",
    "Left Stick Up",
    "Left Stick Down",
    "Left Stick Left",
    "Left Stick Right",
    "Right Stick Up",
    "Right Stick Down",
    "Right Stick Left",
    "Right Stick Right",
    "Left Trigger",
    "Right Trigger",
};
const char *const controller_axes[PAD_AXES] = {"Left Stick X",  "Left Stick Y", "Right Stick X",
                                               "Right Stick Y", "Left Trigger", "Right Trigger"};

} // namespace

int pad_mappings_add(const char *file)
{
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        return 0;
    FILE *f = fopen(file, "rb");
    if (!f)
        return 0;
    fclose(f);
    int added = SDL_GameControllerAddMappingsFromFile(file);
    if (added < 0)
        zeph_log("Controllers: can't read %s: %s\n", file, SDL_GetError());
    else
        zeph_log("Controllers: %d mappings from %s\n", added, file);
    return std::max(added, 0);
}

void pads_init(Window *w)
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) {
        zeph_log("Can't open joysticks: %s\n", SDL_GetError());
        return;
    }
    w->pads_up = true;
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i)
        device_added(w, i);
}

void pads_close(Window *w)
{
    if (!w->pads_up)
        return;
    w->pads_up = false;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
}

bool pads_handle_event(Window *w, const SDL_Event &e)
{
    if (!w->pads_up)
        return false;
    switch (e.type) {
    case SDL_JOYDEVICEADDED:
        device_added(w, e.jdevice.which);
        return true;
    case SDL_JOYDEVICEREMOVED:
        device_removed(w, e.jdevice.which, e.jdevice.timestamp);
        return true;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        InputDevice *d = instance_device(w, e.jbutton.which);
        if (d && !d->controller && e.jbutton.button < d->sdl_buttons)
            pad_button(w, d, e.jbutton.button, e.type == SDL_JOYBUTTONDOWN, e.jbutton.timestamp);
        return true;
    }
    case SDL_JOYHATMOTION: {
        InputDevice *d = instance_device(w, e.jhat.which);
        if (d && !d->controller && e.jhat.hat < d->hats)
            hat_moved(w, d, e.jhat.hat, e.jhat.value, e.jhat.timestamp);
        return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        InputDevice *d = instance_device(w, e.cbutton.which);
        if (d && d->controller && e.cbutton.button < PAD_SDL_BUTTONS)
            pad_button(w, d, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN, e.cbutton.timestamp);
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        InputDevice *d = instance_device(w, e.caxis.which);
        if (d && d->controller)
            controller_axis_moved(w, d, e.caxis.axis, e.caxis.value, e.caxis.timestamp);
        return true;
    }
    case SDL_JOYAXISMOTION:
    case SDL_JOYBALLMOTION:
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMAPPED:
        return true;
    default:
        return false;
    }
}

InputDevice *pad_by_legacy_name(Window *w, const char *name)
{
    int n = 0;
    char rest;
    bool pad = strcmp(name, "Pad") == 0;
    if (!pad && (sscanf(name, "Joystick%d%c", &n, &rest) != 1 || n < 1))
        return nullptr;
    int seen = 0;
    for (auto &d : w->devices)
        if (is_pad(*d) && d->connected && (pad ? d->is_controller : ++seen == n))
            return d.get();
    return nullptr;
}

int input_generation(const Window *w)
{
    return w->device_generation;
}

bool axis_live(const AxisHandle *h)
{
    return h && (!is_pad(*h->device) || h->device->connected);
}

std::vector<PadInfo> input_pads(const Window *w)
{
    std::vector<PadInfo> pads;
    for (auto &d : w->devices)
        if (is_pad(*d))
            pads.push_back({d->name, d->product, d->guid, d->is_controller, d->connected});
    return pads;
}

void input_set_dead_zone(Window *w, const char *device, float fraction)
{
    for (auto &d : w->devices)
        if (is_pad(*d) && d->name == device)
            d->dead_zone = std::clamp(fraction, 0.0f, 0.9f);
}

PadMenuKey pad_menu_key(const Window *w, int code)
{
    int id = code >> 16;
    if (id == 0)
        return PAD_MENU_NONE;
    for (auto &d : w->devices)
        if (is_pad(*d) && d->id == id)
            return button_role(*d, code & 0xffff);
    return PAD_MENU_NONE;
}

void pads_repeat(Window *w)
{
    uint32_t now = SDL_GetTicks();
    for (auto &d : w->devices)
        for (size_t b = 0; is_pad(*d) && d->connected && b < d->repeat_at.size(); ++b)
            if (d->repeat_at[b] && SDL_TICKS_PASSED(now, d->repeat_at[b])) {
                queue_button(w, (d->id << 16) | (int)b, 1, now);
                d->repeat_at[b] = now + 100;
            }
}

bool pad_button_from_axis(const Window *w, int code)
{
    int id = code >> 16, button = code & 0xffff;
    for (auto &d : w->devices)
        if (id != 0 && is_pad(*d) && d->id == id)
            return d->is_controller && button >= PAD_STICK_BUTTONS && button < PAD_BUTTONS;
    return false;
}

int input_rumble(Window *w, float low, float high, int milliseconds)
{
    auto strength = [](float v) { return (Uint16)std::lround(std::clamp(v, 0.0f, 1.0f) * 65535); };
    int took = 0;
    for (auto &d : w->devices) {
        if (!is_pad(*d) || !d->connected || milliseconds <= 0)
            continue;
        int result = d->controller
                         ? SDL_GameControllerRumble(d->controller, strength(low), strength(high), (Uint32)milliseconds)
                         : SDL_JoystickRumble(d->joystick, strength(low), strength(high), (Uint32)milliseconds);
        took += result == 0;
    }
    return took;
}

std::string control_label(const Window *w, const char *name, int direction)
{
    const char *sign = direction < 0 ? " (Negative)" : direction > 0 ? " (Positive)" : "";
    char device[64];
    int n;
    bool axis = parse_control(name, "axis", "axis", device, &n);
    if (!axis && !parse_control(name, "key", "button", device, &n))
        return name;
    const InputDevice *d = nullptr;
    for (auto &e : w->devices)
        if (is_pad(*e) && e->name == device)
            d = e.get();
    bool any_pad = strcmp(device, "Pad") == 0;
    if (!d)
        d = pad_by_legacy_name(const_cast<Window *>(w), device);
    if (!d && !any_pad)
        return std::string(name) + sign + " (not plugged in)";
    // "Pad" with none plugged in still names a game controller's parts.
    bool controller = d ? d->is_controller : true;
    int sdl_buttons = d ? d->sdl_buttons : 0, hats = d ? d->hats : 0;
    std::string part;
    if (controller && axis && n < 4 && direction != 0) {
        static const char *const towards[4][2] = {{"Left Stick Left", "Left Stick Right"},
                                                  {"Left Stick Up", "Left Stick Down"},
                                                  {"Right Stick Left", "Right Stick Right"},
                                                  {"Right Stick Up", "Right Stick Down"}};
        part = towards[n][direction > 0];
    } else if (controller && axis && n < PAD_AXES) {
        part = controller_axes[n];
    } else if (controller && !axis && n < PAD_BUTTONS) {
        part = controller_buttons[n];
    } else if (!axis && n >= sdl_buttons && n < sdl_buttons + 4 * hats) {
        static const char *const dirs[4] = {"Up", "Right", "Down", "Left"};
        int k = n - sdl_buttons;
        part = "Hat " + std::to_string(k / 4) + " " + dirs[k % 4];
    } else {
        part = (axis ? "Axis " : "Button ") + std::to_string(n) + (axis ? sign : "");
    }
    if (any_pad)
        return "Pad: " + part;
    std::string label = (d->product.empty() ? d->name : d->product) + ": " + part;
    if (!d->connected)
        label += " (unplugged)";
    return label;
}
