// Series files, standings, the round classification, event line-ups and
// recording an entered event's result.
#include "race/series.h"

#include "files/file_index.h"
#include "files/game_file.h"
#include "physics/rider.h"
#include "platform/log.h"
#include "race/race.h"
#include "race/timing.h"
#include "track/track_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

const char *const skill_words[3] = {"Novice", "Amateur", "Expert"};

// A quoted string, else one whitespace-delimited word.
bool read_text_item(GameFile *f, std::string *out)
{
    char buffer[1024];
    if (gf_scanf(f, " \"%1023[^\"]\"", buffer) != 1 && gf_scanf(f, "%1023s", buffer) != 1)
        return false;
    *out = buffer;
    return true;
}

bool read_int(GameFile *f, int *out)
{
    return gf_scanf(f, "%d", out) == 1;
}

bool read_event(GameFile *f, const TrackList &tracks, SeriesEvent *e)
{
    std::string folder;
    if (!read_text_item(f, &e->name) || !read_text_item(f, &folder))
        return false;
    auto found = std::find(tracks.folders.begin(), tracks.folders.end(), folder);
    if (found == tracks.folders.end())
        return false;
    e->track = (int)(found - tracks.folders.begin());
    if (!read_int(f, &e->minutes) || !read_int(f, &e->laps))
        return false;
    // A race must end: by laps, by minutes, or both; nothing absurd.
    if (e->minutes < 0 || e->minutes > 600 || e->laps < 0 || e->laps > 1000 || (e->minutes == 0 && e->laps == 0))
        return false;
    // Points are summed over up to SERIES_MAX_EVENTS events; a million a
    // place keeps every total inside an int.
    for (int &p : e->moto_points)
        if (!read_int(f, &p) || p < -SERIES_MAX_POINTS || p > SERIES_MAX_POINTS)
            return false;
    for (int &p : e->round_points)
        if (!read_int(f, &p) || p < -SERIES_MAX_POINTS || p > SERIES_MAX_POINTS)
            return false;
    return true;
}

bool ends_round(const SeriesEvent &e)
{
    return e.round_points[0] != 0;
}

int field(const Series &s)
{
    return (int)s.numbers.size();
}

// The first event of the round that event `last` ends.
int round_start(const Series &s, int last)
{
    int first = last;
    while (first > 0 && !ends_round(s.events[first - 1]))
        --first;
    return first;
}

bool write_standings(const Series &s)
{
    // Written beside the old file and renamed over it: a crash or a full
    // disk mid-write leaves the standings as they were.
    GameFile *f = gf_open_new(s.standings_file.c_str());
    if (!f)
        return false;
    for (int e = 0; e < s.completed; ++e) {
        for (int r = 0; r <= field(s); ++r)
            gf_printf(f, "%d ", s.events[e].positions[r] + 1);
        gf_printf(f, "\n");
    }
    return gf_replace(f, s.standings_file.c_str());
}

} // namespace

bool series_read(const char *file_name, const TrackList &tracks, Series *s, bool debug)
{
    *s = Series();
    GameFile *f = gf_open((std::string("@") + file_name).c_str(), "rb");
    if (!f)
        return false;
    bool ok = false;
    char word[1024];
    int n = 0, events = 0;
    do {
        if (!read_text_item(f, &s->name))
            break;
        if (gf_scanf(f, "%d %1023s", &n, word) != 2 || n < 0 || n >= SERIES_SLOTS)
            break;
        s->skill = 2;
        for (int i = 0; i < 3; ++i)
            if (strcmp(word, skill_words[i]) == 0)
                s->skill = i;
        s->numbers.resize((size_t)n);
        bool numbers_ok = true;
        for (int &number : s->numbers)
            numbers_ok = numbers_ok && read_int(f, &number);
        if (!numbers_ok || !read_int(f, &events) || events < 1 || events > SERIES_MAX_EVENTS)
            break;
        s->events.resize((size_t)events);
        bool events_ok = true;
        for (SeriesEvent &e : s->events)
            if (!(events_ok = read_event(f, tracks, &e)))
                break;
        ok = events_ok;
    } while (false);
    gf_close(f);
    if (!ok) {
        *s = Series();
        return false;
    }
    s->file = file_name;
    s->standings_file = "@" + s->file + "_standings";
    if (debug) {
        zeph_log("series %s (%s)\n", file_name, s->name.c_str());
        for (const SeriesEvent &e : s->events)
            zeph_log("  event %s (%s)\n", tracks.folders[e.track].c_str(), e.name.c_str());
    }
    return true;
}

void series_load_all(SeriesList *list, const TrackList &tracks, bool debug)
{
    list->series.clear();
    for (const char *const *name = gf_list_names(); *name; ++name) {
        size_t len = strlen(*name);
        if (len < 7 || strcmp(*name + len - 7, ".series") != 0)
            continue;
        Series s;
        if (!series_read(*name, tracks, &s, debug))
            continue;
        series_read_standings(&s);
        list->series.push_back(std::move(s));
    }
    list->selected = 0;
    list->entered_series = list->entered_event = -1;
}

void series_read_standings(Series *s)
{
    s->completed = 0;
    GameFile *f = gf_open(s->standings_file.c_str(), "rb");
    if (!f) {
        series_classify(s);
        return;
    }
    for (SeriesEvent &e : s->events) {
        int read[SERIES_SLOTS];
        bool whole = true;
        for (int r = 0; r <= field(*s) && whole; ++r)
            whole = read_int(f, &read[r]) && read[r] >= 1 && read[r] <= SERIES_SLOTS;
        if (!whole)
            break;
        for (int r = 0; r <= field(*s); ++r)
            e.positions[r] = read[r] - 1;
        ++s->completed;
    }
    gf_close(f);
    series_classify(s);
}

void series_classify(Series *s)
{
    int riders = field(*s) + 1;
    long accumulator[SERIES_SLOTS] = {};
    for (int e = 0; e < s->completed; ++e) {
        SeriesEvent &ev = s->events[e];
        for (int r = 0; r < riders; ++r)
            accumulator[r] += ev.moto_points[std::clamp(ev.positions[r], 0, SERIES_SLOTS - 1)];
        if (!ends_round(ev))
            continue;
        // Each rider is ranked once: the most moto points first, on equal
        // points the better place in this moto, then the lower index.
        bool ranked[SERIES_SLOTS] = {};
        for (int rank = 0; rank < riders; ++rank) {
            int best = -1;
            for (int r = 0; r < riders; ++r) {
                if (ranked[r])
                    continue;
                if (best < 0 || accumulator[r] > accumulator[best] ||
                    (accumulator[r] == accumulator[best] && ev.positions[r] < ev.positions[best]))
                    best = r;
            }
            ev.round_ranks[best] = rank;
            ranked[best] = true;
        }
        // The next round starts level.
        std::fill(accumulator, accumulator + riders, 0L);
    }
}

void series_lineup(const Series &s, int lineup[SERIES_SLOTS])
{
    std::fill(lineup, lineup + SERIES_SLOTS, 0);
    int n = field(s);
    auto value = [&](int rider) { return rider == n ? (int)LINEUP_HUMAN : LINEUP_NUMBER + s.numbers[rider]; };
    if (s.completed == 0) {
        for (int i = 0; i <= n; ++i)
            lineup[i] = value(i);
        return;
    }
    int picks[SERIES_SLOTS];
    if (n <= 14) {
        for (int k = 0; k < 15; ++k)
            picks[k] = 6 + 2 * k;
    } else {
        int k = 0;
        picks[k++] = 10;
        for (int d = 1; d <= 10; ++d) {
            picks[k++] = 10 - d;
            if (10 + d <= 20)
                picks[k++] = 10 + d;
        }
        for (int slot = 21; slot < SERIES_SLOTS; ++slot)
            picks[k++] = slot;
    }
    // Picks go from the last of the previous event to its winner.
    const SeriesEvent &previous = s.events[s.completed - 1];
    int k = 0;
    for (int position = n; position >= 0; --position)
        for (int rider = 0; rider <= n; ++rider)
            if (std::min(previous.positions[rider], n) == position)
                lineup[picks[k++]] = value(rider);
}

bool series_start_event(SeriesList *series, Sim *sim, TrackList *tracks, int index, bool entered, bool record_demo)
{
    SeriesList &list = *series;
    if (index < 0 || index >= (int)list.series.size())
        return false;
    Series &s = list.series[index];
    if (s.completed >= (int)s.events.size())
        return false;
    // Entering the series already entered does nothing.
    if (entered && list.entered_series == index)
        return false;
    const SeriesEvent &e = s.events[s.completed];
    tracks->selected = e.track;
    sim->settings.track_folder = tracks->folders[e.track];
    sim->settings.track_name = tracks->names[e.track];
    int lineup[SERIES_SLOTS];
    series_lineup(s, lineup);
    sim->results_hook.report = [](void *context, Sim *race) {
        series_record_result(static_cast<SeriesList *>(context), race);
    };
    sim->results_hook.context = series;
    if (!race_start(sim, lineup, false, record_demo, e.minutes * 60 * TICKS_PER_SECOND, e.laps, s.skill,
                    (unsigned)sim->race.tick))
        return false;
    if (entered) {
        list.entered_series = index;
        list.entered_event = s.completed;
    }
    return true;
}

void series_record_result(SeriesList *series, Sim *sim)
{
    SeriesList &list = *series;
    if (list.entered_series < 0 || list.entered_series >= (int)list.series.size())
        return;
    Series &s = list.series[list.entered_series];
    if (s.completed != list.entered_event || s.completed >= (int)s.events.size()) {
        list.entered_series = list.entered_event = -1;
        return;
    }
    SeriesEvent &e = s.events[s.completed];
    int n = field(s);
    for (int r = 0; r <= n; ++r)
        e.positions[r] = n;
    const RaceState &race = sim->race;
    bool final = race.results_final;
    const RaceOrder &order = final ? race.final_order : race.order;
    int rank = 0;
    std::vector<bool> placed((size_t)n + 1, false);
    for (int i = 0; i < order.count; ++i) {
        int slot = order.entries[i].slot;
        const RiderSlot &rs = race.slots[slot];
        if (!rs.rider)
            continue;
        if (rs.kind == KIND_LOCAL) {
            if (!placed[(size_t)n] && (final || (is_finished(sim, slot) && cutting_penalty(*sim, slot) == 0))) {
                e.positions[n] = rank++;
                placed[(size_t)n] = true;
            }
            continue;
        }
        const char *plate = rs.rider->number;
        for (int r = 0; r < n; ++r)
            if (!placed[(size_t)r] && std::to_string(s.numbers[r]) == plate) {
                e.positions[r] = rank++;
                placed[(size_t)r] = true;
                break;
            }
    }
    ++s.completed;
    series_classify(&s);
    list.entered_series = list.entered_event = -1;
    write_standings(s);
}

void series_reset(Series *s)
{
    s->completed = 0;
    series_classify(s);
}

std::vector<int> series_totals(const Series &s)
{
    std::vector<int> totals((size_t)field(s) + 1, 0);
    for (int e = 0; e < s.completed; ++e) {
        const SeriesEvent &ev = s.events[e];
        if (!ends_round(ev))
            continue;
        for (int r = 0; r <= field(s); ++r)
            totals[(size_t)r] += ev.round_points[std::clamp(ev.round_ranks[r], 0, SERIES_SLOTS - 1)];
    }
    return totals;
}

Standings series_standings(const Series &s)
{
    Standings out;
    char text[1024];
    int events = (int)s.events.size();
    if (s.completed < events)
        snprintf(text, sizeof text, "Next Event: %.900s", s.events[s.completed].name.c_str());
    else
        snprintf(text, sizeof text, "%.900s Final Standings", s.name.c_str());
    out.heading = text;

    // The rounds: the event that ends each (the last events may end none).
    std::vector<int> round_last;
    for (int e = 0; e < events; ++e)
        if (ends_round(s.events[e]))
            round_last.push_back(e);
    int n = field(s);
    std::vector<int> totals = series_totals(s);
    int latest = -1; // the latest completed round's last event
    for (int e : round_last)
        if (e < s.completed)
            latest = e;
    std::vector<int> order((size_t)n + 1);
    for (int r = 0; r <= n; ++r)
        order[(size_t)r] = r;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (totals[(size_t)a] != totals[(size_t)b])
            return totals[(size_t)a] > totals[(size_t)b];
        return latest >= 0 && s.events[latest].round_ranks[a] < s.events[latest].round_ranks[b];
    });

    int rounds = (int)round_last.size();
    for (int block = 0; block == 0 || block * 8 < rounds; ++block) {
        std::vector<StandingsRow> rows;
        StandingsRow heading;
        heading.cells = {"No.", "Total"};
        for (int rd = block * 8; rd < std::min(rounds, block * 8 + 8); ++rd)
            heading.cells.push_back("Rd " + std::to_string(rd + 1));
        rows.push_back(heading);
        for (int r : order) {
            StandingsRow row;
            row.player = r == n;
            row.cells.push_back(r == n ? "999" : std::to_string(s.numbers[r]));
            row.cells.push_back(std::to_string(totals[(size_t)r]));
            for (int rd = block * 8; rd < std::min(rounds, block * 8 + 8); ++rd) {
                int last = round_last[rd], first = round_start(s, last);
                int motos = last - first + 1;
                std::string cell = "-";
                if (last < s.completed) {
                    const SeriesEvent &end = s.events[last];
                    int points = end.round_points[std::clamp(end.round_ranks[r], 0, SERIES_SLOTS - 1)];
                    if (motos == 1) {
                        snprintf(text, sizeof text, "%d (%d)", points, end.round_ranks[r] + 1);
                    } else {
                        std::string places;
                        for (int e = first; e <= last; ++e)
                            places += (e > first ? "-" : "") + std::to_string(s.events[e].positions[r] + 1);
                        snprintf(text, sizeof text, "%d (%s)", points, places.c_str());
                    }
                    cell = text;
                } else if (first < s.completed) {
                    std::string places;
                    for (int e = first; e < s.completed; ++e)
                        places += std::to_string(s.events[e].positions[r] + 1) + "-";
                    cell = "- (" + places + ")";
                }
                row.cells.push_back(cell);
            }
            rows.push_back(row);
        }
        out.blocks.push_back(rows);
    }
    return out;
}
