// A points series file and its standings file, read against two tracks;
// the standings of what was read are built as the menus show them.
#include "fuzz_target.h"

#include "race/series.h"
#include "track/track_list.h"

FUZZ_TARGET(series)
{
    fuzz_folders();
    // The series, then its standings.
    std::vector<std::string> parts = fuzz_split(data, size, 2);
    fuzz_write("fuzz.series", parts[0]);
    fuzz_write("fuzz.series_standings", parts[1]);
    TrackList tracks;
    tracks.folders = {"quarry", "rabbithill"};
    tracks.names = {"Quarry Flats", "Rabbit Hill"};
    Series series;
    if (!series_read("fuzz.series", tracks, &series, false))
        return;
    series_read_standings(&series);
    Standings standings = series_standings(series);
    int lineup[SERIES_SLOTS];
    series_lineup(series, lineup);
    (void)standings;
}
