// rutvale-sim: races on the game's data without a window, as fast as the
// machine can, and reports what happened and how fast it ran.
//
//   rutvale-sim [--track FOLDER] [--riders N] [--pilot] [--seconds S]
//               [--laps L] [--seed K] [--skill K] [--nolearn] [--debug]
//               [--record FILE] [--play FILE] [--practice] [--threads N]
//
// A race of --laps ends when every rider has finished (or at --seconds); the
// results come first, one line a rider in the order of the results board:
//   place P slot S laps L best M:SS.s total M:SS.s [PERSONALITY]
// (total DNF: not finished; a robot's personality last), then a line per
// slot (gates, laps, crashes, its longest stop after the gate drop, a start
// before the gate dropped), one on the whole field (finishers, the winner's
// total and best lap, the slowest finisher, the longest stop, the false
// starts), the robots' mean place by personality, and one on the learnt
// lines, which are written to
// the skill's lines file in the home folder at the end unless --nolearn is
// given. --record writes the race to a demo file; --play plays one (its
// riders in the slots after the robots and the pilot) as fast as it can, to
// its end, and then prints, last, how many ticks it played and whether it
// reached the end. Without --play, the line before the speed is a hash of
// the final state of every body, so two runs can be compared: the same
// options give the same hash from the same home folder. A run that taught
// the robots then says "lines saved: PATH".
//
// With --connect HOST[:PORT] it is instead a headless network client: the
// test pilot rides the player's slot in a race server's races in real time
// (--races of them, default 1), and it prints the message lines, which
// remote riders it saw moving, each race's results and its traffic.
#include "files/paths.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/command_line.h"
#include "platform/workers.h"
#include "race/race.h"
#include "robots/pilot.h"
#include "robots/robot.h"
#include "sim_connect.h"
#include "sim_series.h"
#include "track/terrain.h"
#include "track/track.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const char usage_text[] = "usage: rutvale-sim [OPTION]...\n"
                          "       rutvale-sim --series NAME [--pilot] [--seconds S]\n"
                          "       rutvale-sim --connect HOST[:PORT] [OPTION]...\n";

// Everything the command line sets.
struct SimOptions {
    std::string folder = "rabbithill";
    double riders = 40, seconds = 60, laps = 5, seed = 1, skill = 0, threads = 1;
    bool pilot = false, learning = true, debug = false, practice = false;
    bool riders_given = false, seconds_given = false, help = false, version = false;
    std::string record, play;
    std::vector<std::pair<float, float>> probes; // ground heights to print
    ConnectOptions connect;
    SeriesOptions series;
};

std::vector<CommandOption> option_table(SimOptions *o)
{
    auto flag = [](const char *name, const char *help, bool *to) {
        return CommandOption{name, nullptr, help, [to](const char *) { return *to = true; }};
    };
    auto text = [](const char *name, const char *value, const char *help, std::string *to, size_t longest = 0) {
        return CommandOption{name, value, help, [=](const char *v) {
                                 *to = longest ? std::string(v).substr(0, longest) : v;
                                 return true;
                             }};
    };
    auto name = [](const char *name, const char *value, const char *help, std::string *to, const char *bad) {
        return CommandOption{name, value, help,
                             [to](const char *v) {
                                 *to = v;
                                 return *v != 0;
                             },
                             bad};
    };
    auto number = [](const char *name, const char *value, const char *help, double lo, double hi, double *to,
                     const char *bad, bool whole = false, bool *given = nullptr) {
        return CommandOption{name, value, help,
                             [=](const char *v) {
                                 if (!(whole ? parse_whole(v, lo, hi, to) : parse_number(v, lo, hi, to)))
                                     return false;
                                 if (given)
                                     *given = true;
                                 return true;
                             },
                             bad};
    };
    ConnectOptions *c = &o->connect;
    return {
        text("--track", "FOLDER", "the track (default rabbithill)", &o->folder),
        number("--riders", "N", "robots on the gate, 0 to 40 (default 40)", 0, 40, &o->riders,
               "--riders needs a number from 0 to 40", false, &o->riders_given),
        flag("--pilot", "the test pilot rides slot 0", &o->pilot),
        number("--seconds", "S", "how long to race (default 60)", 0, 86400, &o->seconds,
               "--seconds needs a number of seconds up to 86400", false, &o->seconds_given),
        number("--laps", "L", "laps of the race (default 5)", 1, 1000, &o->laps,
               "--laps needs a number from 1 to 1000"),
        number("--seed", "K", "the race's seed", 0, 4294967295.0, &o->seed, "--seed needs a whole number"),
        number("--skill", "K", "robot skill: 0 novice, 1 amateur, 2 expert", 0, 2, &o->skill,
               "--skill needs 0 (novice), 1 (amateur) or 2 (expert)", true),
        CommandOption{"--nolearn", nullptr, "robots do not learn lines",
                      [o](const char *) {
                          o->learning = false;
                          return true;
                      }},
        flag("--practice", "robots ride as testers", &o->practice),
        flag("--debug", "log more (learning's judgements to ZEPH_LOGFILE)", &o->debug),
        name("--record", "FILE", "record the race to a demo", &o->record, "--record needs a demo file"),
        name("--play", "FILE", "play a demo", &o->play, "--play needs a demo file"),
        number("--threads", "N", "threads for the riders' contacts and the roost", 1, 64, &o->threads,
               "--threads needs a whole number from 1 to 64", true),
        CommandOption{"--probe", "X,Z", "print the ground height there, the gates and statues",
                      [o](const char *v) {
                          float x, z;
                          if (sscanf(v, "%f,%f", &x, &z) != 2)
                              return false;
                          o->probes.push_back({x, z});
                          return true;
                      },
                      "--probe needs X,Z"},
        name("--series", "NAME", "run a points series' events (with --pilot as the player)", &o->series.name,
             "--series needs a series name"),
        text("--connect", "HOST[:PORT]", "ride in a race server's races with the test pilot", &c->server),
        text("--password", "TEXT", "the server's password", &c->password),
        text("--name", "NAME", "the rider's name", &c->name, 64),
        text("--number", "N", "the rider's number", &c->outfit.number, 3),
        CommandOption{"--races", "N", "races to ride before leaving",
                      [c](const char *v) {
                          double n;
                          return parse_number(v, 1, 1000, &n) && (c->races = (int)n, true);
                      },
                      "--races needs a number from 1 to 1000"},
        CommandOption{"--fake-lag", "MS", "delay every incoming datagram",
                      [c](const char *v) {
                          double ms;
                          return parse_number(v, 0, 1e9, &ms) && (c->fake_lag = std::min(ms * 0.001, 1.0), true);
                      },
                      "--fake-lag needs milliseconds"},
        CommandOption{"--fake-loss", "PERCENT", "drop incoming datagrams",
                      [c](const char *v) {
                          double percent;
                          return parse_number(v, 0, 100, &percent) && (c->fake_loss = (int)percent, true);
                      },
                      "--fake-loss needs a percentage from 0 to 100"},
        CommandOption{"--help", nullptr, "show this help and stop", [o](const char *) { return o->help = true; },
                      nullptr, true},
        CommandOption{"--version", nullptr, "show the version and stop",
                      [o](const char *) { return o->version = true; }, nullptr, true},
    };
}

// A time as minutes, seconds and tenths: "M:SS.s".
std::string time_text(double seconds)
{
    int tenths = (int)(seconds * 10 + 0.5);
    char text[32];
    snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

// What the riders did along the way: crashes, stops and starts before the
// gate dropped.
struct RaceWatch {
    int crashes[SLOTS] = {};
    bool down[SLOTS] = {};
    int stopped_since[SLOTS] = {};
    int longest_stop[SLOTS] = {}; // ticks
    bool false_start[SLOTS] = {};
};

// A stop: the frame slower than 2 ft/s while the rider is not down, after
// the gate drop and before the finish.
void watch_tick(RaceWatch *w, const Sim &sim)
{
    const RaceState &race = sim.race;
    for (int k = 0; k < SLOTS; ++k) {
        const Rider *r = race.slots[k].rider;
        if (!r)
            continue;
        bool down = r->crash_timer > 0;
        w->crashes[k] += down && !w->down[k];
        w->down[k] = down;
        float v = frame_speed(r);
        if (race.tick < race.start_tick) {
            // Moving off while the gate is still up (after the first
            // seconds of settling on the grid).
            w->false_start[k] |= race.tick > 5 * TICKS_PER_SECOND && v > 3;
            w->stopped_since[k] = race.tick;
            continue;
        }
        if (v >= 2 || down || race.slots[k].finished)
            w->stopped_since[k] = race.tick;
        w->longest_stop[k] = std::max(w->longest_stop[k], race.tick - w->stopped_since[k]);
    }
}

// The track as loaded: its size, the ground at the probed points, its
// timing gates and statues.
void print_probes(const Track &track, const std::vector<std::pair<float, float>> &probes)
{
    const Terrain &t = track.terrain;
    printf("track %s: extent %.3f, heights %.3f to %.3f\n", track.folder.c_str(), t.extent, t.min_height, t.max_height);
    for (const auto &p : probes)
        printf("ground at %.3f %.3f: %.3f\n", p.first, p.second, terrain_height(t, p.first, p.second));
    const auto &gates = track.objects.gates.checkpoints;
    for (size_t k = 0; k < gates.size(); ++k)
        printf("gate %d at %.3f %.3f radius %.3f\n", (int)k, gates[k].centre[0], gates[k].centre[2], gates[k].radius);
    const auto &statues = track.objects.statues;
    for (size_t k = track.objects.first_track_statue; k < statues.size(); ++k)
        printf("statue %d at %.3f %.3f %s\n", (int)k, statues[k].x, statues[k].z, statues[k].model_name.c_str());
}

const RaceOrder &shown_order(const Sim &sim)
{
    return sim.race.results_final ? sim.race.final_order : sim.race.order;
}

// The results as the results board orders them.
void print_results(const Sim &sim)
{
    const TimingGates &gates = sim_track(sim).objects.gates;
    const RaceOrder &order = shown_order(sim);
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        int best = best_lap(sim, e.slot);
        std::string total = sim.race.slots[e.slot].finished
                                ? time_text((double)(e.total - sim.race.start_tick) / TICKS_PER_SECOND)
                                : "DNF";
        const Rider *r = sim.race.slots[e.slot].rider;
        bool robot = sim.race.slots[e.slot].kind == KIND_ROBOT && r && r->personality > 0;
        printf("place %d slot %d laps %d best %s total %s%s%s\n", k + 1, e.slot, laps_completed(gates, e.gates),
               best ? time_text(lap_time(sim, e.slot, best)).c_str() : "-", total.c_str(), robot ? " " : "",
               robot ? personality(r->personality).name : "");
    }
}

// A line a slot: gates, laps, crashes, its longest stop, a false start, where
// it is and how fast it goes.
void print_slots(const Sim &sim, const RaceWatch &watch, int pilot_slot)
{
    const TimingGates &gates = sim_track(sim).objects.gates;
    for (int k = 0; k < SLOTS; ++k) {
        const RiderSlot &slot = sim.race.slots[k];
        const Rider *r = slot.rider;
        if (!r)
            continue;
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]), *v = dBodyGetLinearVel(r->bodies[FRAME]);
        int crashes = k == pilot_slot ? pilot_log(sim, k).crashes : watch.crashes[k];
        printf("slot %d: gates %d laps %d crashes %d longest stop %.1f s%s at (%.0f, %.0f, %.0f) speed %.1f ft/s%s\n",
               k, slot.next_gate, laps_completed(gates, slot.next_gate), crashes,
               (double)watch.longest_stop[k] / TICKS_PER_SECOND, watch.false_start[k] ? " false start" : "", p[0], p[1],
               p[2], std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), k == pilot_slot ? " (pilot)" : "");
    }
}

// The field in one line: finishers, the winner's total and best lap, the
// slowest finisher, the longest stop and the false starts.
void print_field(const Sim &sim, const RaceWatch &watch)
{
    const RaceOrder &order = shown_order(sim);
    int riding = 0, finishers = 0, false_starts = 0, longest = 0, winner = -1, last = -1;
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        ++riding;
        longest = std::max(longest, watch.longest_stop[e.slot]);
        false_starts += watch.false_start[e.slot];
        if (sim.race.slots[e.slot].finished) {
            ++finishers;
            if (winner < 0)
                winner = k;
            last = k;
        }
    }
    auto total_of = [&](int k) {
        return k < 0 ? std::string("-")
                     : time_text((double)(order.entries[k].total - sim.race.start_tick) / TICKS_PER_SECOND);
    };
    int winner_best = winner < 0 ? 0 : best_lap(sim, order.entries[winner].slot);
    printf("field: %d of %d finished, winner %s best lap %s, slowest finisher %s, longest stop %.1f s, false starts "
           "%d\n",
           finishers, riding, total_of(winner).c_str(),
           winner_best ? time_text(lap_time(sim, order.entries[winner].slot, winner_best)).c_str() : "-",
           total_of(last).c_str(), (double)longest / TICKS_PER_SECOND, false_starts);
}

// The robots' mean place by personality, and the learnt lines.
void print_robots_and_lines(const Sim &sim)
{
    const RaceOrder &order = shown_order(sim);
    int places[PERSONALITY_TESTER + 1] = {}, counted[PERSONALITY_TESTER + 1] = {};
    for (int k = 0; k < order.count; ++k) {
        const Rider *r = sim.race.slots[order.entries[k].slot].rider;
        if (r && sim.race.slots[order.entries[k].slot].kind == KIND_ROBOT && r->personality > 0 &&
            r->personality <= PERSONALITY_TESTER)
            places[r->personality] += k + 1, ++counted[r->personality];
    }
    printf("personalities:");
    for (int p = 1; p <= PERSONALITY_TESTER; ++p)
        if (counted[p])
            printf(" %s %d mean place %.1f", personality(p).name, counted[p], (double)places[p] / counted[p]);
    printf("\n");
    int stored = 0, covered = 0;
    for (const auto &section : sim.lines.sections) {
        int here = 0;
        for (const LineSlot &line : section)
            here += !line.points.empty();
        stored += here;
        covered += here > 0;
    }
    printf("lines: %d in %d of %d sections (%s)\n", stored, covered, (int)sim.lines.sections.size(),
           lines_file_name(sim.lines_skill));
}

// Starts the race the options ask for; false (with a message) when it
// cannot be had as asked.
bool start_race(Sim *sim, const SimOptions &o, int *pilot_slot)
{
    sim->settings.track_folder = o.folder;
    sim->settings.learning = o.learning;
    sim->settings.debug = o.debug;
    sim->settings.practice = o.practice;
    sim->demo.record_name = o.record;
    sim->demo.chosen = o.play;
    int lineup[SLOTS] = {};
    // Playing a demo, its riders race unless robots are asked for.
    int robots = !o.play.empty() && !o.riders_given ? 0 : (int)o.riders;
    if (o.pilot && robots == SLOTS)
        --robots;
    for (int k = 0; k < robots; ++k)
        lineup[k] = LINEUP_ROBOT;
    *pilot_slot = o.pilot ? robots : -1;
    if (o.pilot)
        lineup[robots] = LINEUP_ROBOT; // a rider the pilot, not the robot driver, rides
    if (!race_start(sim, lineup, !o.play.empty(), !o.record.empty(), 0, (int)o.laps, (int)o.skill, (unsigned)o.seed)) {
        fprintf(stderr, "rutvale-sim: can't load the track '%s'\n", o.folder.c_str());
        return false;
    }
    if (!o.play.empty() && !sim->demo.in) {
        fprintf(stderr, "rutvale-sim: can't play the demo '%s'\n", o.play.c_str());
        return false;
    }
    if (!o.record.empty() && !sim->demo.out) {
        fprintf(stderr, "rutvale-sim: can't record to '%s'\n", o.record.c_str());
        return false;
    }
    if (o.pilot)
        pilot_take(sim, *pilot_slot);
    return true;
}

// Races as the options ask and reports on it; the exit status.
int run_race(const SimOptions &o)
{
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    int pilot_slot = -1;
    if (!start_race(&sim, o, &pilot_slot)) {
        sim_destroy(&sim);
        return 1;
    }
    if (!o.probes.empty())
        print_probes(track, o.probes);
    // The riders' contacts found and the roost moved on more threads: the
    // same results.
    if (!sim_set_threads(&sim, (int)o.threads))
        fprintf(stderr, "rutvale-sim: can't start %d threads; running on one\n", (int)o.threads);
    int ticks = (int)(o.seconds * TICKS_PER_SECOND), ran = 0;
    auto start = std::chrono::steady_clock::now();
    RaceWatch watch;
    for (; ran < ticks && !sim.race.results_final && !(sim.demo.in && sim.demo.at_end); ++ran) {
        sim_tick(&sim);
        watch_tick(&watch, sim);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    print_results(sim);
    print_slots(sim, watch, pilot_slot);
    print_field(sim, watch);
    print_robots_and_lines(sim);
    printf("state hash: %016" PRIx64 "\n", sim_state_hash(sim));
    int used = workers_threads(sim.workers);
    printf("simulation: %d ticks in %.2f s, %.0f ticks/s, %.1f x real time on %d thread%s\n", ran, wall,
           wall > 0 ? ran / wall : 0.0, wall > 0 ? ran / wall / TICKS_PER_SECOND : 0.0, used, used == 1 ? "" : "s");
    // The robots learnt from this race: the next run from the same home
    // folder starts from these lines (and so hashes differently).
    if (sim_save_lines(&sim))
        printf("lines saved: %s\n",
               join_path(game_dir(0), sim.lines_folder + "/" + lines_file_name(sim.lines_skill)).c_str());
    if (!o.play.empty())
        printf("demo: %d ticks played, %s\n", sim.demo.ticks_played,
               sim.demo.at_end ? "the end reached" : "stopped before the end");
    sim_destroy(&sim);
    unload_track(&track);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    SimOptions o;
    std::vector<CommandOption> options = option_table(&o);
    CommandLineError error;
    if (!parse_options(argc, argv, options, nullptr, &error)) {
        fprintf(stderr, "rutvale-sim: %s\n%s", error.message.c_str(), usage_text);
        return 2;
    }
    if (o.help) {
        printf("%s%s", usage_text, options_help(options).c_str());
        printf("Races robots (and the test pilot) on the game's data with no window and reports\n"
               "every rider, a hash of the final state and the simulation speed.\n");
        return 0;
    }
    if (o.version) {
        printf("rutvale-sim %s\n", RUTVALE_VERSION);
        return 0;
    }
    if (!getenv("RV_HOME") && !data_beside_executable())
        setenv("RV_HOME", GAME_DIR, 1);
    if (!o.series.name.empty()) {
        o.series.pilot = o.pilot;
        o.series.learning = o.learning;
        o.series.debug = o.debug;
        if (o.seconds_given)
            o.series.seconds = o.seconds;
        return run_series(o.series);
    }
    if (!o.connect.server.empty()) {
        if (o.seconds_given)
            o.connect.seconds = o.seconds;
        return run_connected(o.connect);
    }
    return run_race(o);
}
