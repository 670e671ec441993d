// Recording lines from riding, storing them in the table, and judging the
// lines robots ride.
#include "race/learning.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "platform/log.h"
#include "platform/tick_math.h"
#include "race/line_plans.h"
#include "race/progress.h"
#include "race/race.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

const TimingGates &gates_of(const Sim &sim)
{
    return sim_track(sim).objects.gates;
}

int tick_at(const RiderSlot &s, int q)
{
    return q < 0 || q >= (int)s.gate_ticks.size() ? 0 : s.gate_ticks[(size_t)q];
}

// The first position in [from, to] without a recorded crossing; -1 when
// every one has one.
int first_skipped(const RiderSlot &s, int from, int to)
{
    for (int q = std::max(from, 0); q <= to; ++q)
        if (!gate_recorded(s, q))
            return q;
    return -1;
}

int timed_before(const TimingGates &g, int q)
{
    for (--q; q >= 0; --q)
        if (gate_sequence(g, q) < UNTIMED_GATE)
            return q;
    return -1;
}

// Counts a failure against the line a robot picked for race section s.
void blame(Sim *sim, Rider *r, int section)
{
    int &id = r->picked_lines[section & 3];
    if (id != 0 && !sim->lines.sections.empty())
        for (LineSlot &line : sim->lines.sections[(size_t)table_section(sim->lines, section)])
            if (line.id == id) {
                ++line.fails;
                break;
            }
    id = 0;
}

void forget_picks(Rider *r)
{
    std::fill(r->picked_lines, r->picked_lines + 4, 0);
}

bool same_line(const std::vector<LinePoint> &a, const std::vector<LinePoint> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t k = 0; k < a.size(); ++k) {
        float dx = a[k].x - b[k].x, dy = a[k].y - b[k].y, dz = a[k].z - b[k].z;
        if (std::fabs(a[k].speed - b[k].speed) > 0.0625f || dx * dx + dy * dy + dz * dz > 0.00390625f)
            return false;
    }
    return true;
}

// Offers the recorded line of race section j - 1 to the table, timed by the
// crossings at p0, p1 and p2.
void store_line(Sim *sim, RiderSlot &s, int j, int p0, int p1, int p2)
{
    bool debug = sim->settings.debug;
    if (first_skipped(s, p0, p2) >= 0)
        return;
    int b = (j - 1) & 1, m = table_section(sim->lines, j - 1);
    std::vector<LinePoint> &buffer = s.record_buffer[b];
    if (buffer.empty() || (s.record_spoiled >> b & 1)) {
        if (debug)
            zeph_log("auto pilot: %d canceled %zu %u\n", m, buffer.size(), s.record_spoiled);
        return;
    }
    std::vector<LineSlot> &slots = sim->lines.sections[(size_t)m];
    for (const LineSlot &line : slots)
        if (same_line(line.points, buffer)) {
            if (debug)
                zeph_log("auto pilot: %d rejected (duplicate)\n", m);
            return;
        }
    int own = tick_at(s, p1) - tick_at(s, p0), pair = tick_at(s, p2) - tick_at(s, p0);
    int target = -1;
    for (int k = 0; k < LINE_SLOTS && target < 0; ++k)
        if (slots[(size_t)k].points.empty())
            target = k;
    if (target < 0)
        target = line_evict_choice(sim->lines, m);
    LineSlot &slot = slots[(size_t)target];
    if (line_bar(slot) < (int64_t)pair * 5 / 4) {
        if (debug)
            zeph_log("auto pilot: %d rejected (too slow)\n", m);
        return;
    }
    if (debug) {
        float tested = (float)std::max(slot.tested, 1);
        zeph_log("auto pilot: evicting %d (times: %.2f %.2f tested (%d %d): %.2f %.2f repl: %f %f)\n", m,
                 slot.own_time * TICK_SECONDS, slot.pair_time * TICK_SECONDS, slot.tested, slot.fails,
                 slot.tested ? slot.sum_own / tested * TICK_SECONDS : 0.0,
                 slot.tested ? slot.sum_pair / tested * TICK_SECONDS : 0.0, own * TICK_SECONDS, pair * TICK_SECONDS);
    }
    int last_picked = slot.last_picked;
    slot = LineSlot();
    slot.points = buffer;
    slot.own_time = own;
    slot.pair_time = pair;
    slot.last_picked = last_picked;
    slot.id = ++sim->lines.next_id;
}

// Whether a robot rides on its line: near the segment it is on, and not
// much faster than the line goes there.
bool on_line(const RiderSlot &s)
{
    const std::vector<LinePoint> &line = s.robot_line;
    if (line.empty())
        return false;
    int last = (int)line.size() - 1;
    int k = (int)std::lround(line_progress(s));
    const LinePoint &a = line[(size_t)std::min(std::max(k - 1, 0), last)];
    const LinePoint &b = line[(size_t)std::min(std::max(k, 0), last)];
    const dReal *p = dBodyGetPosition(s.rider->bodies[FRAME]);
    double ab[3] = {(double)b.x - a.x, (double)b.y - a.y, (double)b.z - a.z};
    double ap[3] = {p[0] - a.x, p[1] - a.y, p[2] - a.z};
    double length2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double along = length2 > 0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / length2 : 0;
    double d2 = 0;
    for (int i = 0; i < 3; ++i) {
        double off = ap[i] - along * ab[i];
        d2 += off * off;
    }
    float fast = 0.9375f * frame_speed(s.rider);
    return d2 <= 16 && (fast <= std::fabs(a.speed) || fast <= std::fabs(b.speed));
}

// A robot's run at the timed gate ending race section j: credit the line of
// section j - 1, or blame the line that failed.
void judge_run(Sim *sim, RiderSlot &s, int j, int p0, int p1, int p2)
{
    Rider *r = s.rider;
    if (!on_line(s)) {
        blame(sim, r, j);
        forget_picks(r);
        return;
    }
    int missed = first_skipped(s, p0 + 1, p1);
    if (missed >= 0) {
        blame(sim, r, section_of(gates_of(*sim), missed));
        forget_picks(r);
        return;
    }
    if (first_skipped(s, p1 + 1, p2) >= 0)
        return;
    int id = r->picked_lines[(j - 1) & 3];
    if (id == 0)
        return;
    int own = tick_at(s, p1) - tick_at(s, p0), pair = tick_at(s, p2) - tick_at(s, p0);
    for (LineSlot &line : sim->lines.sections[(size_t)table_section(sim->lines, j - 1)])
        if (line.id == id) {
            ++line.tested;
            line.best_own = std::min(line.best_own, own);
            line.best_pair = std::min(line.best_pair, pair);
            line.sum_own += own;
            line.sum_pair += pair;
            break;
        }
}

} // namespace

void learn_sample(Sim *sim, int slot)
{
    RiderSlot &s = sim->race.slots[slot];
    Rider *r = s.rider;
    if (sim->race.tick % 32 != 0 || r->personality != 0)
        return;
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
    float speed = frame_speed(r);
    if (r->front_contact.depth <= 0 && r->rear_contact.depth <= 0)
        speed = -speed;
    LinePoint point = {(float)p[0], (float)p[1], (float)p[2], speed, bike_lean_angle(r, FRAME)};
    s.record_buffer[section_of(gates_of(*sim), s.next_gate) & 1].push_back(point);
}

void learn_stopped(Sim *sim, int slot)
{
    RiderSlot &s = sim->race.slots[slot];
    Rider *r = s.rider;
    if (r->personality == 0)
        return;
    const TimingGates &g = gates_of(*sim);
    blame(sim, r, section_of(g, s.next_gate));
    if (gate_recorded(s, s.next_gate - 1) && sim->race.tick - tick_at(s, s.next_gate - 1) < TICKS_PER_SECOND)
        blame(sim, r, section_of(g, s.next_gate - 1));
    forget_picks(r);
}

void learn_timed_gate(Sim *sim, int slot, int q, int offset)
{
    RiderSlot &s = sim->race.slots[slot];
    const TimingGates &g = gates_of(*sim);
    int j = section_of(g, q);
    int p1 = timed_before(g, q), p0 = p1 < 0 ? -1 : timed_before(g, p1);
    bool table = !sim->lines.sections.empty();
    if (s.rider->personality == 0) {
        if (offset != 0) {
            // A skipped gate: the stretch being ridden is no line.
            if (sim->settings.debug)
                zeph_log("auto pilot: gate %d crossed %+d out of order\n", q, offset);
            s.record_buffer[0].clear();
            s.record_buffer[1].clear();
            return;
        }
        if (j >= 1 && table)
            store_line(sim, s, j, p0, p1, q);
        int b = section_of(g, q + 1) & 1;
        s.record_buffer[b].clear();
        s.record_spoiled &= ~(1u << b);
    } else {
        if (j >= 1 && table)
            judge_run(sim, s, j, p0, p1, q);
        s.record_buffer[0].clear();
        s.record_buffer[1].clear();
    }
}

void learn_finished(Sim *sim, int slot)
{
    RiderSlot &s = sim->race.slots[slot];
    if (s.rider->personality == 0 || s.robot_line.empty())
        return;
    int c = (int)s.robot_line.size();
    int k = std::max(0, (int)std::lround(line_progress(s)));
    for (int n = k; n < c; ++n)
        s.robot_line[(size_t)n].speed *= (float)(c - n) / (float)(c - k) * 0.75f + 0.25f;
}

float line_progress(const RiderSlot &s)
{
    const std::vector<LinePoint> &line = s.robot_line;
    if (line.empty() || !s.rider)
        return 0;
    const dReal *f = dBodyGetPosition(s.rider->bodies[FRAME]);
    const dReal *R = dBodyGetRotation(s.rider->bodies[FRAME]);
    double d[3] = {-R[2], -R[6], -R[10]}; // the frame's forward axis
    auto ahead = [&](int i) {
        const LinePoint &p = line[(size_t)i];
        return (p.x - f[0]) * d[0] + (p.y - f[1]) * d[1] + (p.z - f[2]) * d[2];
    };
    int i = std::min(s.robot_target, (int)line.size()) - 1;
    while (i >= 0 && ahead(i) >= 0)
        --i;
    if (i < 0)
        return 0;
    if (i + 1 < (int)line.size()) {
        double here = ahead(i), next = ahead(i + 1);
        if (next > 0)
            return (float)(i + 1 + std::min(1.0, std::max(0.0, -here / (next - here))));
    }
    return (float)(i + 1);
}
