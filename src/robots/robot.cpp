// The robot's tick: aids, target points, line picking and joining, and the
// start from the gate.
#include "robots/robot.h"
#include "platform/tick_math.h"

#include "physics/rider.h"
#include "platform/log.h"
#include "race/learning.h"
#include "race/line_plans.h"
#include "race/timing.h"

#include <algorithm>
#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;
const int aid_flags = RIDER_WHEELIE_CONTROL | RIDER_STOPPIE_CONTROL | RIDER_FRONT_ANTILOCK | RIDER_REAR_ANTILOCK;

float uniform(RobotState *st, float width)
{
    return std::uniform_real_distribution<float>(0, width)(st->random);
}

void drive(Sim &sim, int slot, void *state, RiderInput *input)
{
    robot_step(sim, slot, static_cast<RobotState *>(state), input);
}

void release(void *state)
{
    delete static_cast<RobotState *>(state);
}

float flat_distance2(const LinePoint &a, const LinePoint &b)
{
    float dx = a.x - b.x, dz = a.z - b.z;
    return dx * dx + dz * dz;
}

// Holding at the gate: a foot down, brakes on, clutch out, in second gear.
void hold(Rider *r, RiderInput *in, float throttle)
{
    in->sit_dab = 1;
    in->flags &= ~RIDER_AUTO_SHIFT;
    in->clutch = 0;
    in->front_brake = in->rear_brake = 1;
    in->steer = 0;
    in->throttle = throttle;
    r->gear = r->spec.gear_ratios[1] > 0 ? 1 : 0;
}

// The launch, x seconds after it began: the clutch let out over 1/4 s.
void launch(Rider *r, float x, RiderInput *in)
{
    float p = std::max(0.0f, 4 * x);
    if (p >= 0.75f) {
        in->flags |= RIDER_AUTO_SHIFT;
        p = std::min(p, 1.0f);
    } else {
        in->flags &= ~RIDER_AUTO_SHIFT;
        r->gear = r->spec.gear_ratios[1] > 0 ? 1 : 0;
    }
    in->throttle = 1;
    in->sit_dab = 1 - p;
    in->clutch = p;
    in->front_brake = in->rear_brake = 0;
    in->steer = 0;
}

// The start: revving while the riders line up, waiting on the gate, and
// launching a personal reaction time after it drops. True while the start
// decides the controls.
bool start_procedure(Sim &sim, Rider *r, RobotState *st, RiderInput *in)
{
    float t = sim.race.tick * dt, t0 = sim.race.start_tick * dt;
    if (st->start_timer == 0)
        st->start_timer = uniform(st, 2);
    if (t < 5.0f) {
        if (st->start_timer < 0) {
            hold(r, in, 1);
            if (t > -st->start_timer)
                st->start_timer = std::min(t + 2.0f + uniform(st, 0.5f), 5.0f);
        } else {
            hold(r, in, 0);
            if (t > st->start_timer)
                st->start_timer = -(t + 0.25f + uniform(st, 0.5f));
        }
        return true;
    }
    if (st->start_timer <= 5.0f)
        st->start_timer = 5.0f + 0.125f + uniform(st, 0.375f);
    if (st->start_timer < t0) {
        if (t < st->start_timer) {
            hold(r, in, 0);
            return true;
        }
        const PersonalityRow &p = personality(r->personality);
        st->start_timer = t0 + p.reaction_min + (p.reaction_max - p.reaction_min) * uniform(st, 1);
    }
    if (t < st->start_timer) {
        hold(r, in, 1);
        return true;
    }
    if (t < st->start_timer + 2.0f) {
        launch(r, t - st->start_timer, in);
        return true;
    }
    return false;
}

// How far ahead of the second rider the leader is, in ticks (0 when this
// robot does not lead).
int lead_gap(const Sim &sim, int slot)
{
    const RaceOrder &order = sim.race.order;
    if (order.count < 2 || order.entries[0].slot != slot)
        return 0;
    const RiderSlot &own = sim.race.slots[slot], &second = sim.race.slots[order.entries[1].slot];
    int q = second.next_gate - 1;
    if (q < 0 || q >= (int)own.gate_ticks.size() || q >= (int)second.gate_ticks.size())
        return 0;
    int mine = own.gate_ticks[(size_t)q], theirs = second.gate_ticks[(size_t)q];
    return mine > 0 && theirs > mine ? theirs - mine : 0;
}

// How well a slot's line follows on from the end of the joined line.
float continuity(const std::vector<LinePoint> &joined, const LineSlot &line, const Rider &r)
{
    if (line.points.empty())
        return 0;
    if (joined.size() < 3) {
        const dReal *f = dBodyGetPosition(r.bodies[FRAME]);
        const LinePoint &p = line.points[0];
        float d =
            (float)std::sqrt((p.x - f[0]) * (p.x - f[0]) + (p.y - f[1]) * (p.y - f[1]) + (p.z - f[2]) * (p.z - f[2]));
        float c = clampf((100 - d) / 96, 0, 1);
        return 10 * c * c * c;
    }
    if (line.points.size() < 2)
        return 0;
    size_t n = joined.size();
    LinePoint centre = circle_center(joined[n - 3], joined[n - 2], joined[n - 1]);
    const LinePoint &end = joined[n - 1];
    float radius = std::sqrt(flat_distance2(centre, end)), v = std::fabs(end.speed);
    float r0 = std::sqrt(flat_distance2(centre, line.points[0])),
          r1 = std::sqrt(flat_distance2(centre, line.points[1]));
    float a = clampf((v - std::fabs(line.points[0].speed) - 15) * -0.2f, 0, 1);
    float b = clampf((std::fabs(radius - r0) - 5) * -0.2857143f, 0, 1);
    float e = clampf((std::fabs(r1 - r0) - 3) * -0.5f, 0, 1);
    float be = b * e;
    return a * be * be * be;
}

// Appends a line to the joined one, blending the last few points into it
// with a cubic curve unless either end of the join is in the air.
void join(std::vector<LinePoint> &joined, int target, const std::vector<LinePoint> &line, const Rider &r)
{
    int n = (int)joined.size();
    int a = std::max(n - 5, target);
    joined.insert(joined.end(), line.begin(), line.end());
    if (a >= n || joined[(size_t)a].speed < 0 || joined[(size_t)n].speed < 0)
        return;
    const LinePoint &pa = joined[(size_t)a], &pn = joined[(size_t)n];
    float span = (float)(n - a), p0[3], t0[3], p1[3] = {pn.x, pn.y, pn.z}, t1[3];
    if (a == 0) {
        const dReal *f = dBodyGetPosition(r.bodies[FRAME]), *R = dBodyGetRotation(r.bodies[FRAME]);
        for (int i = 0; i < 3; ++i) {
            p0[i] = (float)f[i];
            t0[i] = (float)-R[4 * i + 2] * 7.5f * (float)n;
        }
    } else {
        const LinePoint &before = joined[(size_t)a - 1];
        p0[0] = pa.x, p0[1] = pa.y, p0[2] = pa.z;
        t0[0] = (pa.x - before.x) * span, t0[1] = (pa.y - before.y) * span, t0[2] = (pa.z - before.z) * span;
    }
    const LinePoint &after = (size_t)n + 1 < joined.size() ? joined[(size_t)n + 1] : pn;
    t1[0] = (after.x - pn.x) * span, t1[1] = (after.y - pn.y) * span, t1[2] = (after.z - pn.z) * span;
    for (int i = a + 1; i < n; ++i) {
        float u = (float)(i - a) / span, u2 = u * u, u3 = u2 * u;
        LinePoint &p = joined[(size_t)i];
        float *out[3] = {&p.x, &p.y, &p.z};
        for (int c = 0; c < 3; ++c)
            *out[c] = p0[c] + t0[c] * u + (3 * (p1[c] - p0[c]) - 2 * t0[c] - t1[c]) * u2 +
                      (2 * (p0[c] - p1[c]) + t0[c] + t1[c]) * u3;
        p.speed = std::min(p.speed, pa.speed + (pn.speed - pa.speed) * u);
        p.lean = pa.lean + (pn.lean - pa.lean) * u;
    }
}

} // namespace

void robots_install(Sim *sim)
{
    sim->robot_driver = robot_controller;
}

SlotController robot_controller(Sim &sim, int slot)
{
    RobotState *st = new RobotState;
    // Each robot's chances are its own and the same on every run.
    st->random.seed((unsigned)(sim.race.start_tick * 41 + slot * 7919 + 1));
    RiderSlot &s = sim.race.slots[slot];
    s.robot_line.clear();
    s.robot_target = 0;
    SlotController c;
    c.drive = drive;
    c.release = release;
    c.state = st;
    return c;
}

void pick_line(Sim &sim, int slot, RobotState *st)
{
    LineTable &table = sim.lines;
    RiderSlot &s = sim.race.slots[slot];
    Rider *r = s.rider;
    int section = st->plan_section, m = table_section(table, section);
    std::vector<LineSlot> &slots = table.sections[(size_t)m];
    bool any = false;
    for (const LineSlot &l : slots)
        any |= !l.points.empty();
    if (!any)
        return;
    int now = sim.race.tick;
    const PersonalityRow &who = personality(r->personality);
    int mode = lead_gap(sim, slot) * dt <= who.lead_threshold ? who.plan_mode : who.plan_mode_leading;

    static thread_local SectionPlan plan;
    plan_sections(table, m, 8, mode, &plan);
    int64_t best[LINE_SLOTS], least = NO_CHAIN * 100;
    for (int i = 0; i < LINE_SLOTS; ++i) {
        best[i] = *std::min_element(plan.cost[i], plan.cost[i] + LINE_SLOTS);
        least = std::min(least, best[i]);
    }
    float pull = clampf((now * dt - 40) * 0.05f, 0, 1);
    int planned = mode < 3 && mode >= 0 ? table.plans[mode][(size_t)m] : 0;
    int chosen = 0;
    float top = 0;
    for (int i = 0; i < LINE_SLOTS; ++i) {
        const LineSlot &l = slots[(size_t)i];
        float w = best[i] <= 0 ? 1.0f : (float)((double)least / (double)best[i]);
        if (mode != 3 && planned != 0 && l.id == planned)
            w += (1 - w) * pull;
        if (m == 0)
            w = w * 0.2f + 0.8f;
        float c = continuity(s.robot_line, l, *r);
        float q = clampf((now - l.last_picked) * dt / 3, 0, 1);
        float score = w * q + c;
        if (score > top) {
            top = score;
            chosen = i;
        }
        if (sim.settings.debug && score > 0 && score == top)
            zeph_log("auto pilot: picking %d score = %f match = %f last_picked = %f\n", i, w, c,
                     (now - l.last_picked) * dt);
    }
    LineSlot &line = slots[(size_t)chosen];
    line.last_picked = now;
    if (!line.points.empty())
        for (LineSlot &l : slots)
            if (!l.points.empty() && flat_distance2(l.points.back(), line.points.back()) < 9.0f)
                l.last_picked = now;
    if (line.points.empty())
        return;
    r->picked_lines[section & 3] = line.id;
    st->plan_section = section + 1;

    std::vector<LinePoint> &joined = s.robot_line;
    int drop = s.robot_target - 30;
    if (drop > 0) {
        joined.erase(joined.begin(), joined.begin() + std::min(drop, (int)joined.size()));
        s.robot_target = 30;
    }
    if (joined.empty())
        joined.assign(5, line.points[0]);
    join(joined, s.robot_target, line.points, *r);
    if (section == 0) {
        size_t i = 1;
        while (i < joined.size()) {
            float dx = joined[i].x - joined[0].x, dy = joined[i].y - joined[0].y, dz = joined[i].z - joined[0].z;
            if (dx * dx + dy * dy + dz * dz > 100)
                break;
            ++i;
        }
        s.robot_target = (int)std::min(i, joined.size() - 1);
        st->target_tick = (int)std::lround(30 / dt);
    }
}

void robot_step(Sim &sim, int slot, RobotState *st, RiderInput *in)
{
    RiderSlot &s = sim.race.slots[slot];
    Rider *r = s.rider;
    if (r->personality == 0)
        return;
    int now = sim.race.tick;
    in->flags = (r->flags & ~(aid_flags | RIDER_AUTO_SHIFT)) | aid_flags | RIDER_AUTO_SHIFT | RIDER_ARCADE;
    in->lean = 0;
    in->back_up = 0;
    in->shift = 0;

    // The target point: passed once within reach, unless the bike faces
    // away from the segment leading to it.
    std::vector<LinePoint> &line = s.robot_line;
    if (s.robot_target < (int)line.size()) {
        float reach = st->recovery == 3 ? 30.0f : 60.0f;
        const dReal *f = dBodyGetPosition(r->bodies[FRAME]), *R = dBodyGetRotation(r->bodies[FRAME]);
        const LinePoint &t = line[(size_t)s.robot_target];
        float dx = t.x - (float)f[0], dz = t.z - (float)f[2], d = std::sqrt(dx * dx + dz * dz);
        if (d < reach) {
            bool against = false;
            if (d > 4 && s.robot_target > 0) {
                const LinePoint &prev = line[(size_t)s.robot_target - 1];
                float sx = t.x - prev.x, sz = t.z - prev.z;
                against = sx * sx + sz * sz > 1 && (float)-R[2] * sx + (float)-R[10] * sz < 0;
            }
            if (!against) {
                ++s.robot_target;
                st->target_tick = now;
                if (s.robot_target >= (int)line.size()) {
                    line.clear();
                    s.robot_target = 0;
                }
                if (st->recovery > 0)
                    --st->recovery;
            }
        }
    }
    if (s.robot_target >= (int)line.size() - 10 && !sim.lines.sections.empty() && !s.finished)
        pick_line(sim, slot, st);
    if (s.robot_target >= (int)line.size()) {
        in->throttle = 0;
        in->clutch = 0;
        in->front_brake = in->rear_brake = 1;
        in->steer = 0;
        in->sit_dab = 1;
        return;
    }
    bool starting = now < sim.race.start_tick + 5 * TICKS_PER_SECOND && start_procedure(sim, r, st, in);
    if (starting || r->crash_timer > 0 || frame_speed(r) >= 2)
        st->moving_tick = now;
    if (!starting) {
        if (st->recovery == 0)
            robot_ride(sim, slot, st, in);
        else
            recovery_ride(sim, slot, st, in);
    }
    // Down on the ground the throttle is shut and the foot stays up (but
    // recovery riding keeps its foot down).
    if (r->crash_timer > 0) {
        in->throttle = 0;
        if (in->sit_dab >= 1 && st->recovery == 0)
            in->sit_dab = 0;
    }
}
