// physics_tick: the cost of one simulation tick of a 40-robot race on the
// generated Rabbit Hill track, with every stage (the robots' controls and
// line picking, ground and statue contacts, rider-rider collisions, the
// world step, every rider's own controller, timing and learning), against
// the bare dWorldQuickStep of the same bodies and joints.
#include "physics/rider.h"
#include "physics/world.h"
#include "race/race.h"
#include "robots/robot.h"
#include "track/track.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    if (!getenv("RV_HOME"))
        setenv("RV_HOME", GAME_DIR, 1);
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    int lineup[SLOTS];
    for (int &v : lineup)
        v = LINEUP_ROBOT;
    if (!race_start(&sim, lineup, false, false, 0, 5, 0, 1)) {
        fprintf(stderr, "physics_tick: can't load rabbithill from '%s'\n", getenv("RV_HOME"));
        return 1;
    }
    // Measure the field racing: from twenty seconds after the gate drops.
    while (sim.race.tick < sim.race.start_tick + 20 * TICKS_PER_SECOND)
        sim_tick(&sim);
    // Ten blocks of a second each; the fastest block of each kind is the
    // figure (the others carry the machine's noise).
    const int blocks = 10, ticks = TICKS_PER_SECOND;
    double full = 1e9, bare = 1e9;
    for (int b = 0; b < blocks; ++b) {
        auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < ticks; ++n)
            sim_tick(&sim);
        full = std::min(full, seconds_since(start) / ticks);
    }
    // The same with the riders' contact searches on two threads.
    double threaded = 1e9;
    bool started = sim_set_threads(&sim, 2);
    for (int b = 0; b < blocks && started; ++b) {
        auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < ticks; ++n)
            sim_tick(&sim);
        threaded = std::min(threaded, seconds_since(start) / ticks);
    }
    sim_set_threads(&sim, 1);
    for (int b = 0; b < blocks; ++b) {
        auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < ticks; ++n)
            dWorldQuickStep(sim.physics.world, 1.0 / TICKS_PER_SECOND);
        bare = std::min(bare, seconds_since(start) / ticks);
    }
    // The roost alone (its part of the full tick): every rider's emission
    // and every particle's flight, at the default frequency and the highest.
    double roost[2] = {1e9, 1e9};
    int flying[2] = {};
    const int frequencies[2] = {250, 1000};
    for (int f = 0; f < 2; ++f) {
        sim.settings.roost_frequency = frequencies[f];
        for (int b = 0; b < blocks; ++b) {
            auto start = std::chrono::steady_clock::now();
            for (int n = 0; n < ticks; ++n) {
                for (const RiderSlot &slot : sim.race.slots)
                    if (slot.rider)
                        roost_emit_rider(&sim, *slot.rider);
                roost_update(&sim);
            }
            roost[f] = std::min(roost[f], seconds_since(start) / ticks);
            flying[f] = std::max(flying[f], sim.roost.live_count);
        }
    }
    printf("40 riders, one full tick:            %.3f ms\n", full * 1e3);
    printf("40 riders, bare dWorldQuickStep:     %.3f ms\n", bare * 1e3);
    printf("full tick / bare world step:         %.2f\n", bare > 0 ? full / bare : 0.0);
    if (started)
        printf("one full tick on 2 threads:          %.3f ms (%.2f x the bare world step)\n", threaded * 1e3,
               bare > 0 ? threaded / bare : 0.0);
    else
        printf("one full tick on 2 threads:          can't start the threads\n");
    printf("real-time budget of a tick:          %.3f ms\n", 1000.0 / TICKS_PER_SECOND);
    for (int f = 0; f < 2; ++f)
        printf("roost per tick, frequency %4d:      %.3f ms (up to %d particles in flight)\n", frequencies[f],
               roost[f] * 1e3, flying[f]);
    sim_destroy(&sim);
    unload_track(&track);
    return 0;
}
