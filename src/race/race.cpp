// Starting races and the simulation tick.
#include "race/race.h"

#include "core/messages.h"
#include "files/render_hooks.h"
#include "files/texture.h"
#include "physics/aids.h"
#include "physics/crash.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/log.h"
#include "race/roster.h"
#include "track/track.h"
#include "track/track_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

RaceSettings race_settings;
RaceState race;

namespace {

int shuffled[ROSTER_SIZE];
bool roster_taken[ROSTER_SIZE];
SlotController controllers[SLOTS];
float gate_base[SLOTS][9];

// A loading step: shown on the loading screen (which logs it) when there is
// one, else logged.
void screen(const char *text)
{
    if (terrain_render_hooks.loading_screen)
        terrain_render_hooks.loading_screen(text);
    else
        zeph_log("%s\n", text);
}

void free_riders(int from)
{
    for (int k = from; k < SLOTS; ++k) {
        rider_destroy(race.slots[k].rider);
        race.slots[k] = RiderSlot();
    }
}

// The next shuffled roster rider not yet taken that matches a bike filter.
const RosterRider *next_robot(const char *filter)
{
    const RosterRider *roster = robot_roster();
    for (int k = 0; k < ROSTER_SIZE; ++k) {
        int i = shuffled[k];
        if (roster_taken[i] || (filter && !strstr(roster[i].bike, filter)))
            continue;
        roster_taken[i] = true;
        return &roster[i];
    }
    return nullptr;
}

// The height of the grid sample nearest a point.
float nearest_sample(float x, float z)
{
    const Terrain &t = track.terrain;
    if (t.heights.empty())
        return 0;
    return terrain_point(t, (int)std::lround(x / t.spacing), (int)std::lround(z / t.spacing));
}

void place_on_grid(Rider *r, int slot)
{
    const TimingGates &g = track.objects.gates;
    float x, z, heading;
    if (!g.starts.empty()) {
        int count = (int)g.starts.size();
        const StartPosition &p = g.starts[slot % count];
        int row = slot / count;
        x = p.x + std::sin(p.angle) * (row + 0.0625f) * 10;
        z = p.z + std::cos(p.angle) * (row + 0.0625f) * 10;
        heading = p.angle;
    } else {
        x = 5.0f * slot + track.terrain.extent / 2;
        z = track.terrain.extent / 2;
        heading = 0;
    }
    rider_place_at(r, x, nearest_sample(x, z), z, heading);
}

// Shows a starting-gate piece turned about its own x axis by its raise.
void show_gate_raise(size_t k)
{
    const auto &gates = track.objects.gates.start_statues;
    float a = race.gate_raise[k] * 3 * (float)M_PI / 16, c = std::cos(a), s = std::sin(a);
    const float *m = gate_base[k];
    float *out = track.objects.statues[gates[k]].orientation;
    for (int row = 0; row < 3; ++row) {
        out[row * 3 + 0] = m[row * 3 + 0];
        out[row * 3 + 1] = m[row * 3 + 1] * c + m[row * 3 + 2] * s;
        out[row * 3 + 2] = -m[row * 3 + 1] * s + m[row * 3 + 2] * c;
    }
}

Rider *create(const char *bike, int slot, const char *number, const char *body, const char *head,
              const char *bike_skin, const char *wheels)
{
    auto given = [](const char *s) { return s && *s ? s : nullptr; };
    return rider_create(bike, slot, number, given(body), given(head), given(bike_skin), given(wheels));
}

} // namespace

const int *roster_order()
{
    return shuffled;
}

void set_slot_controller(int slot, SlotController c)
{
    if (slot >= 0 && slot < SLOTS)
        controllers[slot] = c;
}

void race_clear()
{
    zeph_log("Deallocating bikes\n");
    free_riders(0);
    zeph_log("Finished deallocating bikes\n");
}

bool race_start(const int *lineup, bool play_demo, bool record_demo, int time_limit, int laps, int skill,
                unsigned seed)
{
    (void)play_demo;
    (void)record_demo;
    (void)skill;
    screen("Resetting...");
    std::mt19937 twister(seed);
    for (int k = 0; k < ROSTER_SIZE; ++k)
        shuffled[k] = k;
    for (int n = ROSTER_SIZE - 1; n >= 1; --n)
        std::swap(shuffled[n], shuffled[(twister() >> 16) % n]);
    std::fill(roster_taken, roster_taken + ROSTER_SIZE, false);
    screen("Remembering lines...");
    screen("Cleaning up...");
    race_clear();

    race.tick = 0;
    race.time_limit = time_limit;
    race.laps = laps;
    race.five_seconds = 5 * TICKS_PER_SECOND;
    double u = (twister() & 0x7fffffffu) * (1.0 / 2147483648.0);
    race.start_tick = (int)(128 * (13 + 2 * u));
    race.time_trial = lineup == nullptr;

    const std::string &folder = race_settings.track_folder;
    bool had_gates = track.folder == folder; // the gate poses of this track are known
    if (track.folder != folder) {
        unload_track();
        if (!load_track(folder, race_settings.track_name))
            return false;
    }

    int working[SLOTS] = {};
    if (race.time_trial) {
        race.last_lap_time = race.best_lap_time = 0;
        working[0] = LINEUP_HUMAN;
        race.tick = 300 * TICKS_PER_SECOND;
    } else {
        std::copy(lineup, lineup + SLOTS, working);
    }
    int first = -1;
    for (int k = 0; k < SLOTS && first < 0; ++k)
        if (working[k] != LINEUP_EMPTY)
            first = k;
    if (first < 0) {
        working[0] = LINEUP_ROBOT;
        first = 0;
    }
    race.watched_slot = first;
    bool human = false;
    for (int k = 0; k < SLOTS; ++k) {
        if (working[k] != LINEUP_HUMAN)
            continue;
        if (human) {
            working[k] = LINEUP_EMPTY;
        } else {
            human = true;
            race.watched_slot = k;
        }
    }

    screen("Loading bikes...");
    const RosterRider *roster = robot_roster();
    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &slot = race.slots[k];
        int v = working[k];
        const RosterRider *robot = nullptr;
        if (v == LINEUP_EMPTY || v == LINEUP_REMOTE)
            continue;
        if (v == LINEUP_HUMAN) {
            const PlayerRide &p = race_settings.player;
            slot.rider = create(p.bike.c_str(), k, p.number.c_str(), p.body_texture.c_str(), p.head_texture.c_str(),
                                p.bike_texture.c_str(), p.wheel_texture.c_str());
            slot.kind = KIND_LOCAL;
        } else {
            if (v == LINEUP_ROBOT)
                robot = next_robot(nullptr);
            else if (v == LINEUP_ROBOT_125)
                robot = next_robot("125");
            else if (v == LINEUP_ROBOT_250)
                robot = next_robot("250");
            else if (v > LINEUP_NUMBER && v - LINEUP_NUMBER >= 20 && v - LINEUP_NUMBER <= 99) {
                robot = &roster[v - LINEUP_NUMBER - 20];
                roster_taken[v - LINEUP_NUMBER - 20] = true;
            }
            std::string number = robot ? std::to_string(robot->number) : "0";
            slot.rider = robot ? create(robot->bike, k, number.c_str(), robot->body_texture, robot->head_texture,
                                        robot->bike_texture, robot->wheel_texture)
                               : create("rm125", k, number.c_str(), nullptr, nullptr, nullptr, nullptr);
            slot.kind = KIND_ROBOT;
            race.personality[k] = race_settings.practice ? PERSONALITY_TESTER
                                  : robot                ? robot->personality
                                                         : PERSONALITY_OSPREY;
        }
        place_on_grid(slot.rider, k);
        rider_enable(slot.rider);
        if (slot.kind == KIND_LOCAL) {
            race.false_start_penalty = 0;
            const dReal *p = dBodyGetPosition(slot.rider->bodies[FRAME]);
            for (int i = 0; i < 3; ++i)
                race.start_position[i] = (float)p[i];
        }
    }

    show_messagef("%d MB texture memory used\n", (int)(texture_memory() >> 20));
    free_stale_textures();
    race.race_laps = time_limit ? 1000000 : laps;
    race.half_race_lap = time_limit ? 1000000 : (laps + 1) / 2;
    const auto &gates = track.objects.gates.start_statues;
    for (size_t k = 0; k < gates.size() && k < SLOTS; ++k) {
        // The lowered pose is the statue's own; a new race raises it.
        if (race.gate_raise[k] <= 0 || !had_gates)
            std::copy(track.objects.statues[gates[k]].orientation, track.objects.statues[gates[k]].orientation + 9,
                      gate_base[k]);
        race.gate_raise[k] = 1.0f;
        show_gate_raise(k);
    }
    if (race.time_trial)
        time_trial_reset();
    dJointGroupEmpty(physics_world.contacts);
    Rider *watched = race.slots[race.watched_slot].rider;
    if (watched && race.slots[race.watched_slot].kind == KIND_LOCAL)
        apply_bike_setup(watched, race_settings.setup);
    return true;
}

void time_trial_reset()
{
    free_riders(1);
    Rider *r = race.slots[0].rider;
    const TimingGates &g = track.objects.gates;
    if (!r || g.gates.empty())
        return;
    int index = std::max(0, g.first_lap_count - 2);
    const Checkpoint &c = g.checkpoints[gate_sequence(g, index) % UNTIMED_GATE];
    float heading = std::atan2(-c.direction[0], -c.direction[2]);
    rider_place(r, c.centre[0], c.centre[2], heading);
    dJointGroupEmpty(physics_world.contacts);
    r->next_gate = index;
    race.last_lap_time = 0;
}

int laps_from_gates(int gates, int first_lap_gates, int lap_gates)
{
    if (gates < first_lap_gates || lap_gates <= 0)
        return 0;
    return (gates - first_lap_gates) / lap_gates + 1;
}

void sim_tick()
{
    // Collisions: every simulated rider prepared, then the pairs, fastest first.
    Rider *list[SLOTS];
    int count = 0;
    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &s = race.slots[k];
        if (!s.rider || s.kind == KIND_REPLAYED)
            continue;
        rider_pre_step(s.rider, race.tick);
        list[count++] = s.rider;
    }
    auto speed2 = [](Rider *r) {
        const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
        return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    };
    std::stable_sort(list, list + count, [&](Rider *a, Rider *b) { return speed2(a) > speed2(b); });
    for (int a = 0; a < count; ++a)
        for (int b = a + 1; b < count; ++b)
            rider_collide(list[a], list[b], race.tick);

    dWorldQuickStep(physics_world.world, 1.0 / TICKS_PER_SECOND);
    dJointGroupEmpty(physics_world.contacts);

    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &s = race.slots[k];
        if (!s.rider)
            continue;
        if (controllers[k])
            controllers[k](k, s.rider, race.tick);
        rider_step(s.rider, s.kind != KIND_REPLAYED, race.tick);
    }

    // The starting gate drops after the start tick and lies flat 1/16 s on.
    const auto &gates = track.objects.gates.start_statues;
    if (race.tick < race.start_tick + 10 * TICKS_PER_SECOND) {
        for (size_t k = 0; k < gates.size() && k < SLOTS; ++k) {
            if (race.gate_raise[k] <= 0 || race.tick <= race.start_tick)
                continue;
            race.gate_raise[k] = std::max(0.0f, race.gate_raise[k] - 8.0f / 128);
            show_gate_raise(k);
        }
    }
    ++race.tick;
}

int race_leader_laps()
{
    const TimingGates &g = track.objects.gates;
    int laps = 0;
    for (const RiderSlot &slot : race.slots)
        if (slot.rider)
            laps = std::max(laps, laps_from_gates(slot.rider->next_gate, g.first_lap_count, g.normal_lap_count));
    return laps;
}
