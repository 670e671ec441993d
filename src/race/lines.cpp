// The line table, the lines files and the personality table.
#include "race/lines.h"

#include "files/file_numbers.h"
#include "files/game_file.h"
#include "physics/rider.h"
#include "platform/log.h"
#include "track/objects.h"
#include "track/track_list.h"

#include <algorithm>
#include <cstring>

namespace
{

const PersonalityRow personalities[5] = {
    {"empty", 0, 0, 0, 0, 0},        {"heron", 0, 0, 1.0f, 0.2f, 0.4f},  {"osprey", 2, 1, 10.0f, 0.2f, 0.4f},
    {"finch", 1, 0, 10.0f, 0, 0.1f}, {"tester", 3, 3, 1.0f, 0.2f, 0.4f},
};

int timed_count(const TimingGates &g, int from, int count)
{
    int n = 0;
    for (int k = from; k < from + count; ++k)
        n += g.gates[(size_t)k] < UNTIMED_GATE;
    return n;
}

std::string lines_path(const std::string &folder, int skill)
{
    return track_file(folder, lines_file_name(skill));
}

// Halves the statistics of a line until they fit (keeping the averages),
// then limits them.
void normalise(LineSlot *s)
{
    for (int pass = 0; pass < 17 && (s->sum_pair > 100000000 || s->tested > 65535 || s->fails > 65535); ++pass) {
        int half = s->tested / 2;
        if (half != 0) {
            s->sum_own = s->sum_own / s->tested * half;
            s->sum_pair = s->sum_pair / s->tested * half;
            s->tested = half;
        }
        s->fails /= 2;
    }
    s->sum_own = std::min(s->sum_own, 100000000);
    s->sum_pair = std::min(s->sum_pair, 100000000);
    s->tested = std::min(s->tested, 65535);
    s->fails = std::min(s->fails, 65535);
}

} // namespace

LineTable line_table_for(const TimingGates &g)
{
    LineTable table;
    if (g.gates.empty() || g.first_lap_count <= 0 || g.normal_lap_count <= 0)
        return table;
    table.first_sections = timed_count(g, 0, g.first_lap_count);
    table.normal_sections = timed_count(g, g.first_lap_count, g.normal_lap_count);
    if (table.first_sections == 0 || table.normal_sections == 0)
        return LineTable();
    size_t count = (size_t)(table.first_sections + table.normal_sections);
    table.sections.assign(count, std::vector<LineSlot>(LINE_SLOTS));
    for (auto &plan : table.plans)
        plan.assign(count, 0);
    return table;
}

void lines_clear(LineTable *table)
{
    for (auto &section : table->sections)
        for (LineSlot &slot : section)
            slot = LineSlot();
    for (auto &plan : table->plans)
        std::fill(plan.begin(), plan.end(), 0);
}

const char *lines_file_name(int skill)
{
    static const char *const names[3] = {"lines_novice", "lines_amateur", "lines_expert"};
    return names[skill < 0 ? 0 : skill > 2 ? 2 : skill];
}

int lines_load(LineTable *table, const std::string &folder, int skill)
{
    if (table->sections.empty())
        return 0;
    GameFile *f = gf_open(lines_path(folder, skill).c_str(), "rb");
    if (!f)
        return 0;
    int sections, read = 0;
    if (gf_scanf(f, "ct03 %d ", &sections) != 1 || sections != (int)table->sections.size()) {
        gf_close(f);
        return 0;
    }
    bool damaged = false;
    for (int j = 0; j < sections && !damaged; ++j) {
        int count;
        if (gf_scanf(f, " %d ", &count) != 1)
            break;
        if (count < 0) {
            damaged = true;
            break;
        }
        for (int k = 0; k < count && !damaged; ++k) {
            LineSlot line;
            int n;
            if (gf_scanf(f, " %d %d %d %d %d %d %d %d %d ", &n, &line.own_time, &line.pair_time, &line.tested,
                         &line.best_own, &line.best_pair, &line.sum_own, &line.sum_pair, &line.fails) != 9 ||
                n < 0 || n > LINE_MAX_POINTS || line.tested < 0 || line.fails < 0 || line.sum_own < 0 ||
                line.sum_pair < 0) {
                damaged = true;
                break;
            }
            // Each point takes at least a dozen bytes of text: a count the
            // rest of the file cannot fill is damage, not an allocation.
            if ((size_t)n > gf_remaining(f) / 12 + 1) {
                damaged = true;
                break;
            }
            line.points.resize((size_t)n);
            for (LinePoint &p : line.points) {
                if (gf_scanf(f, " [ %f %f %f ] %f %f ", &p.x, &p.y, &p.z, &p.speed, &p.lean) != 5 ||
                    !file_position_ok(p.x, p.y, p.z) || !file_number_in(p.speed, -1e4, 1e4) ||
                    !file_number_in(p.lean, -10, 10)) {
                    damaged = true;
                    break;
                }
            }
            if (damaged)
                break;
            if (k >= LINE_SLOTS)
                continue; // beyond the section's slots: read and dropped
            normalise(&line);
            line.id = ++table->next_id;
            table->sections[(size_t)j][(size_t)k] = std::move(line);
            ++read;
        }
    }
    if (damaged)
        zeph_log("Lines file '%s' is damaged; keeping the %d lines before the damage\n",
                 lines_path(folder, skill).c_str(), read);
    gf_close(f);
    return read;
}

bool lines_save(const LineTable &table, const std::string &folder, int skill)
{
    if (table.sections.empty())
        return false;
    std::string path = lines_path(folder, skill), fresh = path + ".new";
    GameFile *f = gf_open(fresh.c_str(), "wb");
    if (!f)
        return false;
    gf_printf(f, "ct03 %d\n", (int)table.sections.size());
    for (const auto &section : table.sections) {
        int stored = 0;
        for (const LineSlot &s : section)
            stored += !s.points.empty();
        gf_printf(f, "%d\n", stored);
        for (const LineSlot &s : section) {
            if (s.points.empty())
                continue;
            gf_printf(f, "%d %d %d %d %d %d %d %d %d\n", (int)s.points.size(), s.own_time, s.pair_time, s.tested,
                      s.best_own, s.best_pair, s.sum_own, s.sum_pair, s.fails);
            for (const LinePoint &p : s.points)
                gf_printf(f, "[%f %f %f] %f %f\n", p.x, p.y, p.z, p.speed, p.lean);
        }
    }
    gf_flush(f);
    bool ok = !gf_error(f);
    gf_close(f);
    if (!ok || !gf_rename(fresh.c_str(), path.c_str())) {
        zeph_log("Can't save the lines file '%s'\n", path.c_str());
        return false;
    }
    return true;
}

const PersonalityRow &personality(int row)
{
    return personalities[row < 0 || row > 4 ? 0 : row];
}

void personality_set(Rider *rider, const char *name)
{
    for (int row = 1; row <= 4; ++row)
        if (strcmp(personalities[row].name, name) == 0) {
            rider->personality = row;
            return;
        }
    zeph_log("auto pilot personality '%s' not found\n", name);
    rider->personality = 1;
}
