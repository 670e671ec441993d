// The "timing_gates" file: start positions (each with its start-gate
// statue), checkpoints and the first-lap and normal-lap gate lists.
//
//   startinggate:  [ x y z ] angle ...          (optional, up to 40)
//   checkpoints:   radius [ cx cy cz ] [ dx dy dz ] ...  (up to 256)
//   firstlap:      entries ...
//   normallap:     entries ...
// An entry k names checkpoint k (timed); 100000 + k passes it untimed.
#include "files/file_numbers.h"
#include "files/game_file.h"
#include "platform/log.h"
#include "platform/messages.h"
#include "track/objects.h"
#include "track/track.h"
#include "track/track_list.h"
#include "track/track_settings.h"

#include <cmath>
#include <cstring>

float wrap_angle(float angle)
{
    if (angle >= -(float)M_PI && angle <= (float)M_PI)
        return angle;
    double turns = (angle + M_PI) / (2 * M_PI);
    return (float)((turns - std::floor(turns)) * 2 * M_PI - M_PI);
}

void normalise_gates(std::vector<int> *entries, int checkpoints)
{
    int last = checkpoints > 0 ? checkpoints - 1 : 0;
    for (int &e : *entries) {
        if (e < 0)
            e = 0;
        int untimed = e >= UNTIMED_GATE ? UNTIMED_GATE : 0;
        int k = e % UNTIMED_GATE;
        e = untimed + (k > last ? last : k);
    }
}

int gate_sequence(const TimingGates &g, int n)
{
    if (n < 0 || g.gates.empty())
        return -1;
    if (n < g.first_lap_count)
        return g.gates[n];
    if (g.normal_lap_count == 0)
        return -1;
    return g.gates[g.first_lap_count + (n - g.first_lap_count) % g.normal_lap_count];
}

namespace
{

int read_entries(GameFile *f, std::vector<int> *entries)
{
    int value;
    while ((int)entries->size() < MAX_LAP_ENTRIES && gf_scanf(f, "%d", &value) == 1)
        entries->push_back(value);
    return (int)entries->size();
}

int timed(const std::vector<int> &entries)
{
    int n = 0;
    for (int e : entries)
        n += e < UNTIMED_GATE;
    return n;
}

} // namespace

void load_timing_gates(Track *track, const std::string &folder)
{
    TimingGates &g = track->objects.gates;
    g = TimingGates();
    GameFile *f = gf_open(track_file(folder, "timing_gates").c_str(), "rb");
    if (!f)
        return;
    char word[81];
    std::vector<Checkpoint> checkpoints;
    std::vector<int> first, normal;
    bool have_word = gf_scanf(f, " %80s ", word) == 1;
    if (have_word && strcmp(word, "startinggate:") == 0) {
        StartPosition p;
        while ((int)g.starts.size() < MAX_START_POSITIONS &&
               gf_scanf(f, " [ %f %f %f ] %f ", &p.x, &p.y, &p.z, &p.angle) == 4) {
            if (!statue_numbers_ok(p.x, p.y, p.z, p.angle)) {
                zeph_log("Skipping a starting-gate position with bad numbers\n");
                continue;
            }
            p.angle = wrap_angle(p.angle);
            g.starts.push_back(p);
            int statue = add_statue(track, p.x - 3 * std::sin(p.angle), p.y, p.z - 3 * std::cos(p.angle), p.angle,
                                    "@startgate.jm", "@startgate.ppm", "@startgate.shp");
            g.start_statues.push_back(statue);
        }
        have_word = gf_scanf(f, " %80s ", word) == 1;
    }
    if (have_word && strcmp(word, "checkpoints:") == 0) {
        Checkpoint c = {};
        while ((int)checkpoints.size() < MAX_CHECKPOINTS &&
               gf_scanf(f, "%f [ %f %f %f ] [ %f %f %f ] ", &c.radius, &c.centre[0], &c.centre[1], &c.centre[2],
                        &c.direction[0], &c.direction[1], &c.direction[2]) == 7) {
            // A checkpoint needs a place, a reach and a direction to be crossed in.
            if (file_position_ok(c.centre[0], c.centre[1], c.centre[2]) &&
                file_position_ok(c.direction[0], c.direction[1], c.direction[2]) &&
                file_number_in(c.radius, 0, FILE_POSITION_LIMIT) && c.radius > 0)
                checkpoints.push_back(c);
            else
                zeph_log("Skipping a checkpoint with bad numbers\n");
        }
        have_word = gf_scanf(f, " %80s ", word) == 1;
        if (have_word && strcmp(word, "firstlap:") == 0) {
            read_entries(f, &first);
            have_word = gf_scanf(f, " %80s ", word) == 1;
            if (have_word && strcmp(word, "normallap:") == 0)
                read_entries(f, &normal);
        }
    }
    gf_close(f);

    normalise_gates(&first, (int)checkpoints.size());
    normalise_gates(&normal, (int)checkpoints.size());
    if (checkpoints.empty() || timed(first) == 0 || timed(normal) == 0)
        return;
    g.checkpoints = std::move(checkpoints);
    g.gates = first;
    g.gates.insert(g.gates.end(), normal.begin(), normal.end());
    g.first_lap_count = (int)first.size();
    g.normal_lap_count = (int)normal.size();
    g.first_lap_timed = timed(first);
    g.normal_lap_timed = timed(normal);
    if (track_settings.verbose >= 1)
        zeph_log("Found %d timing gates, first lap has %d gates, normal lap has %d\n", (int)g.checkpoints.size(),
                 g.first_lap_count, g.normal_lap_count);
}

int save_timing_gates(const Track &track)
{
    std::string name = track_file(track.folder, "timing_gates");
    GameFile *f = gf_open_new(name.c_str());
    if (!f) {
        show_message("Can't open 'timing_gates'\n");
        return 0;
    }
    const TimingGates &g = track.objects.gates;
    if (!g.starts.empty()) {
        gf_printf(f, "startinggate:\n");
        for (const StartPosition &p : g.starts)
            gf_printf(f, "[%f %f %f] %f\n", p.x, p.y, p.z, p.angle);
    }
    if (!g.checkpoints.empty()) {
        gf_printf(f, "checkpoints:\n");
        for (const Checkpoint &c : g.checkpoints)
            gf_printf(f, "%f [%f %f %f] [%f %f %f]\n", c.radius, c.centre[0], c.centre[1], c.centre[2], c.direction[0],
                      c.direction[1], c.direction[2]);
    }
    gf_printf(f, "firstlap:\n");
    for (int k = 0; k < g.first_lap_count; ++k)
        gf_printf(f, "%d ", g.gates[k]);
    gf_printf(f, "\nnormallap:\n");
    for (int k = 0; k < g.normal_lap_count; ++k)
        gf_printf(f, "%d ", g.gates[g.first_lap_count + k]);
    gf_printf(f, "\n");
    if (gf_replace(f, name.c_str()))
        return 1;
    show_message("Can't write 'timing_gates'\n");
    return 0;
}
