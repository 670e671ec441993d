#include "sim_connect.h"

#include "net/client.h"
#include "physics/rider.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/tick_math.h"
#include "race/race.h"
#include "robots/pilot.h"
#include "robots/robot.h"
#include "track/track.h"
#include "track/track_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

// Message lines shown since the last look, printed as "message: ...".
void print_messages(int *seen, bool quiet)
{
    int newest = message_log.write_index;
    int fresh = (newest - *seen + MESSAGE_LINES) % MESSAGE_LINES;
    for (int age = fresh - 1; age >= 0; --age)
        if (!quiet)
            printf("message: %s\n", message_log_line(age));
    *seen = newest;
    fflush(stdout);
}

void print_results(const Sim &sim, const NetClient &client)
{
    const RaceOrder &order = sim.race.results_final ? sim.race.final_order : sim.race.order;
    const TimingGates &gates = sim_track(sim).objects.gates;
    printf("race %u results (%s):\n", client.race_id, sim.race.results_final ? "final" : "unofficial");
    for (int k = 0; k < order.count; ++k) {
        const OrderEntry &e = order.entries[k];
        const RiderSlot &s = sim.race.slots[e.slot];
        const RiderDescription &d = sim.network.riders[e.slot];
        bool own = (uint32_t)e.slot == client.client_id;
        printf("place %d slot %d laps %d %s%s %s\n", k + 1, e.slot, laps_completed(gates, e.gates),
               s.finished ? "finished" : "DNF", own ? " (me)" : "", own ? "" : d.name.c_str());
    }
    fflush(stdout);
}

} // namespace

int run_connected(const ConnectOptions &o)
{
    TrackList tracks = build_track_list(false);
    Track track;
    Sim sim;
    sim_create(&sim, &track);
    robots_install(&sim);
    sim.settings.learning = false;
    sim.settings.player = o.outfit;
    NetClient client;
    client.server = o.server;
    client.password = o.password;
    client.fake_lag = o.fake_lag;
    client.fake_loss = o.fake_loss;
    client.player_name = o.name;

    int seen = message_log.write_index, races = 0, remote_moves[40] = {};
    uint32_t ridden_race = 0;
    bool results_printed = false;
    float last_remote[40][3] = {};
    double start = clock_seconds(), simulated = start, target = start;
    int status = 1;
    while (clock_seconds() - start < o.seconds) {
        double now = clock_seconds();
        if (now < target) {
            sleep_until(0, (int)((target - now) * 1e6));
            continue;
        }
        // Game time runs a little faster or slower to keep in step with
        // the server's clock, as the game's main loop does.
        double step = TICK_SECONDS;
        if (client.server_tick > 0) {
            double lag = (client.server_tick - sim.race.tick - 1) * TICK_SECONDS;
            step *= network_time_scale(lag, sim.race.tick < sim.race.start_tick);
        }
        target += step;
        message_log_advance(step, false);
        while (simulated < target) {
            simulated += TICK_SECONDS;
            net_poll(&client, &sim, tracks, message_log.clock);
            if (!net_connected(client))
                break;
            if (client.state == NET_RACE_STARTED && client.race_id != ridden_race && client.client_id < 40) {
                ridden_race = client.race_id;
                results_printed = false;
                int own = (int)client.client_id;
                pilot_take(&sim, own);
            }
            if (client.server_tick > 0 && sim.track && !sim.track->folder.empty())
                sim_tick(&sim);
        }
        print_messages(&seen, o.quiet);
        if (!net_connected(client))
            break;
        // Remote riders seen moving (a check for the tests).
        for (int k = 0; k < 40; ++k)
            if (is_remote(sim, k)) {
                const dReal *p = dBodyGetPosition(sim.race.slots[k].rider->bodies[FRAME]);
                float d = std::fabs((float)p[0] - last_remote[k][0]) + std::fabs((float)p[2] - last_remote[k][2]);
                if (d > 0.01f && last_remote[k][0] != 0)
                    ++remote_moves[k];
                last_remote[k][0] = (float)p[0], last_remote[k][2] = (float)p[2];
            }
        if (ridden_race && sim.race.results_final && !results_printed) {
            results_printed = true;
            for (int k = 0; k < 40; ++k)
                if (remote_moves[k])
                    printf("remote slot %d seen moving in %d frames\n", k, remote_moves[k]);
            print_results(sim, client);
            if (++races >= o.races) {
                status = 0;
                break;
            }
        }
    }
    if (!results_printed && ridden_race)
        print_results(sim, client);
    // The last crossings and chat lines reach the server before leaving.
    double linger_from = clock_seconds();
    for (double now = linger_from;
         net_connected(client) && now < linger_from + 3 && (now < linger_from + 0.5 || !client.out.empty());
         now = clock_seconds()) {
        sleep_until(0, 7812);
        message_log_advance(TICK_SECONDS, false);
        net_poll(&client, &sim, tracks, message_log.clock);
    }
    printf("network: %llu bytes sent, %llu received, ping %d ms\n", (unsigned long long)client.bytes_sent,
           (unsigned long long)client.bytes_received, net_ping_ms(client, sim, (int)client.client_id));
    net_leave(&client, &sim);
    print_messages(&seen, o.quiet);
    sim_destroy(&sim);
    unload_track(&track);
    return status;
}
