#include "race/sim_fixture.h"

#include "physics/rider.h"

#include <cstdio>
#include <sys/wait.h>

namespace
{

using Inputs = std::function<void(RiderInput &)>;

void drive(Sim &, int, void *state, RiderInput *input)
{
    (*static_cast<Inputs *>(state))(*input);
}

void release(void *state)
{
    delete static_cast<Inputs *>(state);
}

} // namespace

Rider *sim_put_rider(Sim *sim, int slot, const char *bike, const char *number)
{
    RiderSlot &s = sim->race.slots[slot];
    rider_destroy(s.rider);
    s = RiderSlot();
    s.rider = rider_create(&sim->physics, bike, slot, number);
    s.kind = KIND_LOCAL;
    return s.rider;
}

void sim_drive(Sim *sim, int slot, Inputs inputs)
{
    SlotController c;
    c.drive = drive;
    c.release = release;
    c.state = new Inputs(std::move(inputs));
    sim_set_controller(sim, slot, c);
}

void sim_run(Sim *sim, float seconds)
{
    for (int n = 0; n < (int)(seconds * TICKS_PER_SECOND); ++n)
        sim_tick(sim);
}

void GameRaceTest::SetUp()
{
    use_game_folders(home.path, GAME_DIR);
    sim_create(&sim, &track);
}

void GameRaceTest::TearDown()
{
    sim_destroy(&sim);
    unload_track(&track);
    use_game_folders("", "");
}

// Runs the simulator with options and a home folder of its own (a fresh one
// unless given); its exit status and everything it printed.
int simulator(const std::string &options, std::string *out, const std::string &home)
{
    TempDir fresh;
    std::string command = "XDG_DATA_HOME='" + (home.empty() ? fresh.path : home) + "' " + SIM_EXE + " " + options;
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    size_t n;
    out->clear();
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out->append(buffer, n);
    return WEXITSTATUS(pclose(p));
}
