// Rider snapshots: encoding, applying, blending, the ring and dead
// reckoning.
#include "physics/aids.h"
#include "physics/rider.h"
#include "race/race.h"
#include "race/sim_fixture.h"
#include "race/snapshot.h"
#include "test_folders.h"
#include "track/track.h"
#include "track/track_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Riders on a flat 2048 ft square, the game's collision shapes loaded.
class Snapshots : public ::testing::Test
{
  protected:
    Track track;
    Sim sim;
    TempDir home;
    void SetUp() override
    {
        use_game_folders(home.path, GAME_DIR);
        track.terrain = memory_terrain(
            8, 4, [](int, int) { return 0.0f; }, true);
        sim_create(&sim, &track);
    }
    void TearDown() override
    {
        sim_destroy(&sim);
        use_game_folders("", "");
    }
    // A rider riding a turn, its suspension and steering working.
    Rider *riding(int slot)
    {
        Rider *r = sim_put_rider(&sim, slot, "yz250f(2009)");
        rider_place(r, 500 + 100.0f * slot, 900, 0);
        set_clutch(r, 1);
        sim_drive(&sim, slot, [](RiderInput &in) {
            in.throttle = 0.8f;
            in.steer = 0.3f;
        });
        return r;
    }
    double angle(dJointID j) { return dJointGetHingeAngle(j); }
};

TEST_F(Snapshots, AppliedSnapshotsRebuildTheRiderAndEncodeTheSame)
{
    Rider *r = riding(0);
    Rider *copy = sim_put_rider(&sim, 1, "yz250f(2009)");
    sim.race.slots[1].kind = KIND_REPLAYED; // set by snapshots only
    rider_disable(copy);
    sim_run(&sim, 2.5f);
    RiderSnapshot s = snapshot_encode(*r, track.terrain);
    snapshot_apply(copy, track.terrain, s, 0);
    RiderSnapshot again = snapshot_encode(*copy, track.terrain);
    for (int k = 0; k < SNAPSHOT_BYTES; ++k)
        EXPECT_NEAR(again.bytes[k], s.bytes[k], 1) << "byte " << k;
    // Every body where the original's is, within the quantisation.
    for (int b = 0; b < RIDER_BODIES; ++b) {
        const dReal *p = dBodyGetPosition(r->bodies[b]), *q = dBodyGetPosition(copy->bodies[b]);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(q[i], p[i], 0.05) << "body " << b << " axis " << i;
    }
    EXPECT_NEAR(angle(copy->joints[STEERING_HEAD]), angle(r->joints[STEERING_HEAD]), 0.01);
    EXPECT_NEAR(angle(copy->joints[SWINGARM_PIVOT]), angle(r->joints[SWINGARM_PIVOT]), 0.01);
    EXPECT_NEAR(dJointGetSliderPosition(copy->joints[FORK_SLIDE]), dJointGetSliderPosition(r->joints[FORK_SLIDE]),
                0.01);
    EXPECT_NEAR(angle(copy->joints[FRONT_AXLE]), angle(r->joints[FRONT_AXLE]), 0.03);
    EXPECT_NEAR(angle(copy->joints[REAR_AXLE]), angle(r->joints[REAR_AXLE]), 0.03);
    EXPECT_EQ(copy->gear, r->gear);
    EXPECT_NEAR(copy->engine_speed, r->engine_speed, 1);

    // Two snapshots a tick apart give the bodies their velocities.
    sim_run(&sim, 1.0f / 128);
    snapshot_apply(copy, track.terrain, snapshot_encode(*r, track.terrain), 1);
    const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]), *u = dBodyGetLinearVel(copy->bodies[FRAME]);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(u[i], v[i], 1.0) << i;
    const dReal *w = dBodyGetAngularVel(r->bodies[FRONT_WHEEL]), *x = dBodyGetAngularVel(copy->bodies[FRONT_WHEEL]);
    EXPECT_NEAR(x[0], w[0], 2.0) << "the wheel spins as the original's";
}

TEST_F(Snapshots, FieldsAreClampedAndDecodedValuesEncodeBack)
{
    Rider *r = sim_put_rider(&sim, 0, "kx125");
    rider_place(r, 100, 100, 0);
    rider_translate(r, -500, -50, 5000); // off the square and below it
    RiderSnapshot s = snapshot_encode(*r, track.terrain);
    EXPECT_EQ(s.bytes[0] | s.bytes[1] | s.bytes[2], 0) << "x clamped to 0";
    EXPECT_EQ(s.bytes[3] | s.bytes[4] | s.bytes[5], 0) << "y clamped to the lowest height";
    EXPECT_EQ(s.bytes[6] & s.bytes[7] & s.bytes[8], 255) << "z clamped to the side";

    Rider *copy = sim_put_rider(&sim, 1, "kx125");
    snapshot_apply(copy, track.terrain, s, 0);
    RiderSnapshot again = snapshot_encode(*copy, track.terrain);
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(again.bytes[k], s.bytes[k]) << k;

    // A crashed rider: gear bits 7, the time left in the high nibble.
    const struct {
        int crash_timer, high;
    } crashes[] = {{512, 15}, {128, 15}, {127, 14}, {1, 0}};
    for (const auto &c : crashes) {
        r->crash_timer = c.crash_timer;
        uint8_t state = snapshot_encode(*r, track.terrain).bytes[36];
        EXPECT_EQ(state & 7, 7);
        EXPECT_EQ(state >> 4, c.high) << c.crash_timer;
    }

    // Garbage bytes give a rider at finite places with a unit orientation.
    RiderSnapshot junk;
    for (int k = 0; k < SNAPSHOT_BYTES; ++k)
        junk.bytes[k] = (uint8_t)(k * 37 + 11);
    for (int k = 9; k < 17; ++k)
        junk.bytes[k] = 0x80 * (k == 10); // a near-zero quaternion
    snapshot_apply(copy, track.terrain, junk, 3);
    for (int b = 0; b < RIDER_BODIES; ++b) {
        const dReal *p = dBodyGetPosition(copy->bodies[b]), *v = dBodyGetLinearVel(copy->bodies[b]);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(std::isfinite(p[i]) && std::isfinite(v[i])) << b;
    }
    ASSERT_EQ(junk.bytes[36], 0x3f); // crashed, time left 3/15
    EXPECT_EQ(copy->crash_timer, 3 * 127 / 15 + 1);
}

TEST(SnapshotBlend, WheelsTurnForwardAcrossTheWrapAndStatesKeepTheCrash)
{
    RiderSnapshot a = {}, b = {};
    a.bytes[34] = (uint8_t)std::lround(0.95 * 255);
    b.bytes[34] = (uint8_t)std::lround(0.05 * 255);
    a.bytes[35] = 100;
    b.bytes[35] = 120;
    a.bytes[36] = 0x30 | 2;
    b.bytes[36] = 0x50 | 4;
    a.bytes[17] = 0;
    b.bytes[17] = 200;
    a.bytes[9 + 1] = b.bytes[9 + 1] = 0xff; // w = 1
    RiderSnapshot m = snapshot_lerp(a, b, 0.5f);
    EXPECT_TRUE(m.bytes[34] <= 1 || m.bytes[34] >= 254) << (int)m.bytes[34];
    EXPECT_EQ(m.bytes[35], 110);
    EXPECT_EQ(m.bytes[36], 0x30 | 3) << "the high nibble of the older";
    EXPECT_EQ(m.bytes[17], 100);
    RiderSnapshot end = snapshot_lerp(a, b, 1);
    EXPECT_EQ(end.bytes[17], 200);
}

TEST(SnapshotRings, SamplesStoredBlendedOrNone)
{
    SnapshotRing ring;
    ring_clear(&ring);
    Terrain flat;
    RiderSnapshot none = ring_sample(ring, 10, nullptr, flat);
    EXPECT_EQ(none.bytes[0] | none.bytes[17], 0) << "nothing stored, no rider: zeros";
    RiderSnapshot a = {}, b = {}, early = {};
    a.bytes[17] = 10;
    b.bytes[17] = 50;
    early.bytes[17] = 3;
    ring_store(&ring, 96, early);
    ring_store(&ring, 100, a);
    ring_store(&ring, 104, b);
    ring_store(&ring, 104, a); // once per tick
    EXPECT_EQ(ring.newest_tick, 104);
    EXPECT_EQ(ring_sample(ring, 104, nullptr, flat).bytes[17], 50) << "a stored tick: its snapshot";
    EXPECT_EQ(ring_sample(ring, 101, nullptr, flat).bytes[17], 20) << "between: blended";
    EXPECT_EQ(ring_sample(ring, 100, nullptr, flat).bytes[17], 10);
    EXPECT_EQ(ring_sample(ring, 96, nullptr, flat).bytes[17], 0) << "nothing before it: the rider as it is";
    for (int t = 105; t < 105 + SNAPSHOT_RING; ++t)
        ring_store(&ring, t, b);
    EXPECT_EQ(ring_sample(ring, 50, nullptr, flat).bytes[17], 0) << "older than the whole ring";
}

TEST_F(Snapshots, DeadReckoningMovesOnAndStaysAboveTheGround)
{
    Rider *r = sim_put_rider(&sim, 0, "kx125");
    rider_place(r, 300, 300, 0);
    snapshot_apply(r, track.terrain, snapshot_encode(*r, track.terrain), 0);
    for (dBodyID b : r->bodies)
        dBodySetLinearVel(b, 10, -200, 0);
    dead_reckon(r, track.terrain, 64);
    const dReal *p = dBodyGetPosition(r->bodies[FRAME]);
    EXPECT_NEAR(p[0], r->saved_positions[FRAME][0] + 5, 1e-3);
    float radius = r->spec.front.ring_radius + r->spec.front.tube_radius;
    EXPECT_NEAR(p[1], radius, 1e-3) << "falling fast, it stops a wheel's radius above the ground";
    dBodySetLinearVel(r->bodies[FRAME], 0, 0, 0);
    dead_reckon(r, track.terrain, 64);
    EXPECT_NEAR(dBodyGetPosition(r->bodies[FRAME])[1], r->saved_positions[FRAME][1], 1e-3) << "at rest it stays";
}

} // namespace
