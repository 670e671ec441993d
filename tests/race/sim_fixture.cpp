#include "race/sim_fixture.h"

#include "physics/rider.h"

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
