// Points series: championships defined by ".series" files in the game data.
// A series has a fixed field of roster robots (known by their numbers), a
// robot skill and a list of events (motos); one or more motos make a round,
// whose classification earns series points. The player's finishing positions
// in entered events are kept in a standings file in the home folder.
//
// Series file: the series name (a text item: a "quoted string" or one word),
// "N SKILL" (robots, and "Novice", "Amateur" or "Expert"), N race numbers,
// the event count E, then per event: its name and track folder (text items),
// "MINUTES LAPS", 40 moto points and 40 round points. An event whose round
// points for rank 1 are not zero ends a round. Anything that does not read,
// an unknown track, a field above 39 or counts out of range leave the series
// out.
//
// Standings file ("@" + series file + "_standings"): one line per completed
// event with the 1-based positions of rider indexes 0..N ("%d " each).
#pragma once

#include <string>
#include <vector>

struct Sim;
struct TrackList;

enum { SERIES_SLOTS = 40, SERIES_MAX_EVENTS = 1000, SERIES_MAX_POINTS = 1000000 };

struct SeriesEvent {
    std::string name;
    int track = 0; // index in the track list
    int minutes = 0, laps = 0;
    int moto_points[SERIES_SLOTS] = {};
    int round_points[SERIES_SLOTS] = {};
    int positions[SERIES_SLOTS] = {};   // per rider index, 0-based
    int round_ranks[SERIES_SLOTS] = {}; // per rider index, in the round this moto ends
};

struct Series {
    std::string name;
    std::string file;           // game-file name, "spring.series"
    std::string standings_file; // "@" + file + "_standings"
    std::vector<SeriesEvent> events;
    int completed = 0;
    int skill = 2;
    std::vector<int> numbers; // the robots' race numbers; rider index N is the player
};

// Every series and which event is being raced for the standings.
struct SeriesList {
    std::vector<Series> series;
    int selected = 0;
    int entered_series = -1, entered_event = -1;
    int list_page = 0;
};

// Reads one series file (a game-file name); false when it is refused.
bool series_read(const char *file_name, const TrackList &tracks, Series *series, bool debug);

// Builds the list from every game file ending in ".series", with standings.
void series_load_all(SeriesList *list, const TrackList &tracks, bool debug);

// Reads a series' standings file into its events' positions.
void series_read_standings(Series *series);

// Ranks the riders of every round among the completed events.
void series_classify(Series *series);

// The line-up of the series' next event (1000 + number for a robot, 1 for
// the player).
void series_lineup(const Series &series, int lineup[SERIES_SLOTS]);

// Starts the next event of a series as a race on its track; `entered`
// marks it for the standings, and the race's results hook then records its
// result when it is final or left for another race. False when every event
// is run or the race could not start.
bool series_start_event(SeriesList *list, Sim *sim, TrackList *tracks, int index, bool entered, bool record_demo);

// Stores the entered event's result from the race (final or as it stands)
// and rewrites the standings file; nothing without an entered event.
void series_record_result(SeriesList *list, Sim *sim);

// Forgets every result of a series.
void series_reset(Series *series);

// The standings as the menus show them: a heading, then blocks of rows of
// cells ("No.", "Total", "Rd 1" ..., eight rounds a block), the player's row
// flagged.
struct StandingsRow {
    std::vector<std::string> cells;
    bool player = false;
};
struct Standings {
    std::string heading;
    std::vector<std::vector<StandingsRow>> blocks; // each block starts with its heading row
};
Standings series_standings(const Series &series);

// The total series points of every rider index.
std::vector<int> series_totals(const Series &series);
