// Sections, line costs, eviction, pruning and the robots' lap plans.
#include "race/line_plans.h"

#include "platform/log.h"
#include "platform/tick_math.h"
#include "track/objects.h"

#include <algorithm>
#include <cmath>

namespace
{

int timed_before(const TimingGates &g, int from, int count)
{
    int n = 0;
    for (int k = from; k < from + count; ++k)
        n += g.gates[(size_t)k] < UNTIMED_GATE;
    return n;
}

float flat_distance2(const LinePoint &a, const LinePoint &b)
{
    float dx = a.x - b.x, dz = a.z - b.z;
    return dx * dx + dz * dz;
}

double flat_distance(const LinePoint &a, const LinePoint &b)
{
    double dx = (double)a.x - b.x, dz = (double)a.z - b.z;
    return std::sqrt(dx * dx + dz * dz);
}

// Whether two lines cross somewhere, seen from above.
bool lines_cross(const LineSlot &p, const LineSlot &q)
{
    for (size_t i = 0; i + 1 < p.points.size(); ++i)
        for (size_t j = 0; j + 1 < q.points.size(); ++j) {
            const LinePoint &a = p.points[i], &b = p.points[i + 1], &c = q.points[j], &d = q.points[j + 1];
            if (segments_straddle(a, b, c, d) && segments_straddle(c, d, a, b))
                return true;
        }
    return false;
}

// Whether the pruning's victim v gives way to a later line l with as many
// crossings: tested lines before untested ones, then the faster.
bool prune_prefers(const LineSlot &l, const LineSlot &v)
{
    if ((l.tested > 0) != (v.tested > 0))
        return l.tested > 0;
    if (l.tested == 0)
        return l.pair_time < v.pair_time;
    return l.sum_pair / l.tested < v.sum_pair / v.tested;
}

// Walks a plan's back-pointers from slot y of section first + count - 1's
// successor down to section first + 1, writing the slots into `slots`
// (indexed from first).
void walk_back(SectionPlan &plan, int start, int y, int *slots)
{
    for (int t = plan.count - 1; t >= 1; --t) {
        if (y != NO_LINE_SLOT)
            y = plan.back_at(t - 1, start, y);
        slots[t] = y;
    }
}

int plan_id(const LineTable &table, int section, int slot)
{
    if (slot < 0 || slot >= LINE_SLOTS)
        return 0;
    const LineSlot &line = table.sections[(size_t)section][(size_t)slot];
    return line.tested >= 5 ? line.id : 0;
}

} // namespace

int section_of(const TimingGates &g, int q)
{
    if (q <= 0 || g.gates.empty())
        return 0;
    int lf = g.first_lap_count, ln = g.normal_lap_count;
    if (q <= lf || ln <= 0)
        return timed_before(g, 0, std::min(q, lf));
    int after = q - lf;
    return timed_before(g, 0, lf) + after / ln * timed_before(g, lf, ln) + timed_before(g, lf, after % ln);
}

int table_section(const LineTable &t, int s)
{
    if (s < t.first_sections || t.normal_sections <= 0)
        return std::max(s, 0);
    return t.first_sections + (s - t.first_sections) % t.normal_sections;
}

int line_cost(const LineSlot &l, int mode)
{
    int runs = l.tested + l.fails;
    double fail_rate = runs > 0 ? std::min(1.0, std::max(0.0, (double)l.fails / runs)) : 0;
    if (mode == 3) {
        if (runs >= 6 && l.fails > 4 * l.tested)
            return 100000;
        unsigned v = (unsigned)l.tested + 4u * (unsigned)l.fails;
        int bits = 0;
        for (; v; v >>= 1)
            ++bits;
        return 1000 * (bits > 0 ? bits + 4 : 0);
    }
    static const double fail_weight[3] = {1.0, 1.1428572, 4.0};
    mode = std::min(std::max(mode, 0), 2);
    if (l.tested <= (mode == 2 ? 0 : 4))
        return 1000000;
    double penalty = 640 * std::min(1.0, fail_rate * fail_weight[mode]);
    return (int)std::lround(penalty + (double)l.sum_own / l.tested);
}

int64_t line_bar(const LineSlot &l)
{
    if (l.tested >= 1)
        return (int64_t)l.fails * 640 / ((int64_t)l.tested + l.fails) + l.sum_pair / l.tested;
    return (int64_t)l.pair_time * 5 / 4 + (l.fails >= 1 ? 640 : 0);
}

int line_evict_choice(const LineTable &t, int section)
{
    const std::vector<LineSlot> &slots = t.sections[(size_t)section];
    int good = 0;
    for (const LineSlot &l : slots)
        good += l.fails < l.tested;
    int choice = 0;
    int64_t highest = 0;
    bool found = false;
    for (size_t k = 0; k < slots.size(); ++k) {
        const LineSlot &l = slots[k];
        if (l.points.empty() || (good < 23 && l.fails < l.tested))
            continue;
        int64_t bar = line_bar(l);
        bool unique = true;
        for (size_t o = 0; o < slots.size() && unique; ++o)
            if (o != k && !slots[o].points.empty() && flat_distance2(slots[o].points[0], l.points[0]) < 4.0f)
                unique = false;
        if (unique)
            bar = bar * 3 / 4;
        if (!found || bar > highest) {
            found = true;
            highest = bar;
            choice = (int)k;
        }
    }
    return choice;
}

bool segments_straddle(const LinePoint &a, const LinePoint &b, const LinePoint &c, const LinePoint &d)
{
    float ex = a.z - b.z, ez = b.x - a.x;
    bool d_below = ex * (d.x - b.x) + ez * (d.z - b.z) < 0;
    bool c_below = ex * (c.x - a.x) + ez * (c.z - a.z) < 0;
    return d_below != c_below;
}

LinePoint circle_center(const LinePoint &a, const LinePoint &b, const LinePoint &c)
{
    double abx = (double)b.x - a.x, abz = (double)b.z - a.z;
    double bcx = (double)c.x - b.x, bcz = (double)c.z - b.z;
    double mx = (a.x + (double)b.x) / 2, mz = (a.z + (double)b.z) / 2;
    double cross = abz * bcx / 2 - abx * bcz / 2;
    LinePoint out = a;
    if (std::fabs(cross) <= 1e-6) {
        // In line: a centre far to the side, so the curve is straight.
        double length = std::sqrt(abx * abx + abz * abz);
        double px = length > 0 ? -abz / length : 0, pz = length > 0 ? abx / length : 0;
        out.x = (float)(mx + px * 1000000);
        out.z = (float)(mz + pz * 1000000);
        return out;
    }
    // The perpendicular bisectors of ab and bc: (P - m) . ab = 0 and
    // (P - n) . bc = 0.
    double nx = (b.x + (double)c.x) / 2, nz = (b.z + (double)c.z) / 2;
    double r1 = abx * mx + abz * mz, r2 = bcx * nx + bcz * nz;
    double det = abx * bcz - abz * bcx;
    out.x = (float)((r1 * bcz - abz * r2) / det);
    out.z = (float)((abx * r2 - r1 * bcx) / det);
    return out;
}

namespace
{

// The curve a line ends on, seen from above (none under three points).
struct LineEnd {
    bool curve;
    LinePoint centre;
    double radius;
    float speed;
};

LineEnd line_end(const LineSlot &x)
{
    size_t n = x.points.size();
    if (n < 3)
        return {false, {}, 0, 0};
    const LinePoint &last = x.points[n - 1];
    LinePoint centre = circle_center(x.points[n - 3], x.points[n - 2], last);
    return {true, centre, flat_distance(centre, last), last.speed};
}

// Whether line y can follow the line ending on e: y starts on the curve
// that line ends on, at a speed it can reach.
bool continues_from(const LineEnd &e, const LineSlot &y)
{
    if (!e.curve || y.points.size() < 2)
        return false;
    double d0 = flat_distance(e.centre, y.points[0]), d1 = flat_distance(e.centre, y.points[1]);
    return std::fabs(e.speed) <= std::fabs(y.points[0].speed) + 15.0f && std::max(e.radius - 2.5, 0.0) <= d0 &&
           d0 <= e.radius + 2.5 && std::fabs(d1 - d0) <= 2.0;
}

} // namespace

void plan_sections(const LineTable &t, int first, int count, int mode, SectionPlan *plan)
{
    plan->count = count;
    plan->back.assign((size_t)std::max(count - 1, 0) * LINE_SLOTS * LINE_SLOTS, NO_LINE_SLOT);
    for (auto &row : plan->cost)
        std::fill(row, row + LINE_SLOTS, (int64_t)NO_CHAIN);
    for (int step = 0; step < count; ++step) {
        const std::vector<LineSlot> &a = t.sections[(size_t)table_section(t, first + step)];
        const std::vector<LineSlot> &b = t.sections[(size_t)table_section(t, first + step + 1)];
        // Each line's end curve once, met only by the lines that have points.
        bool follows[LINE_SLOTS][LINE_SLOTS] = {};
        int64_t cost[LINE_SLOTS];
        int ridden[LINE_SLOTS], ridden_count = 0;
        for (int y = 0; y < LINE_SLOTS; ++y)
            if (b[(size_t)y].points.size() >= 2)
                ridden[ridden_count++] = y;
        for (int x = 0; x < LINE_SLOTS; ++x) {
            cost[x] = line_cost(a[(size_t)x], mode);
            LineEnd end = line_end(a[(size_t)x]);
            if (!end.curve)
                continue;
            for (int n = 0; n < ridden_count; ++n)
                follows[x][ridden[n]] = continues_from(end, b[(size_t)ridden[n]]);
        }
        if (step == 0) {
            for (int k = 0; k < LINE_SLOTS; ++k)
                for (int y = 0; y < LINE_SLOTS; ++y)
                    plan->cost[k][y] = follows[k][y] ? cost[k] : (int64_t)NO_CHAIN;
            continue;
        }
        // Per line y, the lines x it follows, in slot order (most slots
        // are empty and follow nothing).
        int before[LINE_SLOTS][LINE_SLOTS], befores[LINE_SLOTS] = {};
        for (int y = 0; y < LINE_SLOTS; ++y)
            for (int x = 0; x < LINE_SLOTS; ++x)
                if (follows[x][y])
                    before[y][befores[y]++] = x;
        // No chain arrives at a line that follows none (back holds
        // NO_LINE_SLOT already): only the lines that follow some are met.
        int arriving[LINE_SLOTS], arriving_count = 0;
        for (int y = 0; y < LINE_SLOTS; ++y)
            if (befores[y] > 0)
                arriving[arriving_count++] = y;
        int64_t next[LINE_SLOTS][LINE_SLOTS];
        std::fill(&next[0][0], &next[0][0] + LINE_SLOTS * LINE_SLOTS, (int64_t)NO_CHAIN);
        for (int k = 0; k < LINE_SLOTS; ++k)
            for (int m = 0; m < arriving_count; ++m) {
                int y = arriving[m];
                int64_t best = NO_CHAIN;
                int via = NO_LINE_SLOT;
                for (int n = 0; n < befores[y]; ++n) {
                    int x = before[y][n];
                    int64_t c = plan->cost[k][x] + cost[x];
                    if (via == NO_LINE_SLOT || c < best) {
                        best = c;
                        via = x;
                    }
                }
                next[k][y] = best;
                plan->back_at(step - 1, k, y) = (uint8_t)via;
            }
        std::copy(&next[0][0], &next[0][0] + LINE_SLOTS * LINE_SLOTS, &plan->cost[0][0]);
    }
}

void lines_plan(LineTable *t, bool debug)
{
    if (t->sections.empty())
        return;
    int first = t->first_sections, normal = t->normal_sections;
    SectionPlan plan;
    std::vector<int> slots((size_t)std::max(first, normal), NO_LINE_SLOT);
    for (int mode = 0; mode < PLAN_MODES; ++mode) {
        std::vector<int> &ids = t->plans[mode];
        ids.assign(t->sections.size(), 0);

        // A normal lap: the chain that comes back to the slot it started in.
        plan_sections(*t, first, normal, mode, &plan);
        int f = 0;
        for (int k = 1; k < LINE_SLOTS; ++k)
            if (plan.cost[k][k] < plan.cost[f][f])
                f = k;
        int64_t lap_cost = plan.cost[f][f];
        slots[0] = f;
        walk_back(plan, f, f, slots.data());
        for (int i = 0; i < normal; ++i)
            ids[(size_t)(first + i)] = plan_id(*t, first + i, slots[(size_t)i]);

        // The first lap, arriving on that lap's first line.
        plan_sections(*t, 0, first, mode, &plan);
        int w = 0;
        for (int k = 1; k < LINE_SLOTS; ++k)
            if (plan.cost[k][f] < plan.cost[w][f])
                w = k;
        slots[0] = w;
        walk_back(plan, w, f, slots.data());
        for (int i = 0; i < first; ++i)
            ids[(size_t)i] = plan_id(*t, i, slots[(size_t)i]);
        if (debug) {
            zeph_log("First lap: %f\n", plan.cost[w][f] * TICK_SECONDS);
            zeph_log("Normal lap: %f\n", lap_cost * TICK_SECONDS);
        }
    }
}

void lines_prune(LineTable *t)
{
    for (int s = 0; s < t->first_sections && s < (int)t->sections.size(); ++s) {
        std::vector<LineSlot> &slots = t->sections[(size_t)s];
        int n = 0;
        for (const LineSlot &l : slots)
            n += !l.points.empty();
        while (n > 43) {
            int crossings[LINE_SLOTS] = {};
            for (int a = 0; a < LINE_SLOTS; ++a)
                for (int b = a + 1; b < LINE_SLOTS; ++b)
                    if (slots[(size_t)a].points.size() >= 2 && slots[(size_t)b].points.size() >= 2 &&
                        lines_cross(slots[(size_t)a], slots[(size_t)b])) {
                        ++crossings[a];
                        ++crossings[b];
                    }
            int victim = -1;
            for (int l = 0; l < LINE_SLOTS; ++l) {
                if (crossings[l] < 1)
                    continue;
                if (victim < 0 || crossings[l] > crossings[victim] ||
                    (crossings[l] == crossings[victim] && prune_prefers(slots[(size_t)l], slots[(size_t)victim])))
                    victim = l;
            }
            if (victim >= 0)
                slots[(size_t)victim] = LineSlot();
            slots[(size_t)line_evict_choice(*t, s)] = LineSlot();
            n -= 2;
        }
    }
}
