// Input devices (the relative mouse, the cursor; the pads are in pads.cpp),
// control names, axis handles and reading button events.
#include "platform/window_local.h"

#include "platform/keys.h"
#include "platform/log.h"
#include "platform/names.h"

#include <cstdio>
#include <cstring>

namespace
{

enum { MOUSE_BUTTONS = 5 };

// Relative axes give the movement since the last read.
int relative_read_axis(Window *, InputDevice *d, int axis)
{
    int v = d->axis_values[axis];
    d->axis_values[axis] = 0;
    return v;
}

int cursor_read_axis(Window *w, InputDevice *, int axis)
{
    return axis == 0 ? w->cursor_x : w->cursor_y;
}

const DeviceOps mouse_ops = {nullptr, nullptr, relative_read_axis, nullptr};
const DeviceOps cursor_ops = {nullptr, nullptr, cursor_read_axis, nullptr};

InputDevice *find_device(Window *w, const char *name)
{
    for (auto &d : w->devices)
        if (d->name == name)
            return d.get();
    return pad_by_legacy_name(w, name);
}

bool id_used(Window *w, int id)
{
    for (auto &d : w->devices)
        if (d->id == id)
            return true;
    return false;
}

void add_mouse(Window *w)
{
    auto d = std::make_unique<InputDevice>();
    d->ops = &mouse_ops;
    d->relative = true;
    d->axes = 3; // x, y and the wheel
    d->buttons = MOUSE_BUTTONS;
    zeph_log("%s (%s)\n", "Mouse", "System mouse");
    zeph_log("%d axes, %d keys\n", d->axes, d->buttons);
    for (int i = 0; i < d->axes; ++i)
        zeph_log("axis %d is %s\n", i, "relative");
    add_device(w, std::move(d), "Mouse");
}

} // namespace

InputDevice *add_device(Window *w, std::unique_ptr<InputDevice> d, const std::string &base)
{
    d->name = base;
    for (int n = 2; find_device(w, d->name.c_str()); ++n)
        d->name = base + "#" + std::to_string(n);
    int id = device_id_from_name(d->name.c_str());
    int tries = 0;
    while ((id == 0 || id_used(w, id)) && tries++ < 65535)
        id = (id + 1) & 0x7fff;
    d->id = (id == 0 || id_used(w, id)) ? 0 : id;
    d->axis_values.assign(d->axes, 0);
    d->button_states.assign(d->buttons, 0);
    w->devices.push_back(std::move(d));
    return w->devices.back().get();
}

void device_button(Window *w, InputDevice *d, int button, bool down, uint32_t timestamp)
{
    if (!d || button < 0 || button >= d->buttons)
        return;
    unsigned char state = down ? 0x80 : 0;
    if (d->button_states[button] == state)
        return;
    d->button_states[button] = state;
    queue_button(w, (d->id << 16) | button, down, timestamp);
}

bool parse_control(const char *name, const char *dotted, const char *spaced, char device[64], int *n)
{
    char format[32];
    snprintf(format, sizeof format, "%%63[^.].%s[%%d]", dotted);
    char rest;
    snprintf(format + strlen(format), sizeof format - strlen(format), "%%c");
    if (sscanf(name, format, device, n, &rest) == 2)
        return true;
    snprintf(format, sizeof format, "%%63s %s %%d%%c", spaced);
    return sscanf(name, format, device, n, &rest) == 2;
}

int device_id_from_name(const char *name)
{
    unsigned sum1 = 0, sum2 = 0;
    for (size_t i = 0; name[i]; ++i) {
        if (i % 2 == 0)
            sum1 = (sum1 + (unsigned char)name[i]) & 0xffff;
        else
            sum2 = (sum2 + (unsigned char)name[i]) & 0xff;
    }
    return (int)((sum1 + sum2 * 256) & 0x7fff);
}

int input_init(Window *w)
{
    zeph_log("DirectInput roll call...\n");
    pads_init(w);
    add_mouse(w);
    zeph_log("End of DirectInput roll call\n");

    static const char *const aliases[][2] = {
        {"mouse-x", "Mouse.axis[0]"},          {"mouse-y", "Mouse.axis[1]"},
        {"mouse-left", "Mouse.key[0]"},        {"mouse-right", "Mouse.key[1]"},
        {"mouse-middle", "Mouse.key[2]"},      {"joystick-a-x", "Joystick1.axis[0]"},
        {"joystick-a-y", "Joystick1.axis[1]"}, {"joystick-a-1", "Joystick1.key[0]"},
        {"joystick-a-2", "Joystick1.key[1]"},  {"joystick-b-x", "Joystick2.axis[0]"},
        {"joystick-b-y", "Joystick2.axis[1]"}, {"joystick-b-1", "Joystick2.key[0]"},
        {"joystick-b-2", "Joystick2.key[1]"},
    };
    for (const auto &a : aliases)
        if (alias_resolve(a[0]) == a[0])
            alias_add(a[0], a[1]);
    return 1;
}

int cursor_device_add(Window *w)
{
    auto d = std::make_unique<InputDevice>();
    d->ops = &cursor_ops;
    d->axes = 2;
    add_device(w, std::move(d), "cursor");
    static const char *const aliases[][2] = {{"cursor-x", "cursor.axis[0]"}, {"cursor-y", "cursor.axis[1]"}};
    for (const auto &a : aliases)
        if (alias_resolve(a[0]) == a[0])
            alias_add(a[0], a[1]);
    return 1;
}

bool input_handle_sdl_event(Window *w, const SDL_Event &e)
{
    if (pads_handle_event(w, e))
        return true;
    InputDevice *mouse = find_device(w, "Mouse");
    switch (e.type) {
    case SDL_MOUSEMOTION:
        w->cursor_x = e.motion.x;
        w->cursor_y = e.motion.y;
        if (mouse && mouse->open_count > 0) {
            mouse->axis_values[0] += e.motion.xrel;
            mouse->axis_values[1] += e.motion.yrel;
        }
        return true;
    case SDL_MOUSEWHEEL:
        if (mouse && mouse->open_count > 0)
            mouse->axis_values[2] += e.wheel.y * 120;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        // Device buttons: 0 left, 1 right, 2 middle, then the extra buttons.
        static const int order[] = {-1, 0, 2, 1, 3, 4};
        int b = e.button.button < 6 ? order[e.button.button] : -1;
        if (mouse && mouse->open_count > 0)
            device_button(w, mouse, b, e.type == SDL_MOUSEBUTTONDOWN, e.button.timestamp);
        return true;
    }
    default:
        return false;
    }
}

void input_close(Window *w)
{
    for (auto &d : w->devices) {
        zeph_log("Killing %s\n", d->name.c_str());
        if (d->timestamp_adjustment > 0)
            zeph_log("Timestamp adjustment was %d\n", d->timestamp_adjustment);
        if (d->ops && d->ops->free)
            d->ops->free(d.get());
    }
    w->devices.clear();
    w->axis_names.clear();
    pads_close(w);
}

int button_code(Window *w, const char *name)
{
    name = alias_resolve(name);
    if (int code = key_code(name))
        return code;
    char device[64];
    int n;
    if (parse_control(name, "key", "button", device, &n)) {
        InputDevice *d = find_device(w, device);
        if (d && n >= 0 && n <= 255 && n < d->buttons)
            return (d->id << 16) | n;
    }
    return 0;
}

const char *button_name(Window *w, int code)
{
    if (const char *name = key_button_name(code))
        return name;
    if (code >= KEY_BASE && code < KEY_BASE + KEY_SCAN_CODES)
        return nullptr;
    for (auto &d : w->devices) {
        if (d->id != 0 && d->id == (code >> 16)) {
            char name[1100];
            snprintf(name, sizeof name, "%.1000s button %d", d->name.c_str(), code & 0xffff);
            return name_intern(name);
        }
    }
    return nullptr;
}

AxisHandle *axis_open(Window *w, const char *name)
{
    name = alias_resolve(name);
    char device[64];
    int n;
    if (!parse_control(name, "axis", "axis", device, &n))
        return nullptr;
    InputDevice *d = find_device(w, device);
    if (!d || n < 0 || n >= d->axes)
        return nullptr;
    if (d->open_count++ == 0) {
        std::fill(d->axis_values.begin(), d->axis_values.end(), 0);
        if (d->ops->open)
            d->ops->open(d);
    }
    return new AxisHandle{w, d, n};
}

int axis_read(AxisHandle *h)
{
    return h->device->ops->read_axis(h->window, h->device, h->axis);
}

void axis_close(AxisHandle *h)
{
    if (!h)
        return;
    if (--h->device->open_count == 0 && h->device->ops->close)
        h->device->ops->close(h->device);
    delete h;
}

const std::vector<const char *> &axis_names(Window *w)
{
    return w->axis_names;
}

// Events are read on the game thread, so messages are pumped first; with the
// queue empty the devices are polled and the queue tried once more.
int event_next(Window *w, InputEvent *e)
{
    pump_messages(w);
    pads_repeat(w);
    if (event_queue_pop(&w->events, e))
        return 1;
    SDL_JoystickUpdate();
    pump_messages(w);
    return event_queue_pop(&w->events, e) ? 1 : 0;
}

int event_next_until(Window *w, int seconds, int microseconds, InputEvent *e)
{
    pump_messages(w);
    pads_repeat(w);
    if (event_queue_pop_until(&w->events, seconds, microseconds, e))
        return 1;
    SDL_JoystickUpdate();
    pump_messages(w);
    return event_queue_pop_until(&w->events, seconds, microseconds, e) ? 1 : 0;
}
