// Learnt racing lines files, read into the table of a track with two timed
// gates in each lap.
#include "fuzz_target.h"

#include "race/lines.h"
#include "track/objects.h"

FUZZ_TARGET(lines)
{
    TimingGates g;
    g.gates = {0, 1, 0, 1};
    g.first_lap_count = g.normal_lap_count = 2;
    LineTable table = line_table_for(g);
    fuzz_write("track/lines_novice", data, size);
    lines_load(&table, "track", 0);
}
