// The bike catalogue, rider assembly, suspension, ground contacts and engine.
#include "physics/catalogue.h"
#include "physics/contact.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "race/sim_fixture.h"
#include "track/track.h"
#include "track/track_fixture.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace
{

// A flat ground at height 0 (or tilted), 64 x 64 ft, one default surface.
Terrain flat_ground(float slope_x = 0)
{
    return memory_terrain(
        4, 2, [&](int i, int) { return slope_x * (float)i * 2; }, true);
}

// One rider at a time in slot 0 of a simulation on flat ground.
class BikeWorld : public ::testing::Test
{
  protected:
    Track track;
    Sim sim;
    void SetUp() override
    {
        track.terrain = flat_ground();
        sim_create(&sim, &track);
    }
    void TearDown() override { sim_destroy(&sim); }
    Rider *make(const char *bike, const char *number = "1") { return sim_put_rider(&sim, 0, bike, number); }
};

TEST(Catalogue, EighteenBikesInOrderWithTheirCharacter)
{
    const BikeSpec *c = bike_catalogue();
    const char *order[CATALOGUE_BIKES] = {
        "crf250(2009)", "kx250f(2009)", "rmz250(2009)", "yz250f(2009)", "crf250(2008)", "kx250f(2008)",
        "rmz250(2008)", "yz250f(2008)", "cr125",        "kx125",        "rm125",        "yz125",
        "125sx",        "crf250(2007)", "kx250f(2007)", "rmz250(2007)", "yz250f(2007)", "yz250f_se(2006)"};
    for (int k = 0; k < CATALOGUE_BIKES; ++k) {
        EXPECT_STREQ(c[k].name, order[k]);
        EXPECT_EQ(c[k].two_stroke, strstr(order[k], "125") ? 1 : 0);
        // A hard limiter: zero just past the rev limit, negative above.
        int limiter = (int)((c[k].rev_limit + 250) / 500 + 0.5f);
        EXPECT_EQ(c[k].full_torque[limiter], 0) << order[k];
        EXPECT_LT(c[k].full_torque[limiter + 1], 0) << order[k];
        EXPECT_EQ(c[k].closed_torque[0], 2);
        EXPECT_EQ(c[k].closed_torque[3], 0);
        EXPECT_LT(c[k].closed_torque[4], 0);
    }
    const BikeSpec *yz = bike_find("yz250f(2007)");
    const float start[14] = {5, 5, 5, 5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15};
    for (int i = 0; i < 14; ++i)
        EXPECT_FLOAT_EQ(yz->full_torque[i], start[i]);
    EXPECT_FLOAT_EQ(yz->full_torque[16], 18.3f);
    EXPECT_FLOAT_EQ(yz->full_torque[17], 18.3f);
    EXPECT_FLOAT_EQ(yz->full_torque[26], 12.7f);
    EXPECT_FLOAT_EQ(yz->full_torque[28], -1);
    EXPECT_FLOAT_EQ(yz->full_torque[30], -2);
    EXPECT_FLOAT_EQ(yz->closed_torque[49], -23);
    EXPECT_LE(yz->gear_ratios[5], 0); // five speeds
    EXPECT_EQ(bike_find("YZ250F(2007)"), nullptr);
}

TEST(Catalogue, UnknownBikesAreSubstituted)
{
    EXPECT_STREQ(bike_or_substitute("yz250f(2010)")->name, "kx250f(2009)");
    EXPECT_STREQ(bike_or_substitute("xr125")->name, "cr125");
    EXPECT_STREQ(bike_or_substitute("vespa")->name, "kx250f(2009)");
    EXPECT_STREQ(bike_or_substitute("rm125")->name, "rm125");
}

TEST_F(BikeWorld, EveryBikeIsCreatedAndDestroyed)
{
    for (int k = 0; k < CATALOGUE_BIKES; ++k) {
        const BikeSpec &s = bike_catalogue()[k];
        Rider *r = rider_create(&sim.physics, s.name, k, "12345678901");
        EXPECT_STREQ(r->number, "1234567");
        float expected = s.frame_mass + s.rider_mass + 2 * s.fork_mass + 2 * s.swingarm_side_mass + s.front.hub_mass +
                         s.front.tyre_mass + s.rear.hub_mass + s.rear.tyre_mass;
        EXPECT_NEAR(r->total_mass, expected, 1e-4) << s.name;
        EXPECT_EQ(dJointGetSliderPosition(r->joints[FORK_SLIDE]), 0);
        rider_destroy(r);
    }
}

TEST_F(BikeWorld, PlacementRaisesInQuarterFeetUntilClear)
{
    Rider *r = make("crf250(2009)");
    // The catalogue layout stands the wheels 0.07 ft into flat ground.
    float raised = rider_place(r, 32, 32, 0.5f);
    EXPECT_GT(raised, 0);
    EXPECT_FLOAT_EQ(raised / 0.25f, std::round(raised / 0.25f));
    EXPECT_EQ(rider_ground_contacts(r), 0);
    physics_contacts_clear(&sim.physics);
    rider_translate(r, 0, -0.25f, 0);
    EXPECT_NE(rider_ground_contacts(r), 0);
    physics_contacts_clear(&sim.physics);
}

TEST_F(BikeWorld, UprightBikeSettlesWithinItsTravel)
{
    Rider *r = make("yz250f(2007)");
    rider_place(r, 32, 32, 0);
    r->front_brake = r->rear_brake = 1;
    for (int n = 0; n < 3 * 128; ++n) {
        sim_tick(&sim);
        // Held upright: the frame may only pitch (about world x, as it faces -z).
        const dReal *w = dBodyGetAngularVel(r->bodies[FRAME]);
        dBodySetAngularVel(r->bodies[FRAME], w[0], 0, 0);
    }
    float fork = (float)dJointGetSliderPosition(r->joints[FORK_SLIDE]);
    float swing = (float)dJointGetHingeAngle(r->joints[SWINGARM_PIVOT]);
    EXPECT_LT(fork, -0.02f);               // it sags
    EXPECT_GT(fork, -r->spec.fork_travel); // but stays off the stop
    EXPECT_LT(swing, -0.01f);
    EXPECT_GT(swing, -r->spec.swingarm_travel);
    const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
    EXPECT_LT(std::fabs(v[1]), 0.2) << fork << " " << swing; // at rest
    const dReal *up = dBodyGetRotation(r->bodies[FRAME]);
    EXPECT_GT(up[5], 0.95); // still upright
}

TEST(Suspension, ForceFormulas)
{
    Rider r = {};
    r.spec = *bike_find("yz250f(2007)");
    r.fork_spring_rate = 600;
    r.fork_preload = 0.05f;
    r.fork_air_gap = 0.4167f;
    r.fork_compression_damping = 60;
    r.fork_rebound_damping = 30;
    EXPECT_EQ(fork_force(&r, 0, 0), 0); // fully extended: nothing, whatever the preload
    float L = 1, g = 0.4167f;
    float at_stop = fork_force(&r, -L, 0);
    EXPECT_NEAR(at_stop, 600 * (0.05f + L) + 82.46169f * ((L + g) / g - 1), 1e-2);
    EXPECT_LT(fork_force(&r, -0.5f, -1), fork_force(&r, -0.5f, 0) + 60.001f);
    r.shock_spring_rate = 3000;
    r.shock_compression_damping = 800;
    r.shock_rebound_damping = 600;
    EXPECT_EQ(shock_torque(&r, 0, 0), 0);
    EXPECT_GT(shock_torque(&r, -0.2f, 0), 0);
}

TEST(WheelContactRules, SoftnessFromDepth)
{
    float kp, kd;
    wheel_softness(0.3333f / 2, 0.3333f, &kp, &kd);
    EXPECT_FLOAT_EQ(kp, 4000);
    EXPECT_FLOAT_EQ(kd, 487.5f);
    wheel_softness(1, 0.3333f, &kp, &kd);
    EXPECT_FLOAT_EQ(kp, 25000);
    EXPECT_FLOAT_EQ(kd, 2500);
}

// The distance from the core circle to the terrain, by brute force over a
// fine grid of points on every nearby triangle.
float brute_force_depth(const Terrain &t, const float c[3], const float axle[3], float R, float r)
{
    float best = 1e9f;
    for (float x = c[0] - R - r - 0.5f; x <= c[0] + R + r + 0.5f; x += 0.01f) {
        for (float z = c[2] - R - r - 0.5f; z <= c[2] + R + r + 0.5f; z += 0.01f) {
            float p[3] = {x, terrain_height(t, x, z), z};
            float off[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
            float along = off[0] * axle[0] + off[1] * axle[1] + off[2] * axle[2];
            float radial[3] = {off[0] - axle[0] * along, off[1] - axle[1] * along, off[2] - axle[2] * along};
            float rho = std::sqrt(radial[0] * radial[0] + radial[1] * radial[1] + radial[2] * radial[2]);
            float d = std::sqrt((rho - R) * (rho - R) + along * along);
            best = std::min(best, d);
        }
    }
    return r - best;
}

TEST(WheelContactRules, TorusTestMatchesBruteForce)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0, 1);
    Terrain t = memory_terrain(3, 1.5f, [&](int, int) { return unit(random) * 0.8f; });
    for (int trial = 0; trial < 12; ++trial) {
        float c[3] = {8 + unit(random) * 8, 0, 8 + unit(random) * 8};
        float yaw = unit(random) * 6.283f, roll = (unit(random) - 0.5f) * 1.2f;
        float axle[3] = {std::cos(yaw) * std::cos(roll), std::sin(roll), std::sin(yaw) * std::cos(roll)};
        c[1] = terrain_height(t, c[0], c[2]) + 0.8333f + 0.2f * unit(random);
        GroundContact g = torus_contact(t, c, axle, 0.8333f, 0.3333f);
        float expected = brute_force_depth(t, c, axle, 0.8333f, 0.3333f);
        if (expected <= 0) {
            EXPECT_LE(g.depth, 0.02f) << trial;
            continue;
        }
        EXPECT_NEAR(g.depth, expected, 0.02f) << trial;
        EXPECT_NEAR(std::sqrt(g.normal[0] * g.normal[0] + g.normal[1] * g.normal[1] + g.normal[2] * g.normal[2]), 1,
                    1e-4);
        EXPECT_GT(g.normal[1], 0) << trial;
    }
}

TEST_F(BikeWorld, RollingResistanceFadesBelowOneFootPerSecond)
{
    Rider *r = make("crf250(2009)");
    rider_place(r, 32, 32, 0);
    rider_translate(r, 0, -0.3f, 0); // wheels pressed into the ground
    auto resistance = [&](double speed) {
        dBodySetLinearVel(r->bodies[FRONT_WHEEL], 0, 0, -speed);
        dBodySetForce(r->bodies[FRONT_WHEEL], 0, 0, 0);
        rider_ground_contacts(r);
        physics_contacts_clear(&sim.physics);
        return (float)dBodyGetForce(r->bodies[FRONT_WHEEL])[2];
    };
    float at_one = resistance(1.0), at_half = resistance(0.5), fast = resistance(20);
    EXPECT_GT(at_one, 0); // against the motion (towards +z)
    EXPECT_NEAR(at_half, at_one / 2, 1e-3);
    float q = std::min(1.0f, r->front_contact.depth / r->front_contact.tube_radius);
    EXPECT_NEAR(fast, 5 + 10 * q, 1e-3); // default curve: low 5, high 15
}

TEST_F(BikeWorld, EngineEdgeCases)
{
    Rider *r = make("yz250f(2007)");
    rider_place(r, 32, 32, 0);
    // Clutch pulled, throttle open: the engine revs freely to its limiter.
    r->clutch = 0;
    r->throttle = 1;
    for (int n = 0; n < 4 * 128; ++n)
        engine_step(r, n);
    EXPECT_GT(engine_rpm(r), 13250);
    EXPECT_LT(engine_rpm(r), 13250 + 200);

    // 6000 rpm with the auto clutch at 5000: half engaged.
    r->engine_speed = 6000 / 9.549296585513721f;
    r->clutch = 1;
    r->auto_clutch_speed = 5000;
    EXPECT_FLOAT_EQ(clutch_engagement(r, 10), 0.5f);
    EXPECT_FLOAT_EQ(clutch_engagement(r, -10), 1); // engine braking is not held back

    // Antilock lets the front brake go while the contact slides at 2.1 ft/s.
    r->flags |= RIDER_FRONT_ANTILOCK;
    r->front_brake = 1;
    r->front_contact.depth = 0.1f;
    r->rear_contact.depth = 0.1f; // stoppie control would release it otherwise
    r->front_contact.velocity[0] = 2.1f;
    engine_step(r, 1);
    EXPECT_EQ(dJointGetHingeParam(r->joints[FRONT_AXLE], dParamFMax), 0);
    r->front_contact.velocity[0] = 1.9f;
    engine_step(r, 1);
    EXPECT_EQ(dJointGetHingeParam(r->joints[FRONT_AXLE], dParamFMax), 250);
    r->rear_contact.depth = 0; // the rear wheel lifts: stoppie control lets go
    engine_step(r, 1);
    EXPECT_EQ(dJointGetHingeParam(r->joints[FRONT_AXLE], dParamFMax), 0);

    // No automatic shift with the rear suspension fully extended.
    r->flags |= RIDER_AUTO_SHIFT;
    r->gear = 0;
    r->engine_speed = 12000;
    dBodySetAngularVel(r->bodies[REAR_WHEEL], -200, 0, 0);
    engine_step(r, 32);
    EXPECT_EQ(r->gear, 0);
}

TEST(Gears, ShiftingIsEdgeTriggeredAndSkipsMissingGears)
{
    Rider r = {};
    r.spec = *bike_find("crf250(2009)");
    for (int k = 0; k < 10; ++k)
        select_gear(&r, +1);
    EXPECT_EQ(r.gear, 4); // five speeds: sixth does not exist
    shift(&r, -1);
    shift(&r, -1); // held: once
    EXPECT_EQ(r.gear, 3);
    shift(&r, 0);
    shift(&r, -1);
    EXPECT_EQ(r.gear, 2);
    r.crash_timer = 5;
    shift(&r, 1);
    EXPECT_EQ(r.gear, 2);
}

TEST_F(BikeWorld, RemoteRidersKeepTheirVelocitiesExactly)
{
    Rider *r = make("kx125");
    rider_place(r, 32, 32, 0);
    for (dBodyID b : r->bodies)
        dBodySetLinearVel(b, 1.0 / 3, 7.1, -2.0 / 7);
    rider_save_velocities(r);
    dWorldQuickStep(sim.physics.world, 1.0 / 128);
    rider_restore_velocities(r);
    for (dBodyID b : r->bodies) {
        const dReal *v = dBodyGetLinearVel(b);
        EXPECT_EQ(v[0], 1.0 / 3);
        EXPECT_EQ(v[1], 7.1);
    }
}

} // namespace
