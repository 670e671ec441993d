#include "sim_series.h"

#include "race/race.h"
#include "race/series.h"
#include "race/timing.h"
#include "robots/pilot.h"
#include "robots/robot.h"
#include "track/track.h"
#include "track/track_list.h"

#include <cstdio>

namespace
{

int find_series(const SeriesList &list, const std::string &name)
{
    for (size_t i = 0; i < list.series.size(); ++i) {
        const Series &s = list.series[i];
        if (s.name == name || s.file == name || s.file == name + ".series")
            return (int)i;
    }
    return -1;
}

// An event is over when its results are final, or when every rider but a
// player left standing on the gate has finished.
bool event_over(Sim *sim, int standing_slot)
{
    if (sim->race.results_final)
        return true;
    bool any = false;
    for (int k = 0; k < SLOTS; ++k) {
        if (!sim->race.slots[k].rider || k == standing_slot)
            continue;
        any = true;
        if (!rider_finished(*sim, k))
            return false;
    }
    return any;
}

void print_standings(const Series &s)
{
    Standings st = series_standings(s);
    printf("%s\n", st.heading.c_str());
    for (const std::vector<StandingsRow> &block : st.blocks) {
        for (const StandingsRow &row : block) {
            printf(" ");
            for (const std::string &cell : row.cells)
                printf(" %-12s", cell.c_str());
            printf("\n");
        }
    }
    std::vector<int> totals = series_totals(s);
    printf("totals:");
    for (size_t r = 0; r < totals.size(); ++r)
        printf(" %s=%d", r + 1 == totals.size() ? "999" : std::to_string(s.numbers[r]).c_str(), totals[r]);
    printf("\n");
}

} // namespace

int run_series(const SeriesOptions &o)
{
    TrackList tracks = build_track_list(o.debug);
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    sim.settings.learning = o.learning;
    sim.settings.debug = o.debug;
    SeriesList list;
    series_load_all(&list, tracks, o.debug);
    int index = find_series(list, o.name);
    if (index < 0) {
        fprintf(stderr, "rutvale-sim: no series '%s' (", o.name.c_str());
        for (size_t i = 0; i < list.series.size(); ++i)
            fprintf(stderr, "%s\"%s\"", i ? ", " : "", list.series[i].file.c_str());
        fprintf(stderr, ")\n");
        sim_destroy(&sim);
        return 1;
    }
    Series &s = list.series[index];
    printf("series %s: %d events, %d robots, skill %d, %d already run\n", s.name.c_str(), (int)s.events.size(),
           (int)s.numbers.size(), s.skill, s.completed);
    int status = 0;
    while (s.completed < (int)s.events.size()) {
        int event = s.completed;
        const SeriesEvent &e = s.events[event];
        if (!series_start_event(&list, &sim, &tracks, index, true, false)) {
            fprintf(stderr, "rutvale-sim: can't start event %d of '%s'\n", event + 1, s.name.c_str());
            status = 1;
            break;
        }
        int player = -1;
        for (int k = 0; k < SLOTS; ++k)
            if (sim.race.slots[k].rider && sim.race.slots[k].kind == KIND_LOCAL)
                player = k;
        if (o.pilot && player >= 0)
            pilot_take(&sim, player);
        int ticks = (int)(o.seconds * TICKS_PER_SECOND);
        for (int t = 0; t < ticks && !event_over(&sim, o.pilot ? -1 : player); ++t)
            sim_tick(&sim);
        printf("event %d: %s on %s, %s\n", event + 1, e.name.c_str(), tracks.folders[e.track].c_str(),
               sim.race.results_final ? "results final" : "as the race stood");
        series_record_result(&list, &sim);
        // The round points this event gave (none before a round's last moto).
        const SeriesEvent &done = s.events[event];
        for (size_t r = 0; r <= s.numbers.size(); ++r)
            printf("  rider %s position %d points %d\n",
                   r == s.numbers.size() ? "999" : std::to_string(s.numbers[r]).c_str(), done.positions[r] + 1,
                   done.round_points[0] ? done.round_points[done.round_ranks[r]] : 0);
        print_standings(s);
    }
    sim_save_lines(&sim);
    sim_destroy(&sim);
    unload_track(&track);
    return status;
}
