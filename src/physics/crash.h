// Rider-rider collisions, collisions with track objects, and crashes: the
// rider thrown off (the mount released), held loosely to the bike, and
// brought back onto the seat once the body comes to rest.
#pragma once

struct Rider;

// Part bits of a collision result.
enum {
    PART_FRAME = 1,
    PART_FRONT_WHEEL = 2,
    PART_REAR_WHEEL = 4,
    PART_FORK_UPPER = 8,
    PART_FORK_LOWER = 16,
    PART_SWINGARM = 32,
    PART_RIDER = 64,
    FRONT_PARTS = PART_FRONT_WHEEL | PART_FORK_LOWER,
};

// Ticks a crash lasts once the body is still.
enum { CRASH_TICKS = 512 };

// Before the world step: ground contacts, then nearby track objects.
void rider_pre_step(Rider *rider, int tick);

// Contacts between two riders' parts; sets bump timers and contact ticks.
// b_reach is b's rider_reach this tick (the parts of a clear of it are
// passed over).
void rider_collide(Rider *a, Rider *b, float b_reach, int tick);

// The radius around the frame's position that holds every part of a rider
// that can touch another rider: two riders further apart than the sum of
// theirs cannot touch.
float rider_reach(const Rider *r);

// Throws the rider off the bike.
void rider_eject(Rider *rider);

// Stage 2 of rider_step: a jolt of the upper body or a violent deceleration
// throws the rider off.
void crash_detection(Rider *rider, int tick);

// Stage 3: while crashed, ropes hold the body to the bike and then pull it
// back onto the seat.
void crash_handling(Rider *rider);

// Stage 13: the thrown rider's feet.
void ejected_limbs(Rider *rider);

// The ground-contact ejection: the rider shape touching the ground while the
// body is upside down and moving.
void ground_ejection_test(Rider *rider);
