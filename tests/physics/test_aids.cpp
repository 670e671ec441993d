// Rider inputs, bike setup and riding with the aids, on flat ground.
#include "physics/aids.h"
#include "physics/contact.h"
#include "physics/crash.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "track/track.h"

#include "race/sim_fixture.h"
#include "test_folders.h"
#include "track/track_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

const float mph = 1.46666666666666656f; // ft/s

// Flat ground of 2048 ft square with one default surface.
class Riding : public ::testing::Test
{
  protected:
    Track track;
    Sim sim;
    Rider *r = nullptr;
    TempDir home;
    void SetUp() override
    {
        use_game_folders(home.path, GAME_DIR); // the game's collision shapes
        track.terrain = memory_terrain(
            8, 4, [](int, int) { return 0.0f; }, true);
        sim_create(&sim, &track);
    }
    void TearDown() override
    {
        sim_destroy(&sim);
        use_game_folders("", "");
    }
    // A rider with the default setup (stability 100: direct steering 0,
    // roll damping 80, roll limit 35 degrees, factor 32), arcade or not.
    void make_rider(bool arcade)
    {
        r = sim_put_rider(&sim, 0, "yz250f(2009)");
        rider_place(r, 1024, 1900, 0);
        BikeSetup b;
        b.arcade = arcade;
        b.roll_damping = 80;
        b.roll_limit_angle = 35;
        b.roll_limit_factor = 32;
        b.direct_steering = 0;
        apply_bike_setup(r, b);
        set_clutch(r, 1);
    }
    float speed() const
    {
        const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
        return (float)std::sqrt(v[0] * v[0] + v[2] * v[2]);
    }
    // Runs seconds of ticks with inputs set before each controller step.
    void run(float seconds, const std::function<void(RiderInput &)> &inputs)
    {
        sim_drive(&sim, 0, inputs);
        sim_run(&sim, seconds);
    }
    bool upright() const
    {
        return std::fabs(bike_lean_angle(r, FRAME)) < 1.0f && dBodyGetRotation(r->bodies[FRAME])[5] > 0.3;
    }
    // Brings the bike to a speed in a straight line.
    void reach(float target)
    {
        for (int k = 0; k < 30 * 128 && speed() < target; k += 16)
            run(0.125f, [](RiderInput &in) { in.throttle = 1; });
    }
};

TEST(Inputs, SettersClampAndCrashesHoldSome)
{
    Rider r = {};
    set_throttle(&r, 2);
    set_steer(&r, -3);
    set_lean(&r, 0.5f);
    EXPECT_EQ(r.throttle, 1);
    EXPECT_EQ(r.steer, -1);
    EXPECT_EQ(r.lean, 0.5f);
    r.crash_timer = 10;
    set_throttle(&r, 1);
    set_lean(&r, 1);
    set_sit_dab(&r, 1);
    set_back_up(&r, 1);
    set_front_brake(&r, 0.7f);
    EXPECT_EQ(r.throttle, 0);
    EXPECT_EQ(r.lean, 0);
    EXPECT_EQ(r.sit_dab, 0);
    EXPECT_EQ(r.back_up, 0);
    EXPECT_FLOAT_EQ(r.front_brake, 0.7f);
}

TEST_F(Riding, SetupIsConvertedAndClamped)
{
    make_rider(true);
    BikeSetup b;
    b.max_dab_mph = 10;
    b.roll_limit_angle = 90;
    b.stop_wheelies = 2;
    b.front_sprocket = 1;
    b.rear_sprocket = -2;
    b.fork_compression = 150; // 1.5 + 0.5 = 2: twice the catalogue damping
    b.fork_spring_rate = 0;
    b.arcade_allowed = false;
    apply_bike_setup(r, b);
    EXPECT_FLOAT_EQ(r->max_dab_speed, 16);
    EXPECT_NEAR(r->roll_limit_angle, M_PI / 2, 1e-6);
    EXPECT_TRUE(r->flags & RIDER_STOPPIE_CONTROL);
    EXPECT_FALSE(r->flags & RIDER_WHEELIE_CONTROL);
    EXPECT_FALSE(r->flags & RIDER_ARCADE); // the server forbids it
    EXPECT_FLOAT_EQ(r->final_drive_ratio, 46.0f / 14);
    EXPECT_FLOAT_EQ(r->fork_compression_damping, 2 * r->spec.fork_compression_damping);
    EXPECT_FLOAT_EQ(r->fork_spring_rate, r->spec.fork_spring_rate[0]);
    b.max_dab_mph = 25;
    apply_bike_setup(r, b);
    EXPECT_FLOAT_EQ(r->max_dab_speed, 30);
}

TEST_F(Riding, LeanAngleAndSteeringController)
{
    make_rider(false);
    EXPECT_NEAR(bike_lean_angle(r, FRAME), 0, 1e-6);
    // The bike faces -z; turning it about +z leans its top to the left.
    rider_rotate(r, 0, 0, 1, 0.3f);
    EXPECT_NEAR(bike_lean_angle(r, FRAME), 0.3f, 1e-5);
    rider_rotate(r, 0, 0, 1, -0.3f);
    EXPECT_NEAR(bike_lean_angle(r, FRAME), -0.3f, 1e-5);
    rider_place(r, 1024, 1900, 0);
    EXPECT_NEAR(steer_toward(r, 0.5f), 2.0f / 3, 1e-6); // strong pull, clamped
    EXPECT_EQ(steer_toward(r, 0.02f), 0);               // inside the dead band
    EXPECT_EQ(allowed_lean(r, 0, 4), 0);
    EXPECT_FLOAT_EQ(allowed_lean(r, 40, 4), 2 * (float)M_PI);
}

TEST_F(Riding, FullThrottlePullsAwayShiftsAndKeepsAccelerating)
{
    for (bool arcade : {true, false}) {
        make_rider(arcade);
        float at[3];
        int gear_at_start = r->gear;
        run(2, [](RiderInput &in) { in.throttle = 1; });
        at[0] = speed();
        run(2, [](RiderInput &in) { in.throttle = 1; });
        at[1] = speed();
        run(4, [](RiderInput &in) { in.throttle = 1; });
        at[2] = speed();
        printf("%s: %.1f, %.1f, %.1f mph after 2, 4, 8 s, gear %d\n", arcade ? "arcade" : "normal", at[0] / mph,
               at[1] / mph, at[2] / mph, r->gear + 1);
        EXPECT_TRUE(upright());
        EXPECT_GT(at[0], 10 * mph);
        EXPECT_GT(at[1], at[0]);
        EXPECT_GE(at[2], at[1]);
        EXPECT_LT(at[2], 80 * mph);
        EXPECT_GT(r->gear, gear_at_start);
        sim.race.tick = 0;
    }
}

// Holding steer circles steadily: arcade at 20 mph; in normal mode the
// steer input sets a target lean only below the dab speed (above it, it
// asks for a roll rate and the bike keeps leaning over), so at 10 mph.
TEST_F(Riding, HoldingSteerCirclesSteadilyBothWays)
{
    for (bool arcade : {true, false}) {
        for (float steer : {0.5f, -0.5f}) {
            float cruise = (arcade ? 20 : 10) * mph;
            make_rider(arcade);
            reach(cruise);
            auto hold = [&](RiderInput &in) {
                in.steer = steer;
                in.throttle = speed() < cruise ? 1.0f : 0.2f;
            };
            run(4, hold);
            float lean = bike_lean_angle(r, FRAME);
            float min_x = 1e9f, max_x = -1e9f, body_off = 0;
            for (int k = 0; k < 64; ++k) {
                run(0.125f, hold);
                float x = (float)dBodyGetPosition(r->bodies[FRAME])[0];
                min_x = std::min(min_x, x);
                max_x = std::max(max_x, x);
                // The rider's body stays in the bike's upright plane.
                const dReal *t = dBodyGetPosition(r->bodies[RIDER_TORSO]);
                dVector3 rel;
                dBodyGetPosRelPoint(r->bodies[FRAME], t[0], t[1], t[2], rel);
                body_off = std::max(body_off, (float)std::fabs(rel[0]));
            }
            EXPECT_LT(body_off, 0.25f) << arcade << steer;
            EXPECT_TRUE(upright()) << arcade << steer;
            EXPECT_LT(lean * steer, -0.1f) << arcade << steer; // leaning into the turn
            EXPECT_NEAR(bike_lean_angle(r, FRAME), lean, 0.1f) << arcade << steer;
            float diameter = max_x - min_x;
            printf("%s steer %.1f at %.1f mph: lean %.2f rad, circle %.0f ft across\n", arcade ? "arcade" : "normal",
                   steer, speed() / mph, lean, diameter);
            EXPECT_GT(diameter, 20);
            EXPECT_LT(diameter, 300);
            sim.race.tick = 0;
        }
    }
}

TEST_F(Riding, HardBrakingStopsUprightInAStraightLine)
{
    make_rider(true);
    reach(40 * mph);
    float x0 = (float)dBodyGetPosition(r->bodies[FRAME])[0], z0 = (float)dBodyGetPosition(r->bodies[FRAME])[2];
    run(6, [](RiderInput &in) {
        in.throttle = 0;
        in.front_brake = 1;
        in.rear_brake = 1;
    });
    EXPECT_LT(speed(), 1);
    EXPECT_TRUE(upright());
    float sideways = (float)dBodyGetPosition(r->bodies[FRAME])[0] - x0;
    float distance = z0 - (float)dBodyGetPosition(r->bodies[FRAME])[2];
    printf("braking from 40 mph: stopped in %.0f ft, %.1f ft sideways\n", distance, sideways);
    EXPECT_LT(std::fabs(sideways), distance * 0.08f); // within a few degrees of straight
}

TEST_F(Riding, ReleasedAtThirtyItRollsOnAndSlows)
{
    make_rider(true);
    reach(30 * mph);
    run(3, [](RiderInput &in) { in.throttle = 0; });
    EXPECT_TRUE(upright());
    EXPECT_LT(speed(), 30 * mph);
    EXPECT_GT(speed(), 5 * mph);
}

TEST_F(Riding, StoppedItDabsAndBackingUpWalksItBackward)
{
    make_rider(true);
    run(3, [](RiderInput &) {});
    EXPECT_TRUE(upright());
    EXPECT_GT(r->dab_amount, 0);
    float z0 = (float)dBodyGetPosition(r->bodies[FRAME])[2];
    run(2, [](RiderInput &in) { in.back_up = 1; });
    // Backward is +z for a bike facing -z.
    EXPECT_GT(dBodyGetPosition(r->bodies[FRAME])[2], z0 + 1);
    EXPECT_TRUE(upright());
}

TEST_F(Riding, AStillThrownRiderIsBackOnAfterExactly512Ticks)
{
    make_rider(true);
    run(2, [](RiderInput &) {});
    rider_eject(r);
    EXPECT_EQ(r->crash_timer, CRASH_TICKS);
    EXPECT_EQ(dJointGetBody(r->joints[RIDER_MOUNT], 0), nullptr);
    int ticks_off = 0;
    while (r->crash_timer > 0 && ticks_off < 5000) {
        run(1.0f / 128, [](RiderInput &) {});
        ++ticks_off;
    }
    printf("a thrown rider lying still was back on after %d ticks\n", ticks_off);
    EXPECT_NEAR(ticks_off, CRASH_TICKS, 64); // it may roll a little first
    EXPECT_NE(dJointGetBody(r->joints[RIDER_MOUNT], 0), nullptr);
}

TEST_F(Riding, HittingAStatueAtThirtyThrowsTheRiderWhoComesBackAfterResting)
{
    make_rider(true);
    reach(30 * mph);
    // A wall of one big sphere at rider height, 100 ft ahead on its way.
    const dReal *at = dBodyGetPosition(r->bodies[FRAME]), *v = dBodyGetLinearVel(r->bodies[FRAME]);
    static SphereShape wall;
    wall.spheres = {{0, 4, 0, 3, 0.5f, 5000, 100}};
    wall.bounding_radius = 7;
    wall.source = &wall;
    Statue statue;
    statue.shape = &wall;
    statue.x = (float)(at[0] + v[0] / speed() * 100);
    statue.z = (float)(at[2] + v[2] / speed() * 100);
    statue.angle = 0;
    track.objects.statues.push_back(statue);
    rebin_statues(&track);
    physics_world_set_track(&sim.physics, &track);
    bool thrown = false;
    int rest_tick = -1, back_tick = -1;
    sim_drive(&sim, 0, [&](RiderInput &in) { in.throttle = speed() < 30 * mph ? 1.0f : 0.2f; });
    for (int n = 0; n < 30 * 128 && back_tick < 0; ++n) {
        sim_tick(&sim);
        thrown = thrown || r->crash_timer == CRASH_TICKS;
        if (thrown && rest_tick < 0 && r->crash_timer < CRASH_TICKS)
            rest_tick = n;
        if (thrown && r->crash_timer == 0)
            back_tick = n;
    }
    track.objects = TrackObjects();
    physics_world_set_track(&sim.physics, &track);
    ASSERT_TRUE(thrown);
    ASSERT_GT(back_tick, 0);
    printf("thrown by the statue; back on %.2f s after the body came to rest\n", (back_tick - rest_tick) / 128.0);
    // 512 ticks of rest; the pull back onto the seat moves the body and
    // pauses the count now and then.
    EXPECT_GE(back_tick - rest_tick, CRASH_TICKS);
    EXPECT_LT(back_tick - rest_tick, 2 * CRASH_TICKS);
}

TEST_F(Riding, HeadOnRidersBothGetTheBumpTimer)
{
    r = sim_put_rider(&sim, 0, "yz250f(2009)");
    Rider *other = sim_put_rider(&sim, 1, "kx125", "2");
    rider_place(r, 1024, 1000, 0);              // facing -z
    rider_place(other, 1024, 985, (float)M_PI); // facing +z, towards it
    for (dBodyID b : r->bodies)
        dBodySetLinearVel(b, 0, 0, -20);
    for (dBodyID b : other->bodies)
        dBodySetLinearVel(b, 0, 0, 20);
    // Only the collision and the world step: the timers as the contact set them.
    sim.stages = SIM_RIDER_COLLISIONS;
    for (int tick = 0; tick < 128 && r->last_rider_contact_tick < 0; ++tick)
        sim_tick(&sim);
    EXPECT_EQ(r->bump_timer, 192);
    EXPECT_EQ(other->bump_timer, 192);
    EXPECT_EQ(other->last_rider_contact_tick, r->last_rider_contact_tick);
}

TEST_F(Riding, RammingFromBehindBumpsOnlyTheRammer)
{
    r = sim_put_rider(&sim, 0, "yz250f(2009)");
    Rider *ahead = sim_put_rider(&sim, 1, "yz250f(2009)", "2");
    rider_place(r, 1024, 1000, 0);
    rider_place(ahead, 1024, 991, 0);
    for (dBodyID b : r->bodies)
        dBodySetLinearVel(b, 0, 0, -12);
    sim.stages = SIM_RIDER_COLLISIONS;
    for (int tick = 0; tick < 256 && r->last_rider_contact_tick < 0; ++tick)
        sim_tick(&sim);
    EXPECT_EQ(r->bump_timer, 256);
    EXPECT_EQ(ahead->bump_timer, 0);
}

} // namespace
