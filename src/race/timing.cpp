// Laps, the race order, the finish, the cutting penalty and the results.
#include "race/timing.h"

#include "files/game_file.h"
#include "physics/rider.h"
#include "race/race.h"
#include "track/track.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace
{

const int OPEN = 1000000; // race laps and half-race lap while not yet known

// The tick a rider crossed a sequence position, -1 when it did not (or not
// yet); positions below 0 count as the race's tick 0.
int crossing(const RiderSlot &s, int position)
{
    if (position < 0)
        return 0;
    return position < (int)s.gate_ticks.size() && position < s.next_gate ? s.gate_ticks[(size_t)position] : -1;
}

bool has_gates(const TimingGates &g)
{
    return !g.gates.empty() && g.normal_lap_count > 0;
}

OrderEntry entry_of(const Sim &sim, int slot)
{
    const RiderSlot &s = sim.race.slots[slot];
    OrderEntry e;
    e.slot = slot;
    e.gates = s.next_gate;
    e.last_tick = s.next_gate > 0 ? std::max(0, crossing(s, s.next_gate - 1)) : 0;
    e.total = e.last_tick;
    return e;
}

// More gates first; on equal gates the earlier time; then the lower slot.
void sort_order(RaceOrder *order, bool by_total)
{
    std::sort(order->entries, order->entries + order->count, [by_total](const OrderEntry &a, const OrderEntry &b) {
        if (a.gates != b.gates)
            return a.gates > b.gates;
        int ta = by_total ? a.total : a.last_tick, tb = by_total ? b.total : b.last_tick;
        if (ta != tb)
            return ta < tb;
        return a.slot < b.slot;
    });
}

void build_order(const Sim &sim, RaceOrder *order)
{
    order->count = 0;
    for (int k = 0; k < SLOTS; ++k)
        if (sim.race.slots[k].rider)
            order->entries[order->count++] = entry_of(sim, k);
    sort_order(order, false);
}

// The race laps of a race with a time limit, from the leader's laps.
void time_limit_laps(Sim *sim)
{
    RaceState &race = sim->race;
    const TimingGates &g = sim_track(*sim).objects.gates;
    if (race.time_limit <= 0 || race.order.count == 0)
        return;
    int leader_laps = laps_completed(g, race.order.entries[0].gates);
    if (race.half_race_lap == OPEN && race.tick >= race.time_limit / 2)
        race.half_race_lap = leader_laps + 1;
    if (race.tick < race.time_limit)
        return;
    if (race.race_laps == OPEN) {
        race.race_laps = leader_laps + race.laps + 1;
        return;
    }
    int p = race.race_laps == race.laps ? 0 : lap_end_position(g, race.race_laps - race.laps);
    for (int k = 0; k < race.order.count; ++k) {
        int t = crossing(race.slots[race.order.entries[k].slot], p);
        if (t > 0 && t < race.time_limit) {
            ++race.race_laps;
            return;
        }
    }
}

std::string clock_text(double seconds, const char *format)
{
    int ms = (int)(seconds * 1000);
    char text[64];
    snprintf(text, sizeof text, format, ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

} // namespace

int laps_completed(const TimingGates &g, int next_gate)
{
    if (!has_gates(g) || next_gate < g.first_lap_count)
        return 0;
    return (next_gate - g.first_lap_count) / g.normal_lap_count + 1;
}

int lap_position(const TimingGates &g, int next_gate)
{
    if (!has_gates(g) || next_gate < g.first_lap_count)
        return next_gate;
    return (next_gate - g.first_lap_count) % g.normal_lap_count + 1;
}

int lap_end_position(const TimingGates &g, int lap)
{
    return g.first_lap_count - 1 + (lap - 1) * g.normal_lap_count;
}

int lap_ticks(const Sim &sim, int slot, int lap)
{
    const TimingGates &g = sim_track(sim).objects.gates;
    const RiderSlot &s = sim.race.slots[slot];
    int done = laps_completed(g, s.next_gate);
    if (lap < 0)
        lap = done;
    if (!has_gates(g) || lap <= 0 || lap > done)
        return 0;
    int end = crossing(s, lap_end_position(g, lap));
    int begin = lap == 1 ? sim.race.start_tick : crossing(s, lap_end_position(g, lap - 1));
    if (end < 0 || begin < 0)
        return 0;
    return end - begin;
}

float lap_time(const Sim &sim, int slot, int lap)
{
    return (float)lap_ticks(sim, slot, lap) / TICKS_PER_SECOND;
}

int best_lap(const Sim &sim, int slot)
{
    const TimingGates &g = sim_track(sim).objects.gates;
    int done = laps_completed(g, sim.race.slots[slot].next_gate), best = 0;
    int best_time = 0;
    for (int k = 2; k <= done; ++k) {
        int t = lap_ticks(sim, slot, k);
        if (t > 0 && (best == 0 || t < best_time)) {
            best = k;
            best_time = t;
        }
    }
    return best;
}

bool rider_finished(const Sim &sim, int slot)
{
    const RiderSlot &s = sim.race.slots[slot];
    if (s.finished)
        return true;
    const TimingGates &g = sim_track(sim).objects.gates;
    const RaceOrder &order = sim.race.order;
    if (!has_gates(g) || order.count == 0)
        return false;
    int laps = sim.race.race_laps;
    int finish = laps == 0 ? 0 : lap_end_position(g, laps);
    const RiderSlot &leader = sim.race.slots[order.entries[0].slot];
    int leader_tick = crossing(leader, finish);
    if (leader.next_gate <= finish || leader_tick < 0)
        return false;
    // It finishes on the first lap line it crosses after the leader's finish.
    int done = laps_completed(g, s.next_gate);
    int t = crossing(s, done == 0 ? 0 : lap_end_position(g, done));
    return t >= 0 && t >= leader_tick;
}

bool is_finished(Sim *sim, int slot)
{
    if (rider_finished(*sim, slot))
        sim->race.slots[slot].finished = true;
    return sim->race.slots[slot].finished;
}

int race_position(const Sim &sim, int slot)
{
    const RaceOrder &order = sim.race.order;
    for (int k = 0; k < order.count; ++k)
        if (order.entries[k].slot == slot)
            return k;
    return 0;
}

float race_gap(const Sim &sim, int slot)
{
    const RaceOrder &order = sim.race.order;
    if (order.count < 2)
        return 0;
    int w = race_position(sim, slot), o = w == 0 ? 1 : w - 1;
    const OrderEntry &we = order.entries[w], &oe = order.entries[o];
    int ours, theirs;
    if (we.gates == oe.gates) {
        ours = we.last_tick;
        theirs = oe.last_tick;
    } else {
        int at = std::min(we.gates, oe.gates) - 1;
        ours = crossing(sim.race.slots[we.slot], at);
        theirs = crossing(sim.race.slots[oe.slot], at);
    }
    if (ours < 1 || theirs < 1)
        return 0;
    return (float)(theirs - ours) / TICKS_PER_SECOND;
}

std::string lapping_notice(const Sim &sim, int slot)
{
    const TimingGates &g = sim_track(sim).objects.gates;
    const RaceOrder &order = sim.race.order;
    std::string notice;
    if (order.count < 2 || !has_gates(g))
        return notice;
    const RiderSlot &w = sim.race.slots[slot];
    int hw = w.next_gate, tw = hw > 0 ? crossing(w, hw - 1) : 0;
    if (hw < g.first_lap_count)
        return notice;
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &p = order.entries[k];
        if (p.gates <= hw)
            continue;
        int ln = g.normal_lap_count;
        int q = p.gates - ln * ((p.gates - hw - 1) / ln + 1) - 1;
        int c = crossing(w, q);
        if (c < 0 || p.last_tick < c || tw - c > 15 * TICKS_PER_SECOND || p.last_tick - c >= 3 * TICKS_PER_SECOND)
            continue;
        const Rider *r = sim.race.slots[p.slot].rider;
        if (r)
            notice += (notice.empty() ? "" : " ") + std::string(r->number);
    }
    return notice;
}

int stretch_time(const Sim &sim, int start, int end)
{
    const TimingGates &g = sim_track(sim).objects.gates;
    const RaceOrder &order = sim.race.order;
    long long sum = 0;
    int riders = 0;
    for (int k = 0; k < order.count; ++k) {
        const RiderSlot &s = sim.race.slots[order.entries[k].slot];
        long long rider_sum = 0;
        int stretches = 0;
        // Later laps repeat the normal lap: every lap the rider rode counts.
        int step = start >= g.first_lap_count && g.normal_lap_count > 0 ? g.normal_lap_count : 0;
        for (int offset = 0; end + offset < s.next_gate; offset += step) {
            int a = crossing(s, start + offset), b = crossing(s, end + offset);
            bool whole = a >= 0 && b >= 0;
            for (int q = start + offset + 1; whole && q < end + offset; ++q)
                whole = crossing(s, q) >= 0;
            if (whole) {
                rider_sum += b - a;
                ++stretches;
            }
            if (step == 0)
                break;
        }
        if (stretches > 0) {
            sum += rider_sum / stretches;
            ++riders;
        }
    }
    return riders > 0 ? (int)(sum / riders) : 60 * TICKS_PER_SECOND;
}

int cutting_penalty(const Sim &sim, int slot)
{
    const RiderSlot &s = sim.race.slots[slot];
    int penalty = 0, last = 0, skipped = 0;
    for (int q = 0; q < s.next_gate; ++q) {
        int t = crossing(s, q);
        if (t < 0) {
            ++skipped;
            continue;
        }
        if (skipped > 0)
            penalty += std::max(0, stretch_time(sim, q - skipped - 1, q) + TICKS_PER_SECOND - (t - last));
        skipped = 0;
        last = t;
    }
    return penalty;
}

void results_update(Sim *sim)
{
    RaceState &race = sim->race;
    if (race.results_final)
        return;
    build_order(*sim, &race.order);
    time_limit_laps(sim);
    if (race.order.count == 0)
        return;
    // A remote player that has gone quiet does not hold the results back.
    for (int k = 0; k < race.order.count; ++k) {
        int slot = race.order.entries[k].slot;
        if (!is_finished(sim, slot) && !(is_remote(*sim, slot) && remote_silent(*sim, slot)))
            return;
    }

    // Everyone is in: the final order, penalties for cutting the track.
    const TimingGates &g = sim_track(*sim).objects.gates;
    RaceOrder &final_order = race.final_order;
    final_order = race.order;
    for (int k = 0; k < final_order.count; ++k) {
        OrderEntry &e = final_order.entries[k];
        int penalty = cutting_penalty(*sim, e.slot);
        int best = best_lap(*sim, e.slot);
        int best_ticks = best ? lap_ticks(*sim, e.slot, best) : 0;
        while (best_ticks > 0 && penalty > best_ticks && e.gates > g.first_lap_count) {
            e.gates -= g.normal_lap_count;
            penalty -= best_ticks;
            ++e.laps_off;
        }
        e.total = e.last_tick + penalty;
    }
    sort_order(&final_order, true);
    if (final_order.count > 0 && race.slots[final_order.entries[0].slot].finished)
        write_results(*sim);
    race.results_final = true;
    // An entered series event has its result.
    sim_report_results(sim);
}

bool write_results(const Sim &sim)
{
    const RaceState &race = sim.race;
    const Track &track = sim_track(sim);
    const TimingGates &g = track.objects.gates;
    GameFile *f = gf_open("@results.txt", "wb");
    if (!f)
        return false;
    gf_printf(f, "Time=%.2f|Laps=%d|Track=%s|Date=%ld\r\n", (double)race.time_limit / TICKS_PER_SECOND, race.laps,
              track.folder.c_str(), (long)time(nullptr));
    gf_printf(f, "%4s | %12s | %4s | %10s | %4s | %10s\r\n", "No.", "Bike", "Laps", "Total Time", "BLap", "Best Time");
    const RaceOrder &order = race.final_order;
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        const RiderSlot &s = race.slots[e.slot];
        if (!s.finished || !s.rider)
            continue;
        double total = (double)(e.total - race.start_tick) / TICKS_PER_SECOND;
        int ms = (int)(total * 1000);
        gf_printf(f, "%4s | %12s | %4d | %3d:%02d.%03d | ", s.rider->number, s.rider->spec.name,
                  laps_completed(g, e.gates), ms / 60000, ms / 1000 % 60, ms % 1000);
        int best = best_lap(sim, e.slot);
        int best_ms = (int)(lap_time(sim, e.slot, best) * 1000);
        gf_printf(f, "%4d | %3d:%02d.%03d\r\n", best, best_ms / 60000, best_ms / 1000 % 60, best_ms % 1000);
    }
    for (int k = 0; k < order.count; ++k) {
        const RiderSlot &s = race.slots[order.entries[k].slot];
        if (!s.finished || !s.rider)
            continue;
        gf_printf(f, "\r\n%d\r\n", s.next_gate);
        for (int q = 0; q < s.next_gate; ++q) {
            int t = crossing(s, q);
            if (t < 0)
                gf_printf(f, "%8d", -1);
            else
                gf_printf(f, "%8.3f", (double)(t - race.start_tick) / TICKS_PER_SECOND);
            bool lap_end = q + 1 == g.first_lap_count ||
                           (q + 1 > g.first_lap_count && (q + 1 - g.first_lap_count) % g.normal_lap_count == 0);
            gf_printf(f, lap_end || q + 1 == s.next_gate ? "\r\n" : " ");
        }
    }
    gf_close(f);
    return true;
}

std::vector<BoardLine> results_board(const Sim &sim)
{
    std::vector<BoardLine> lines;
    const RaceState &race = sim.race;
    const TimingGates &g = sim_track(sim).objects.gates;
    if (race.order.count == 0 || !rider_finished(sim, race.order.entries[0].slot))
        return lines;
    const RaceOrder &order = race.results_final ? race.final_order : race.order;
    lines.push_back({race.results_final ? "Final Results" : "Unofficial Results", false, false});
    char text[160];
    snprintf(text, sizeof text, "%3s %4s %8s %10s %5s", "No.", "Lap", "Gap", "Best Time", "BLap");
    lines.push_back({text, false, false});
    const OrderEntry *above = nullptr;
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        const RiderSlot &s = race.slots[e.slot];
        if (!rider_finished(sim, e.slot) || !s.rider)
            continue;
        double gap = 0;
        if (above) {
            const RiderSlot &a = race.slots[above->slot];
            int at = std::min(above->gates, e.gates) - 1;
            int mine = above->gates == e.gates ? e.last_tick : crossing(s, at);
            int theirs = above->gates == e.gates ? above->last_tick : crossing(a, at);
            gap = (double)(mine - theirs) / TICKS_PER_SECOND;
        }
        int best = best_lap(sim, e.slot);
        std::string best_text = clock_text(lap_time(sim, e.slot, best), "%d:%02d.%03d");
        snprintf(text, sizeof text, "%3s L%-3d %7.3f %10s (%d)", s.rider->number, laps_completed(g, e.gates), gap,
                 best_text.c_str(), best);
        lines.push_back({text, e.slot == race.watched_slot, false});
        above = &e;
    }
    if (!race.results_final)
        return lines;
    const OrderEntry &winner = order.entries[0];
    lines.push_back(
        {"Total Race Time: " + clock_text((double)(winner.total - race.start_tick) / TICKS_PER_SECOND, "%d:%02d.%03d"),
         false, false});
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        const RiderSlot &s = race.slots[e.slot];
        if (e.total <= e.last_tick || !s.rider)
            continue;
        snprintf(text, sizeof text, "%3s penalized ", s.rider->number);
        std::string line = text;
        if (e.laps_off > 0) {
            snprintf(text, sizeof text, "%d %s ", e.laps_off, e.laps_off == 1 ? "lap" : "laps");
            line += text;
        }
        snprintf(text, sizeof text, "%.2f seconds for cutting track",
                 (double)(e.total - e.last_tick) / TICKS_PER_SECOND);
        line += text;
        lines.push_back({line, false, true});
    }
    return lines;
}

std::string race_length_text(int laps, int minutes)
{
    char text[64];
    if (minutes > 0 && laps > 0 && laps < 1000000)
        snprintf(text, sizeof text, "%d minutes + %d laps", minutes, laps);
    else if (minutes > 0)
        snprintf(text, sizeof text, "%d minutes", minutes);
    else
        snprintf(text, sizeof text, "%d laps", laps);
    return text;
}
