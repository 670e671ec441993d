// Many riders on the generated track with random inputs: the simulation
// stays finite and every bike stays in one piece. (Riders may ride off the
// map: the ground continues from its border.)
#include "test_folders.h"

#include "physics/aids.h"
#include "physics/crash.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "race/sim_fixture.h"
#include "track/track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace
{

TEST(RidingStress, FortyRidersWithRandomInputsStayFiniteAndWhole)
{
    TempDir home;
    use_game_folders(home.path, GAME_DIR);
    Track track;
    ASSERT_EQ(load_track(&track, "rabbithill", ""), 1);
    Sim sim;
    sim_create(&sim, &track);
    std::vector<Rider *> riders;
    const auto &starts = track.objects.gates.starts;
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int k = 0; k < 40; ++k) {
        Rider *r = sim_put_rider(&sim, k, k % 2 ? "kx125" : "crf250(2009)");
        rider_place(r, starts[k].x, starts[k].z, starts[k].angle);
        BikeSetup setup;
        setup.arcade = k % 3 != 0;
        apply_bike_setup(r, setup);
        riders.push_back(r);
        // New random controls every half second.
        sim_drive(&sim, k, [&](RiderInput &in) {
            if (sim.race.tick % 64 != 0)
                return;
            in.throttle = unit(random);
            in.steer = unit(random) * 2 - 1;
            in.front_brake = unit(random) < 0.1f ? 1 : 0;
            in.clutch = 1;
            in.lean = unit(random) - 0.5f;
            in.sit_dab = unit(random) < 0.05f ? 1 : 0;
        });
    }
    // Half a minute in the suite; RUTVALE_STRESS_SECONDS asks for longer runs.
    const char *asked = getenv("RUTVALE_STRESS_SECONDS");
    const int seconds = asked ? std::max(1, atoi(asked)) : 30;
    bool finite = true, whole = true;
    float fastest = 0;
    for (int tick = 0; tick < seconds * 128; ++tick) {
        sim_tick(&sim);
        if (tick % 128 == 0)
            for (Rider *r : riders) {
                const dReal *frame = dBodyGetPosition(r->bodies[FRAME]);
                for (dBodyID b : r->bodies) {
                    const dReal *p = dBodyGetPosition(b), *v = dBodyGetLinearVel(b);
                    for (int i = 0; i < 3; ++i)
                        finite = finite && std::isfinite(p[i]) && std::isfinite(v[i]);
                    double dx = p[0] - frame[0], dy = p[1] - frame[1], dz = p[2] - frame[2];
                    whole = whole && dx * dx + dy * dy + dz * dz < 15 * 15; // a thrown body stays roped on
                    fastest = std::max(fastest, (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
                }
            }
    }
    EXPECT_TRUE(finite);
    EXPECT_TRUE(whole);
    EXPECT_LT(fastest, 150); // nothing is flung off
    printf("%d s of 40 riders: fastest body %.0f ft/s\n", seconds, fastest);
    for (Rider *r : riders)
        EXPECT_TRUE(std::isfinite(r->engine_speed));
    sim_destroy(&sim);
    unload_track(&track);
    use_game_folders("", "");
}

} // namespace
