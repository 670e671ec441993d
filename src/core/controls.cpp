// The control map and the local rider's input.
#include "core/controls.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "platform/input.h"
#include "platform/pads.h"
#include "platform/tick_math.h"
#include "ui/config.h"

#include <algorithm>

namespace
{

bool set_key(const Config &c, int set, int binding, const InputEvent &e)
{
    const MenuItem *items = set == 0 ? c.bindings : c.pad_bindings;
    int code = items[binding].binding.key_code;
    return code != 0 && code == e.code;
}

} // namespace

bool is_bound_key(const Config &c, int binding, const InputEvent &e)
{
    return set_key(c, 0, binding, e) || set_key(c, 1, binding, e);
}

void control_map_init(ControlMap *m)
{
    const ControlMapEntry table[CONTROL_MAP_SIZE] = {
        {BIND_LEFT, CONTROL_STEER, 1, 0, {0, 0}},
        {BIND_RIGHT, CONTROL_STEER, -1, 0, {0, 0}},
        {BIND_THROTTLE, CONTROL_THROTTLE, 1, 0, {0, 0}},
        {BIND_FRONT_BRAKE, CONTROL_FRONT_BRAKE, 1, 0, {0, 0}},
        {BIND_REAR_BRAKE, CONTROL_REAR_BRAKE, 1, 0, {0, 0}},
        {BIND_UPSHIFT, CONTROL_SHIFT, 1, 0, {0, 0}},
        {BIND_DOWNSHIFT, CONTROL_SHIFT, -1, 0, {0, 0}},
        {BIND_CLUTCH, CONTROL_CLUTCH, 1, 0, {0, 0}},
        {BIND_DAB, CONTROL_DAB, 1, 0, {0, 0}},
        {BIND_BACK_UP, CONTROL_BACK_UP, 1, 0, {0, 0}},
        {BIND_LEAN_FORWARD, CONTROL_LEAN, -1, 0, {0, 0}},
        {BIND_LEAN_BACKWARD, CONTROL_LEAN, 1, 0, {0, 0}},
    };
    std::copy(table, table + CONTROL_MAP_SIZE, m->entries);
}

bool control_map_event(ControlMap *m, const Config &c, const InputEvent &e)
{
    bool used = false;
    for (ControlMapEntry &entry : m->entries)
        for (int set = 0; set < 2; ++set)
            if (set_key(c, set, entry.binding, e)) {
                entry.set[set] = e.pressed ? 1.0f : 0.0f;
                used = true;
            }
    return used;
}

void build_controls(ControlMap *m, const Config &c)
{
    std::fill(m->values, m->values + RIDER_CONTROLS, 0.0f);
    for (ControlMapEntry &entry : m->entries) {
        for (int set = 0; set < 2; ++set) {
            const ControlBinding &b = (set == 0 ? c.bindings : c.pad_bindings)[entry.binding].binding;
            if (!b.axis_name || b.key_name)
                continue;
            // An axis of a device that is gone (or never came) lets go.
            float v = 0;
            if (b.axis_handle && axis_live(b.axis_handle) && b.hi != b.lo)
                v = std::clamp((axis_read(b.axis_handle) / 32768.0f - b.lo) / (b.hi - b.lo), 0.0f, 1.0f);
            entry.set[set] = v;
        }
        entry.value = std::max(entry.set[0], entry.set[1]);
        m->values[entry.control] += entry.scale * entry.value;
    }
}

RiderInput controls_input(ControlMap *m, const Config &c, const Rider &r)
{
    const float *k = m->values;
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
        if (m->last_dab < 0.5f && dab >= 0.5f)
            m->sticky_dab_on = !m->sticky_dab_on;
        m->last_dab = dab;
        dab = m->sticky_dab_on ? 1.0f : 0.0f;
    }
    in.sit_dab = dab;
    in.back_up = k[CONTROL_BACK_UP];
    in.lean = k[CONTROL_LEAN];
    // The clutch engages at most 4 per second; the lever pulls it at once.
    float target = std::clamp(1 - k[CONTROL_CLUTCH] * 8 / 7, 0.0f, 1.0f);
    in.clutch = target > r.clutch ? r.clutch + 4.0f * TICK_SECONDS_F : target;
    in.shift = k[CONTROL_SHIFT] > 0.5f ? 1 : k[CONTROL_SHIFT] < -0.5f ? -1 : 0;
    return in;
}

CameraControls camera_controls(const ControlMap &m)
{
    CameraControls k;
    k.turn = m.values[CONTROL_STEER];
    k.climb = m.values[CONTROL_SHIFT];
    k.forward = m.values[CONTROL_THROTTLE];
    k.back = m.values[CONTROL_FRONT_BRAKE];
    k.follow = m.values[CONTROL_DAB];
    return k;
}
