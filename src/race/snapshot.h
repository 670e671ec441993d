// Rider snapshots: a rider's visible state at one tick in 39 bytes, for
// demos and the network. All multi-byte fields are little-endian, every
// field a fraction of its range (W the terrain's side, Y0 its lowest
// height):
//
//   0  3  chassis x, y, z (3 bytes each): x in [0, W], y in [Y0, Y0 + W]
//   9  8  chassis orientation, quaternion w x y z (2 bytes each, -1..1)
//  17  1  steering angle (-pi/4..pi/4)
//  18  1  swingarm angle (-travel..0)
//  19  1  fork position (-travel..0)
//  20  6  torso position minus chassis position (2 bytes each, -16..16)
//  26  8  torso orientation, as the chassis'
//  34  1  front wheel angle (-pi..pi)
//  35  1  rear wheel angle
//  36  1  state: gear in bits 0-2, dab in bit 3, throttle x 15 in bits 4-7;
//         crashed: bits 0-2 are 7, bits 4-7 the crash time left
//  37  2  engine rpm (0..32768)
//
// Applying one rebuilds all seven bodies from the chassis pose and the
// bike's geometry, and with the ticks since the last one derives their
// velocities. Decoding never yields a value outside its range, whatever
// the bytes.
#pragma once

#include <cstdint>

struct Rider;
struct Terrain;

enum { SNAPSHOT_BYTES = 39, SNAPSHOT_RING = 128 };

struct RiderSnapshot {
    uint8_t bytes[SNAPSHOT_BYTES];
};

// The snapshot of a rider on a terrain.
RiderSnapshot snapshot_encode(const Rider &rider, const Terrain &terrain);

// Sets a rider from a snapshot; `ticks` above 0 (the ticks since the last
// one applied) also sets the bodies' velocities from the way they moved.
void snapshot_apply(Rider *rider, const Terrain &terrain, const RiderSnapshot &snapshot, int ticks);

// A snapshot between a (older) and b (newer) at t in 0..1.
RiderSnapshot snapshot_lerp(const RiderSnapshot &a, const RiderSnapshot &b, float t);

// The snapshots received for one remote slot, by tick.
struct SnapshotRing {
    int stamps[SNAPSHOT_RING];
    RiderSnapshot entries[SNAPSHOT_RING];
    int newest = 0;
    int newest_tick = -1;
};

// Empties a ring (every stamp -1).
void ring_clear(SnapshotRing *ring);

// Records a received snapshot of a tick (once per tick).
void ring_store(SnapshotRing *ring, int tick, const RiderSnapshot &snapshot);

// The slot's state at a tick: the stored snapshot, one between two stored
// ones, or (with too little stored) the rider as it is (all zeros without
// a rider).
RiderSnapshot ring_sample(const SnapshotRing &ring, int tick, const Rider *rider, const Terrain &terrain);

// Moves a remote rider on from its last snapshot by its chassis velocity
// over some ticks, kept above the ground.
void dead_reckon(Rider *rider, const Terrain &terrain, int ticks);
