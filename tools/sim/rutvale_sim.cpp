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
// reached the end. Without --play, the last-but-one line is a hash of the final state of every body, so two
// runs can be compared: the same options give the same hash.
//
// With --connect HOST[:PORT] it is instead a headless network client: the
// test pilot rides the player's slot in a race server's races in real time
// (--races of them, default 1), and it prints the message lines, which
// remote riders it saw moving, each race's results and its traffic.
#include "files/paths.h"
#include "physics/aids.h"
#include "physics/rider.h"
#include "physics/world.h"
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

const char options_text[] = "  --track FOLDER       the track (default rabbithill)\n"
                            "  --riders N           robots on the gate, 0 to 40 (default 40)\n"
                            "  --pilot              the test pilot rides slot 0\n"
                            "  --seconds S          how long to race (default 60)\n"
                            "  --laps L             laps of the race (default 5)\n"
                            "  --seed K             the race's seed\n"
                            "  --skill K            robot skill index\n"
                            "  --nolearn            robots do not learn lines\n"
                            "  --practice           robots ride as testers\n"
                            "  --debug              log more\n"
                            "  --record FILE        record the race to a demo\n"
                            "  --play FILE          play a demo\n"
                            "  --threads N          threads for the riders' contacts and the roost\n"
                            "  --probe X,Z          print the ground height there, the gates and statues\n"
                            "  --series NAME        run a points series' events (with --pilot as the player)\n"
                            "  --connect HOST[:PORT]  ride in a race server's races with the test pilot\n"
                            "  --password TEXT      the server's password\n"
                            "  --name NAME          the rider's name\n"
                            "  --number N           the rider's number\n"
                            "  --races N            races to ride before leaving\n"
                            "  --fake-lag MS        delay every incoming datagram\n"
                            "  --fake-loss PERCENT  drop incoming datagrams\n"
                            "  --help               show this help and stop\n"
                            "  --version            show the version and stop\n";

int usage(const char *problem)
{
    fprintf(stderr, "rutvale-sim: %s\n", problem);
    fprintf(stderr, "%s", usage_text);
    return 1;
}

// A time as minutes, seconds and tenths: "M:SS.s".
std::string time_text(double seconds)
{
    int tenths = (int)(seconds * 10 + 0.5);
    char text[32];
    snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

bool number(const char *text, double lo, double hi, double *out)
{
    char *end;
    double v = strtod(text, &end);
    if (end == text || *end || !std::isfinite(v) || v < lo || v > hi)
        return false;
    *out = v;
    return true;
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

} // namespace

int main(int argc, char **argv)
{
    std::string folder = "rabbithill";
    double riders = 40, seconds = 60, laps = 5, seed = 1, skill = 0, threads = 1;
    bool pilot = false, learning = true, debug = false, riders_given = false, practice = false;
    std::string record, play;
    ConnectOptions connect;
    SeriesOptions series;
    std::vector<std::pair<float, float>> probes; // ground heights to print
    bool seconds_given = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](double lo, double hi, double *out) {
            if (i + 1 >= argc || !number(argv[++i], lo, hi, out))
                return false;
            return true;
        };
        if (a == "--help" || a == "-h") {
            printf("%s", usage_text);
            printf("%s", options_text);
            printf("Races robots (and the test pilot) on the game's data with no window and reports\n"
                   "every rider, a hash of the final state and the simulation speed.\n");
            return 0;
        } else if (a == "--series") {
            if (i + 1 >= argc || !*argv[i + 1])
                return usage("--series needs a series name");
            series.name = argv[++i];
        } else if (a == "--probe") {
            float x, z;
            if (i + 1 >= argc || sscanf(argv[++i], "%f,%f", &x, &z) != 2)
                return usage("--probe needs X,Z");
            probes.push_back({x, z});
        } else if (a == "--version") {
            printf("rutvale-sim %s\n", RUTVALE_VERSION);
            return 0;
        } else if (a == "--track") {
            if (i + 1 >= argc)
                return usage("--track needs a track folder");
            folder = argv[++i];
        } else if (a == "--riders") {
            if (!value(0, 40, &riders))
                return usage("--riders needs a number from 0 to 40");
            riders_given = true;
        } else if (a == "--record" || a == "--play") {
            if (i + 1 >= argc || !*argv[i + 1])
                return usage((a + " needs a demo file").c_str());
            (a == "--record" ? record : play) = argv[++i];
        } else if (a == "--connect" || a == "--password" || a == "--name" || a == "--number") {
            if (i + 1 >= argc)
                return usage((a + " needs a value").c_str());
            std::string v = argv[++i];
            if (a == "--connect")
                connect.server = v;
            else if (a == "--password")
                connect.password = v;
            else if (a == "--name")
                connect.name = v.substr(0, 64);
            else
                connect.number = v.substr(0, 3);
        } else if (a == "--races") {
            double n;
            if (!value(1, 1000, &n))
                return usage("--races needs a number from 1 to 1000");
            connect.races = (int)n;
        } else if (a == "--fake-lag") {
            double ms;
            if (!value(0, 1e9, &ms))
                return usage("--fake-lag needs milliseconds");
            connect.fake_lag = std::min(ms * 0.001, 1.0);
        } else if (a == "--fake-loss") {
            double percent;
            if (!value(0, 100, &percent))
                return usage("--fake-loss needs a percentage from 0 to 100");
            connect.fake_loss = (int)percent;
        } else if (a == "--pilot") {
            pilot = true;
        } else if (a == "--seconds") {
            if (!value(0, 86400, &seconds))
                return usage("--seconds needs a number of seconds up to 86400");
            seconds_given = true;
        } else if (a == "--laps") {
            if (!value(1, 1000, &laps))
                return usage("--laps needs a number from 1 to 1000");
        } else if (a == "--skill") {
            if (!value(0, 2, &skill) || skill != std::floor(skill))
                return usage("--skill needs 0 (novice), 1 (amateur) or 2 (expert)");
        } else if (a == "--threads") {
            if (!value(1, 64, &threads) || threads != std::floor(threads))
                return usage("--threads needs a whole number from 1 to 64");
        } else if (a == "--nolearn") {
            learning = false;
        } else if (a == "--practice") {
            practice = true; // every robot a tester, trying the lines least ridden
        } else if (a == "--debug") {
            debug = true; // learning's judgements to the log (ZEPH_LOGFILE)
        } else if (a == "--seed") {
            if (!value(0, 4294967295.0, &seed))
                return usage("--seed needs a whole number");
        } else {
            return usage(("unknown option '" + a + "'").c_str());
        }
    }
    if (!getenv("RV_HOME") && !data_beside_executable())
        setenv("RV_HOME", GAME_DIR, 1);
    if (!series.name.empty()) {
        series.pilot = pilot;
        series.learning = learning;
        series.debug = debug;
        if (seconds_given)
            series.seconds = seconds;
        return run_series(series);
    }
    if (!connect.server.empty()) {
        if (seconds_given)
            connect.seconds = seconds;
        return run_connected(connect);
    }

    if (!play.empty() && !riders_given)
        riders = 0; // the demo's riders race
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    sim.settings.track_folder = folder;
    sim.settings.learning = learning;
    sim.settings.debug = debug;
    sim.settings.practice = practice;
    sim.demo.record_name = record;
    sim.demo.chosen = play;
    int lineup[SLOTS] = {};
    int robots = (int)riders;
    if (pilot && robots == SLOTS)
        --robots;
    for (int k = 0; k < robots; ++k)
        lineup[k] = LINEUP_ROBOT;
    int pilot_slot = pilot ? robots : -1;
    if (pilot)
        lineup[pilot_slot] = LINEUP_ROBOT; // a rider the pilot, not the robot driver, rides
    if (!race_start(&sim, lineup, !play.empty(), !record.empty(), 0, (int)laps, (int)skill, (unsigned)seed)) {
        fprintf(stderr, "rutvale-sim: can't load the track '%s'\n", folder.c_str());
        sim_destroy(&sim);
        return 1;
    }
    if (!play.empty() && !sim.demo.in) {
        fprintf(stderr, "rutvale-sim: can't play the demo '%s'\n", play.c_str());
        sim_destroy(&sim);
        return 1;
    }
    if (!record.empty() && !sim.demo.out) {
        fprintf(stderr, "rutvale-sim: can't record to '%s'\n", record.c_str());
        sim_destroy(&sim);
        return 1;
    }
    if (pilot)
        pilot_take(&sim, pilot_slot);
    // The track as loaded: its size, the ground at the probed points, its
    // timing gates and statues.
    if (!probes.empty()) {
        const Terrain &t = track.terrain;
        printf("track %s: extent %.3f, heights %.3f to %.3f\n", track.folder.c_str(), t.extent, t.min_height,
               t.max_height);
        for (const auto &p : probes)
            printf("ground at %.3f %.3f: %.3f\n", p.first, p.second, terrain_height(t, p.first, p.second));
        const auto &gates = track.objects.gates.checkpoints;
        for (size_t k = 0; k < gates.size(); ++k)
            printf("gate %d at %.3f %.3f radius %.3f\n", (int)k, gates[k].centre[0], gates[k].centre[2],
                   gates[k].radius);
        const auto &statues = track.objects.statues;
        for (size_t k = track.objects.first_track_statue; k < statues.size(); ++k)
            printf("statue %d at %.3f %.3f %s\n", (int)k, statues[k].x, statues[k].z, statues[k].model_name.c_str());
    }
    // The riders' contacts found and the roost moved on more threads: the
    // same results.
    if (!sim_set_threads(&sim, (int)threads))
        fprintf(stderr, "rutvale-sim: can't start %d threads; running on one\n", (int)threads);
    int ticks = (int)(seconds * TICKS_PER_SECOND);
    auto start = std::chrono::steady_clock::now();
    int ran = 0;
    RaceWatch watch;
    for (; ran < ticks && !sim.race.results_final && !(sim.demo.in && sim.demo.at_end); ++ran) {
        sim_tick(&sim);
        watch_tick(&watch, sim);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The results as the results board orders them.
    const TimingGates &gates = track.objects.gates;
    const RaceOrder &order = sim.race.results_final ? sim.race.final_order : sim.race.order;
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

    for (int k = 0; k < SLOTS; ++k) {
        const RiderSlot &slot = sim.race.slots[k];
        const Rider *r = slot.rider;
        if (!r)
            continue;
        const dReal *p = dBodyGetPosition(r->bodies[FRAME]), *v = dBodyGetLinearVel(r->bodies[FRAME]);
        const PilotLog &log = pilot_log(sim, k);
        int crashes = k == pilot_slot ? log.crashes : watch.crashes[k];
        printf("slot %d: gates %d laps %d crashes %d longest stop %.1f s%s at (%.0f, %.0f, %.0f) speed %.1f ft/s%s\n",
               k, slot.next_gate, laps_completed(gates, slot.next_gate), crashes,
               (double)watch.longest_stop[k] / TICKS_PER_SECOND, watch.false_start[k] ? " false start" : "", p[0], p[1],
               p[2], std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), k == pilot_slot ? " (pilot)" : "");
    }
    // The field in one line: finishers, the winner's total and best lap,
    // the slowest finisher, the longest stop and the false starts.
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
    // The robots' mean place by personality.
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
    printf("state hash: %016" PRIx64 "\n", sim_state_hash(sim));
    int used = workers_threads(sim.workers);
    printf("simulation: %d ticks in %.2f s, %.0f ticks/s, %.1f x real time on %d thread%s\n", ran, wall,
           wall > 0 ? ran / wall : 0.0, wall > 0 ? ran / wall / TICKS_PER_SECOND : 0.0, used, used == 1 ? "" : "s");
    if (!play.empty())
        printf("demo: %d ticks played, %s\n", sim.demo.ticks_played,
               sim.demo.at_end ? "the end reached" : "stopped before the end");
    sim_save_lines(&sim);
    sim_destroy(&sim);
    unload_track(&track);
    return 0;
}
