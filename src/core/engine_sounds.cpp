// The game's engine voices and the listener of the view.
#include "core/engine_sounds.h"

#include "core/main_loop.h"
#include "core/settings.h"
#include "physics/pose.h"
#include "physics/rider.h"
#include "platform/sound.h"
#include "race/race.h"
#include "render/camera.h"
#include "sound/engine_voice.h"
#include "ui/config.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace
{

std::unique_ptr<EngineVoice> voices[SLOTS];
const Rider *voiced[SLOTS] = {};
float last_position[3] = {};
bool heard_before = false;
double last_time = 0;

// Where the view hears from: its camera's position and right-hand side.
bool view_listener(const Sim &sim, const LoopState &state, const Config &config, const GameSettings &settings,
                   float position[3], float right[3])
{
    const RaceState &race = sim.race;
    const Rider *watched = race.slots[race.watched_slot].rider;
    SceneCamera camera;
    if (state.view == RIDER_VIEW && watched) {
        camera = first_person_camera(body_frame(watched->bodies[RIDER_TORSO]), (float)config.first_person_height.value,
                                     (float)config.first_person_angle.value);
    } else if (state.view == CHASE_VIEW && watched) {
        bool own = race.slots[race.watched_slot].kind == KIND_LOCAL;
        Camera c = chase_camera(state, settings, config, watched, own);
        const float f[3] = {c.target[0] - c.position[0], c.target[1] - c.position[1], c.target[2] - c.position[2]};
        camera = camera_looking(c.position, f);
    } else if (state.view == FREE_VIEW) {
        const float f[3] = {std::sin(state.free_yaw) * std::cos(state.free_pitch), std::sin(state.free_pitch),
                            std::cos(state.free_yaw) * std::cos(state.free_pitch)};
        camera = camera_looking(state.free_position, f);
    } else {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        position[i] = camera.position[i];
        right[i] = camera.orientation[i * 3]; // the first column
    }
    return true;
}

} // namespace

void engine_sounds_frame(const Sim &sim, const LoopState &state, const Config &config, const GameSettings &settings,
                         double now)
{
    if (!sound_driver())
        return;
    double seconds = now - last_time;
    last_time = now;
    Listener listener;
    bool heard = view_listener(sim, state, config, settings, listener.position, listener.right);
    for (int i = 0; i < 3 && heard && heard_before && seconds > 0; ++i)
        listener.velocity[i] = (float)((listener.position[i] - last_position[i]) / seconds);
    std::copy(listener.position, listener.position + 3, last_position);
    heard_before = heard;
    // Silent while paused, in the editor or with nothing to watch; with the
    // menus open, silent over the player's own (stopped) race and quieter
    // over anyone else's; the Volume setting.
    float factor = heard && !state.paused && state.view != EDITOR_VIEW ? 1.0f : 0.0f;
    if (state.menus.page != PAGE_CLOSED) {
        const RiderSlot &w = sim.race.slots[sim.race.watched_slot];
        factor *= w.rider && w.kind == KIND_LOCAL ? 0.0f : 0.25f;
    }
    float master = factor * (float)config.volume.value * 0.1f;
    for (int k = 0; k < SLOTS; ++k) {
        const Rider *r = sim.race.slots[k].rider;
        if (r != voiced[k]) {
            if (voices[k])
                voice_free(voices[k].get());
            voices[k].reset();
            voiced[k] = r;
            if (r) {
                voices[k] = std::make_unique<EngineVoice>();
                const std::string &skin = r->skins[TEX_BIKE];
                voice_create(voices[k].get(), *r, skin);
            }
        }
        if (r && voices[k])
            voice_update(*r, voices[k].get(), listener, master);
    }
    sound_update();
}

void engine_sounds_free()
{
    for (int k = 0; k < SLOTS; ++k) {
        if (voices[k])
            voice_free(voices[k].get());
        voices[k].reset();
        voiced[k] = nullptr;
    }
}

bool engine_sound_retune(int slot, const char *args)
{
    if (slot < 0 || slot >= SLOTS || !voices[slot] || !voiced[slot])
        return false;
    bool two_stroke = voiced[slot]->spec.two_stroke != 0;
    float length = two_stroke ? 1.75f : 5.0f, spread = two_stroke ? 0.3f : 0.9182072f;
    float coefficient = two_stroke ? -0.75f : -0.85f;
    int first = 0, last = 15;
    float read[3] = {length, spread, coefficient};
    sscanf(args, "%f %f %f %d %d", &read[0], &read[1], &read[2], &first, &last);
    // A value that is not a number keeps its default.
    length = std::isfinite(read[0]) ? read[0] : length;
    spread = std::isfinite(read[1]) ? read[1] : spread;
    coefficient = std::isfinite(read[2]) ? read[2] : coefficient;
    pipe_set(&voices[slot]->pipe, length, spread, coefficient, first, last);
    return true;
}
