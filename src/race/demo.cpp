// Recording and playing demos.
#include "race/demo.h"

#include "files/game_file.h"
#include "physics/rider.h"
#include "platform/log.h"
#include "race/progress.h"
#include "race/race.h"
#include "race/snapshot.h"
#include "track/track.h"
#include "track/track_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char *const DEFAULT_DEMO = "@demos/default.rvdemo";

std::string last_lap_demo(const std::string &track)
{
    return track_file(track, "lastlap.rvdemo");
}

std::string fastest_lap_demo(const std::string &track)
{
    return track_file(track, "fastlap.rvdemo");
}

namespace
{

// The largest header numbers a demo may give: a day of ticks, a thousand
// laps; anything beyond is not a demo of this game.
const int max_ticks = 24 * 3600 * TICKS_PER_SECOND, max_laps = 1000000;

// Reads one whole line ("\n" included) into `line` without it; false when
// the line is missing, cut off or too long.
bool read_line(GameFile *f, std::string *line)
{
    char buffer[1024];
    if (!gf_gets(f, buffer, sizeof buffer))
        return false;
    size_t n = strlen(buffer);
    if (n == 0 || buffer[n - 1] != '\n')
        return false;
    line->assign(buffer, n - 1);
    return true;
}

// A track folder name a demo may give: a plain name inside the game folders.
bool plain_name(const std::string &name)
{
    return !name.empty() && name.size() < 256 && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find("..") == std::string::npos && name[0] != '@';
}

int recorded_count(const Sim &sim)
{
    int n = 0;
    for (int k = 0; k < SLOTS; ++k)
        n += demo_records(sim, k);
    return n;
}

bool fail(Sim *sim, const std::string &name, const char *why)
{
    zeph_log("Can't play the demo '%s': %s\n", name.c_str(), why);
    demo_close(sim);
    return false;
}

} // namespace

bool demo_records(const Sim &sim, int slot)
{
    const RiderSlot &s = sim.race.slots[slot];
    if (!s.rider)
        return false;
    if (sim.network.connected)
        return s.kind != KIND_LOCAL || has_start_slot(sim.network);
    return s.kind == KIND_LOCAL || s.kind == KIND_ROBOT;
}

void demo_record_start(Sim *sim)
{
    DemoState &d = sim->demo;
    demo_record_stop(sim);
    const RaceState &race = sim->race;
    std::string name = !d.record_name.empty() ? d.record_name
                       : race.time_trial      ? last_lap_demo(sim_track(*sim).folder)
                                              : DEFAULT_DEMO;
    d.out = gf_open(name.c_str(), "wb");
    if (!d.out)
        return;
    gf_printf(d.out, "RV05 %d %d %d %d\n", recorded_count(*sim), race.time_limit, race.laps, race.start_tick);
    gf_printf(d.out, "%s\n", sim_track(*sim).folder.c_str());
    for (int k = 0; k < SLOTS; ++k) {
        if (!demo_records(*sim, k))
            continue;
        const Rider *r = race.slots[k].rider;
        if (is_remote(*sim, k)) {
            // A remote rider as the server described it.
            const RiderOutfit &o = sim->network.riders[k];
            gf_printf(d.out, "%s|%s|%s|%s|%s\n%s\n", o.bike.c_str(), o.body_texture.c_str(), o.bike_texture.c_str(),
                      o.wheel_texture.c_str(), o.head_texture.c_str(), o.number.c_str());
            continue;
        }
        gf_printf(d.out, "%s|%s|%s|%s|%s\n%s\n", r->spec.name, r->skins[TEX_BODY].c_str(), r->skins[TEX_BIKE].c_str(),
                  r->skins[TEX_WHEELS].c_str(), r->skins[TEX_HEAD].c_str(), r->number);
    }
    gf_flush(d.out);
}

void demo_record_tick(Sim *sim)
{
    DemoState &d = sim->demo;
    if (!d.out)
        return;
    // The whole tick in one write: a recording cut off ends between ticks
    // or inside its last one, never in the middle of what came before.
    // In a server's race every rider is recorded one second behind, from
    // the snapshots received: one timeline for all of them.
    const NetworkRace &network = sim->network;
    const Terrain &ground = sim_track(*sim).terrain;
    int behind = sim->race.tick - 127;
    bool from_rings = network.connected && network.rings.size() == REMOTE_SLOTS;
    if (from_rings && behind < 0)
        return;
    uint8_t tick[SLOTS * SNAPSHOT_BYTES];
    size_t n = 0;
    for (int k = 0; k < SLOTS; ++k) {
        if (!demo_records(*sim, k))
            continue;
        const Rider *r = sim->race.slots[k].rider;
        RiderSnapshot s = from_rings && k < REMOTE_SLOTS ? ring_sample(network.rings[(size_t)k], behind, r, ground)
                                                         : snapshot_encode(*r, ground);
        memcpy(tick + n, s.bytes, SNAPSHOT_BYTES);
        n += SNAPSHOT_BYTES;
    }
    gf_write(d.out, tick, n);
    gf_flush(d.out);
}

void demo_record_stop(Sim *sim)
{
    DemoState &d = sim->demo;
    if (!d.out)
        return;
    gf_close(d.out);
    d.out = nullptr;
    if (!d.pending_rename.empty()) {
        gf_rename(DEFAULT_DEMO, ("@demos/" + d.pending_rename).c_str());
        d.pending_rename.clear();
    }
}

bool demo_open(Sim *sim, const std::string &wanted)
{
    DemoState &d = sim->demo;
    demo_close(sim);
    d.riders.clear();
    d.at_end = false;
    d.ticks_played = 0;
    std::string name = !wanted.empty()        ? wanted
                       : !d.chosen.empty()    ? d.chosen
                       : sim->race.time_trial ? fastest_lap_demo(sim->settings.track_folder)
                                              : DEFAULT_DEMO;
    d.in = gf_open(name.c_str(), "rb");
    if (!d.in)
        return fail(sim, name, "it can't be opened");
    d.file_size = (long)gf_remaining(d.in);

    std::string line;
    int version = 0, riders = 0, time_limit = 0, laps = 0, start_tick = 14 * TICKS_PER_SECOND;
    if (!read_line(d.in, &line) ||
        sscanf(line.c_str(), "RV%d %d %d %d %d", &version, &riders, &time_limit, &laps, &start_tick) < 3)
        return fail(sim, name, "no demo header");
    if (version == 4)
        return fail(sim, name, "demos of version 4 are not played");
    if (version != 5)
        return fail(sim, name, "an unknown demo version");
    if (riders < 0 || riders > SLOTS)
        return fail(sim, name, "the rider count is not 0 to 40");
    if (time_limit < 0 || time_limit > max_ticks || laps < 0 || laps > max_laps || start_tick < 0 ||
        start_tick > max_ticks)
        return fail(sim, name, "impossible race numbers");
    if (!read_line(d.in, &d.track) || !plain_name(d.track))
        return fail(sim, name, "no track name");
    for (int k = 0; k < riders; ++k) {
        std::string look, number;
        if (!read_line(d.in, &look) || !read_line(d.in, &number))
            return fail(sim, name, "a rider's description is cut off");
        RiderOutfit rider;
        std::string *fields[5] = {&rider.bike, &rider.body_texture, &rider.bike_texture, &rider.wheel_texture,
                                  &rider.head_texture};
        size_t from = 0;
        for (int f = 0; f < 5 && from <= look.size(); ++f) {
            size_t bar = f < 4 ? look.find('|', from) : std::string::npos;
            *fields[f] = look.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
            from = bar == std::string::npos ? look.size() + 1 : bar + 1;
        }
        rider.number = number.substr(0, 7);
        d.riders.push_back(rider);
    }
    d.version = version;
    d.block_offset = d.file_size - (long)gf_remaining(d.in);
    d.time_limit = time_limit;
    d.laps = laps;
    d.start_tick = start_tick;
    return true;
}

void demo_close(Sim *sim)
{
    DemoState &d = sim->demo;
    gf_close(d.in);
    d.in = nullptr;
}

void demo_play_tick(Sim *sim)
{
    DemoState &d = sim->demo;
    if (!d.in)
        return;
    size_t want = d.riders.size() * SNAPSHOT_BYTES;
    uint8_t tick[SLOTS * SNAPSHOT_BYTES];
    size_t got = d.at_end ? 0 : gf_read(d.in, tick, want);
    if (got < want)
        d.at_end = true;
    else
        ++d.ticks_played;
    size_t at = 0;
    for (int k = 0; k < SLOTS; ++k) {
        RiderSlot &s = sim->race.slots[k];
        if (!s.rider || s.kind != KIND_REPLAYED)
            continue;
        bool whole = at + SNAPSHOT_BYTES <= got;
        if (whole) {
            RiderSnapshot snapshot;
            memcpy(snapshot.bytes, tick + at, SNAPSHOT_BYTES);
            snapshot_apply(s.rider, sim_track(*sim).terrain, snapshot, 1);
        }
        s.demo_sound = whole ? 1.0f : 0.0f;
        at += SNAPSHOT_BYTES;
    }
}

bool demo_only_playing(const Sim &sim)
{
    const DemoState &d = sim.demo;
    if (!d.in || d.out)
        return false;
    for (int k = 0; k < SLOTS; ++k)
        if (sim.race.slots[k].rider && sim.race.slots[k].kind != KIND_REPLAYED)
            return false;
    return true;
}

void demo_seek(Sim *sim, float seconds)
{
    DemoState &d = sim->demo;
    RaceState &race = sim->race;
    if (!demo_only_playing(*sim))
        return;
    int target = std::max(0, race.tick + (int)(seconds * TICKS_PER_SECOND) - 2);
    long offset = d.block_offset + (long)target * (long)d.riders.size() * SNAPSHOT_BYTES;
    if (!gf_seek(d.in, offset))
        return;
    d.at_end = false;
    target += 2;
    if (target < race.tick) {
        // Back in time: crossings made after the new tick never happened.
        for (int k = 0; k < SLOTS; ++k) {
            RiderSlot &s = race.slots[k];
            int keep = (int)s.gate_ticks.size();
            while (keep > 0 && (s.gate_ticks[(size_t)keep - 1] > target || s.gate_ticks[(size_t)keep - 1] < 0))
                --keep;
            if (s.rider)
                set_race_position(sim, k, keep);
        }
        race.results_final = false;
        results_update(sim);
    }
    race.tick = target;
    demo_play_tick(sim);
    demo_play_tick(sim);
}

bool demo_copy(const std::string &from, const std::string &to)
{
    GameFile *in = gf_open(from.c_str(), "rb");
    if (!in)
        return false;
    std::string fresh = to + ".new";
    GameFile *out = gf_open(fresh.c_str(), "wb");
    if (!out) {
        gf_close(in);
        return false;
    }
    char block[1024];
    size_t n;
    while ((n = gf_read(in, block, sizeof block)) > 0)
        gf_write(out, block, n);
    gf_flush(out);
    bool ok = !gf_error(out);
    gf_close(out);
    gf_close(in);
    return ok && gf_rename(fresh.c_str(), to.c_str());
}
