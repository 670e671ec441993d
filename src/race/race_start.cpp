// Starting races: the roster draw, the track, the riders on the gate, and
// the time trial's runs and laps.
#include "race/race.h"

#include "files/game_file.h"
#include "files/renderer.h"
#include "files/texture.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "race/demo.h"
#include "race/line_plans.h"
#include "race/progress.h"
#include "race/race_local.h"
#include "race/roster.h"
#include "race/snapshot.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace
{

// A loading step: shown on the loading screen, which logs it (headless, the
// null renderer just logs it).
void screen(const char *text)
{
    renderer().loading_screen(text);
}

// The next shuffled roster rider not yet taken that matches a bike filter.
const RosterRider *next_robot(Sim *sim, const char *filter)
{
    const RosterRider *roster = robot_roster();
    for (int k = 0; k < ROSTER_SIZE; ++k) {
        int i = sim->roster_order[k];
        if (sim->roster_taken[i] || (filter && roster[i].outfit.bike.find(filter) == std::string::npos))
            continue;
        sim->roster_taken[i] = true;
        return &roster[i];
    }
    return nullptr;
}

// The height of the grid sample nearest a point.
float nearest_sample(const Terrain &t, float x, float z)
{
    if (t.heights.empty())
        return 0;
    return terrain_point(t, (int)std::lround(x / t.spacing), (int)std::lround(z / t.spacing));
}

void place_on_grid(const Track &track, Rider *r, int slot, int position = -1)
{
    const TimingGates &g = track.objects.gates;
    float x, z, heading;
    if (!g.starts.empty()) {
        int count = (int)g.starts.size();
        const StartPosition &p = g.starts[(position >= 0 ? position : slot) % count];
        int row = slot / count;
        x = p.x + std::sin(p.angle) * (row + 0.0625f) * 10;
        z = p.z + std::cos(p.angle) * (row + 0.0625f) * 10;
        heading = p.angle;
    } else {
        x = 5.0f * slot + track.terrain.extent / 2;
        z = track.terrain.extent / 2;
        heading = 0;
    }
    rider_place_at(r, x, nearest_sample(track.terrain, x, z), z, heading);
}

// Makes a track the race's, loading it unless it is loaded; false when it
// cannot be loaded.
bool use_track(Sim *sim, const std::string &folder, const std::string &name)
{
    Track &track = *sim->track;
    // An edited (or eroded) ground is loaded again from the saved files.
    if (track.folder != folder || track.terrain.modified) {
        unload_track(&track);
        if (!load_track(&track, folder, name)) {
            physics_world_set_track(&sim->physics, &track);
            return false;
        }
    }
    return true;
}

// The learnt lines of the race's track and skill: read, thinned out and
// planned. A table made for other gates (another track, or its gates
// changed) is made afresh.
void load_lines(Sim *sim, int skill)
{
    const Track &track = sim_track(*sim);
    LineTable fresh = line_table_for(track.objects.gates);
    if (sim->lines_folder != track.folder || fresh.sections.size() != sim->lines.sections.size()) {
        sim->lines = std::move(fresh);
        sim->lines_folder = track.folder;
    }
    sim->lines_skill = std::min(std::max(skill, 0), 2);
    int count = lines_load(&sim->lines, track.folder, sim->lines_skill);
    if (sim->settings.debug)
        zeph_log("%d learnt lines for %s\n", count, lines_file_name(sim->lines_skill));
    screen("Analyzing lines...");
    lines_prune(&sim->lines);
    lines_plan(&sim->lines, sim->settings.debug);
}

// The time of a time-trial lap: from the lap line of the first lap to the
// same line a lap later (0 when a crossing is missing).
int time_trial_lap(const Sim &sim, int slot)
{
    const TimingGates &g = sim_track(sim).objects.gates;
    const std::vector<int> &ticks = sim.race.slots[slot].gate_ticks;
    size_t from = (size_t)std::max(g.first_lap_count - 1, 0), to = from + (size_t)g.normal_lap_count;
    if (to >= ticks.size() || ticks[from] < 0 || ticks[to] < 0)
        return 0;
    return ticks[to] - ticks[from];
}

// The riders of the ghost demo in slots 1 on, replayed, starting where the
// player is, all on the lap line.
void add_ghosts(Sim *sim, int lap_line)
{
    const Rider *player = sim->race.slots[0].rider;
    const std::vector<RiderOutfit> &riders = sim->demo.riders;
    for (int k = 1; k < SLOTS && k <= (int)riders.size(); ++k) {
        RiderSlot &slot = sim->race.slots[k];
        slot.rider = rider_create(&sim->physics, riders[(size_t)k - 1], k);
        slot.kind = KIND_REPLAYED;
        rider_disable(slot.rider);
        const Terrain &ground = sim_track(*sim).terrain;
        snapshot_apply(slot.rider, ground, snapshot_encode(*player, ground), 0);
        set_race_position(sim, k, lap_line);
    }
}

// The roster drawn afresh from the race's seed; the seed's next number
// places the gate drop 13 to 15 s after the start.
void draw_roster_and_gate(Sim *sim, unsigned seed)
{
    std::mt19937 twister(seed);
    for (int k = 0; k < ROSTER_SIZE; ++k)
        sim->roster_order[k] = k;
    for (int n = ROSTER_SIZE - 1; n >= 1; --n)
        std::swap(sim->roster_order[n], sim->roster_order[(twister() >> 16) % n]);
    std::fill(sim->roster_taken, sim->roster_taken + ROSTER_SIZE, false);
    double u = (twister() & 0x7fffffffu) * (1.0 / 2147483648.0);
    sim->race.start_tick = (int)(TICKS_PER_SECOND * (13 + 2 * u));
}

// The race before is left: its lines remembered, its demos closed, its
// riders freed.
void leave_race(Sim *sim)
{
    if (sim->track && !sim->track->folder.empty()) {
        screen("Remembering lines...");
        sim_save_lines(sim);
        lines_clear(&sim->lines);
    }
    demo_close(sim);
    demo_record_stop(sim);
    sim->demo.riders.clear();
    screen("Cleaning up...");
    race_clear(sim);
}

// The race's track: a played demo brings its own (one whose track is not
// here is not played: `playing` turns false), a server's race the server's,
// else the settings'. False when it cannot be loaded.
bool choose_track(Sim *sim, bool *playing)
{
    RaceState &race = sim->race;
    if (*playing && !use_track(sim, sim->demo.track, "")) {
        zeph_log("The demo's track '%s' isn't here\n", sim->demo.track.c_str());
        demo_close(sim);
        sim->demo.riders.clear();
        *playing = false;
    }
    const NetworkRace &network = sim->network;
    if (*playing) {
        zeph_log("Playing the demo '%s' on %s\n", sim->demo.chosen.c_str(), sim->demo.track.c_str());
        race.time_limit = sim->demo.time_limit;
        race.laps = sim->demo.laps;
        race.start_tick = sim->demo.start_tick;
    } else if (network.server_race) {
        if (!use_track(sim, network.track_folder, ""))
            return false;
        race.start_tick = network.start_tick;
    } else if (!use_track(sim, sim->settings.track_folder, sim->settings.track_name)) {
        return false;
    }
    return true;
}

// The line-up ridden: a time trial's lone player; a robot in the first slot
// of an empty line-up (unless a demo fills it); one human at most. The
// watched slot is the human's, else the first taken.
void ridden_lineup(Sim *sim, const int *lineup, bool playing, int working[SLOTS])
{
    RaceState &race = sim->race;
    std::fill(working, working + SLOTS, (int)LINEUP_EMPTY);
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
        if (!playing)
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
}

// The roster robot a line-up value asks for (taking it), or null.
const RosterRider *lineup_robot(Sim *sim, int v)
{
    if (v == LINEUP_ROBOT)
        return next_robot(sim, nullptr);
    if (v == LINEUP_ROBOT_125)
        return next_robot(sim, "125");
    if (v == LINEUP_ROBOT_250)
        return next_robot(sim, "250");
    int n = v - LINEUP_NUMBER;
    if (v > LINEUP_NUMBER && n >= 20 && n <= 99) {
        sim->roster_taken[n - 20] = true;
        return &robot_roster()[n - 20];
    }
    return nullptr;
}

// A replayed rider on the grid: moved only by the snapshots it is given.
void put_replayed(Sim *sim, int k, const RiderOutfit &outfit)
{
    RiderSlot &slot = sim->race.slots[k];
    slot.rider = rider_create(&sim->physics, outfit, k);
    slot.kind = KIND_REPLAYED;
    place_on_grid(sim_track(*sim), slot.rider, k);
    rider_disable(slot.rider);
}

// The rider of a start slot's line-up value: a remote player as the server
// describes it, the demo's next rider in an empty slot, the player, or a
// robot.
void fill_slot(Sim *sim, int k, int v, bool playing, size_t *demo_rider)
{
    RaceState &race = sim->race;
    RiderSlot &slot = race.slots[k];
    const NetworkRace &network = sim->network;
    if (v == LINEUP_REMOTE) {
        if (network.server_race && !network.riders[k].bike.empty())
            put_replayed(sim, k, network.riders[k]);
        return;
    }
    if (v == LINEUP_EMPTY) {
        if (playing && *demo_rider < sim->demo.riders.size())
            put_replayed(sim, k, sim->demo.riders[(*demo_rider)++]);
        return;
    }
    const RosterRider *robot = nullptr;
    if (v == LINEUP_HUMAN) {
        slot.rider = rider_create(&sim->physics, sim->settings.player, k);
        slot.kind = KIND_LOCAL;
    } else {
        robot = lineup_robot(sim, v);
        RiderOutfit unknown = {"rm125", "0", "", "", "", ""};
        slot.rider = rider_create(&sim->physics, robot ? robot->outfit : unknown, k);
        slot.kind = KIND_ROBOT;
    }
    bool own_place = network.server_race && slot.kind == KIND_LOCAL && has_start_slot(network);
    place_on_grid(sim_track(*sim), slot.rider, k, own_place ? network.start_slot : -1);
    rider_enable(slot.rider);
    if (slot.kind == KIND_ROBOT) {
        slot.rider->personality = sim->settings.practice ? PERSONALITY_TESTER
                                  : robot                ? robot->personality
                                                         : PERSONALITY_OSPREY;
        if (sim->robot_driver)
            sim_set_controller(sim, k, sim->robot_driver(*sim, k));
    } else {
        race.false_start_penalty = 0;
        const dReal *p = dBodyGetPosition(slot.rider->bodies[FRAME]);
        for (int i = 0; i < 3; ++i)
            race.start_position[i] = (float)p[i];
    }
}

// The race set going once its riders stand on the gate: the recording,
// the race's length and order, the raised gate, the first tick's demo
// records and the player's bike setup.
void set_off(Sim *sim, bool record_demo, bool playing)
{
    RaceState &race = sim->race;
    if (record_demo && playing && sim->demo.chosen == DEFAULT_DEMO) {
        show_message("Can't record and play from same file - recording disabled");
        record_demo = false;
    }
    if (record_demo)
        demo_record_start(sim);
    for (auto &section : sim->lines.sections)
        for (LineSlot &line : section)
            line.last_picked = -1000000;

    show_messagef("%d MB texture memory used\n", (int)(texture_memory() >> 20));
    free_stale_textures();
    renderer().race_set_up();
    race.race_laps = race.time_limit ? 1000000 : race.laps;
    race.half_race_lap = race.time_limit ? 1000000 : (race.laps + 1) / 2;
    race.results_final = false;
    race.order = race.final_order = RaceOrder();
    roost_reset(sim);
    for (size_t k = 0; k < gate_pieces(*sim); ++k) {
        race.gate_raise[k] = 1.0f;
        show_gate_raise(sim, k);
    }
    if (race.time_trial)
        time_trial_reset(sim);
    demo_record_tick(sim);
    demo_play_tick(sim);
    physics_contacts_clear(&sim->physics);
    results_update(sim);
    if (!race.slots[race.watched_slot].rider && race.order.count)
        race.watched_slot = race.order.entries[0].slot;
    Rider *watched = race.slots[race.watched_slot].rider;
    if (watched && race.slots[race.watched_slot].kind == KIND_LOCAL)
        apply_bike_setup(watched, sim->settings.setup);
}

} // namespace

bool race_start(Sim *sim, const int *lineup, bool play_demo, bool record_demo, int time_limit, int laps, int skill,
                unsigned seed)
{
    RaceState &race = sim->race;
    // A series event left for another race counts as it stands.
    sim_report_results(sim);
    screen("Resetting...");
    draw_roster_and_gate(sim, seed);
    leave_race(sim);
    race.tick = 0;
    race.time_limit = time_limit;
    race.laps = laps;
    race.five_seconds = 5 * TICKS_PER_SECOND;
    race.time_trial = lineup == nullptr;
    if (!sim->track) {
        zeph_log("No track to race on\n");
        return false;
    }
    bool playing = play_demo && demo_open(sim, sim->demo.chosen);
    if (!choose_track(sim, &playing))
        return false;
    // Statue hits and poses are the race's own: every race starts afresh.
    physics_world_set_track(&sim->physics, sim->track);
    load_lines(sim, skill);

    int working[SLOTS];
    ridden_lineup(sim, lineup, playing, working);
    screen("Loading bikes...");
    size_t demo_rider = 0;
    for (int k = 0; k < SLOTS; ++k)
        fill_slot(sim, k, working[k], playing, &demo_rider);
    set_off(sim, record_demo, playing);
    return true;
}

void time_trial_reset(Sim *sim)
{
    demo_record_stop(sim);
    demo_close(sim);
    free_riders(sim, 1);
    RiderSlot &slot = sim->race.slots[0];
    Rider *r = slot.rider;
    const TimingGates &g = sim_track(*sim).objects.gates;
    if (!r || g.gates.empty())
        return;
    int index = std::max(0, g.first_lap_count - 2);
    const Checkpoint &c = g.checkpoints[gate_sequence(g, index) % UNTIMED_GATE];
    float heading = std::atan2(-c.direction[0], -c.direction[2]);
    rider_place(r, c.centre[0], c.centre[2], heading);
    physics_contacts_clear(&sim->physics);
    slot.gate_ticks.clear();
    slot.record_buffer[0].clear();
    slot.record_buffer[1].clear();
    slot.finished = false;
    set_race_position(sim, 0, index);
    sim->race.last_lap_time = 0;
    results_update(sim);
}

// A time-trial lap just completed: the ghost's may be the best; the
// player's is the last (and maybe best) lap, and its next lap starts on
// the lap line it stands on.
void time_trial_laps(Sim *sim, const int laps_before[2])
{
    RaceState &race = sim->race;
    const TimingGates &g = sim_track(*sim).objects.gates;
    auto completed = [&](int slot) {
        const RiderSlot &s = race.slots[slot];
        return s.rider && laps_completed(g, s.next_gate) > laps_before[slot];
    };
    auto better = [&](int ticks) {
        if (ticks > 0 && (race.best_lap_time == 0 || ticks < race.best_lap_time))
            race.best_lap_time = ticks;
    };
    if (completed(1))
        better(time_trial_lap(*sim, 1));
    if (!completed(0))
        return;
    int ghost_gates = race.slots[1].rider ? race.slots[1].next_gate : 0;
    demo_record_stop(sim);
    demo_close(sim);
    free_riders(sim, 1);
    int lap_line = std::max(g.first_lap_count - 1, 0);
    if (!g.gates.empty()) {
        race.last_lap_time = time_trial_lap(*sim, 0);
        better(race.last_lap_time);
        // The lap just ridden becomes the ghost when there is none yet or
        // it beat the ghost home.
        const std::string &folder = sim_track(*sim).folder;
        std::string fastest = fastest_lap_demo(folder);
        GameFile *ghost = gf_open(fastest.c_str(), "rb");
        gf_close(ghost);
        if (!ghost || (race.slots[0].next_gate > ghost_gates && race.last_lap_time > 0))
            demo_copy(last_lap_demo(folder), fastest);
        if (demo_open(sim, fastest))
            add_ghosts(sim, lap_line);
        demo_record_start(sim);
    }
    set_race_position(sim, 0, lap_line);
    rider_progress_step(sim, 0);
    results_update(sim);
}
