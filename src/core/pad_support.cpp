// Binding sets, device settings and rumble.
#include "core/pad_support.h"

#include "physics/rider.h"
#include "platform/input.h"
#include "ui/bindings.h"
#include "ui/config.h"

#include <algorithm>
#include <cmath>

void pads_follow(Window *w, Config *c, int *generation)
{
    if (!w)
        return;
    if (input_generation(w) != *generation) {
        *generation = input_generation(w);
        bindings_close(c);
        bindings_open(w, c);
        for (const PadInfo &p : input_pads(w))
            pad_setting(c, p.name);
    }
    for (const PadSetting &p : c->pads)
        input_set_dead_zone(w, p.device.c_str(), (float)p.dead_zone.value / 100);
}

Rumble rumble_for_tick(RumbleWatch *watch, const Rider &r, float strength)
{
    Rumble shake;
    float scale = std::clamp(strength / 100, 0.0f, 1.0f);
    auto add = [&](float low, float high, int ms) {
        if (scale <= 0)
            return;
        shake.low = std::max(shake.low, low * scale);
        shake.high = std::max(shake.high, high * scale);
        shake.milliseconds = std::max(shake.milliseconds, ms);
    };
    bool touching = r.front_contact.depth > 0 || r.rear_contact.depth > 0;
    float vy = (float)dBodyGetLinearVel(r.bodies[FRAME])[1];
    if (!touching) {
        ++watch->airborne_ticks;
        watch->fall_speed = std::max(0.0f, -vy);
    } else {
        // A landing after a quarter second in the air, felt by how fast it
        // came down: a hop is a tap, a 30 ft/s drop a thump.
        if (watch->airborne_ticks >= 32 && watch->fall_speed > 8) {
            float impact = std::clamp(watch->fall_speed / 40, 0.2f, 1.0f);
            add(impact, impact * 0.5f, 120 + (int)(impact * 180));
        }
        watch->airborne_ticks = 0;
    }
    if (r.crash_timer > 0 && watch->crash_timer <= 0)
        add(1, 1, 600);
    watch->crash_timer = r.crash_timer;
    if (r.last_rider_contact_tick != watch->rider_contact_tick && r.last_rider_contact_tick >= 0)
        add(0.4f, 0.8f, 200);
    watch->rider_contact_tick = r.last_rider_contact_tick;
    return shake;
}
