// Demo files, played on the small track: the header and rider descriptions,
// then up to two seconds of snapshots applied to the replayed riders and
// stepped by the simulation.
#include "fuzz_target.h"
#include "fuzz_track.h"

#include "race/race.h"
#include "track/track.h"

FUZZ_TARGET(demo)
{
    fuzz_track_with("", nullptr, 0);
    fuzz_write("demos/default.rvdemo", data, size);
    static Track track;
    Sim sim;
    sim_create(&sim, &track);
    sim.settings.track_folder = "small";
    sim.settings.learning = false;
    int lineup[SLOTS] = {};
    if (race_start(&sim, lineup, true, false, 0, 3, 0, 1))
        for (int n = 0; n < 2 * TICKS_PER_SECOND && sim.demo.in && !sim.demo.at_end; ++n)
            sim_tick(&sim);
    sim_destroy(&sim);
}
