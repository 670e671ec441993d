// Roost: the dirt a spinning or sliding wheel throws up and the spray of a
// wheel through a splash surface. Each surface type has up to four emitters;
// every tick both wheels of every rider emit particles, which fly under
// gravity and drag, grow and fade, and are drawn as the first 2000
// billboards of the track. With erosion on, a particle digs the ground where
// it leaves and piles it where it lands.
#pragma once

#include <cstdint>
#include <random>

struct Rider;
struct RoostEmitter;
struct Sim;
struct Terrain;

enum { ROOST_PARTICLES = 2000 };

struct RoostParticle {
    float position[3];
    float velocity[3];
    uint8_t dig;                 // ground carried: 255 is 0.25 before the erosion factor
    const RoostEmitter *emitter; // null while the particle is free
    int next;                    // the free list; -1 ends it
};

struct RoostState {
    RoostParticle particles[ROOST_PARTICLES];
    int free = -1;
    int live_count = 0;
    std::mt19937 random;
    float billboard_size[ROOST_PARTICLES]; // grows per tick
};

// Frees every particle and hides their billboards (race start).
void roost_reset(Sim *sim);

// Emits from both wheels of a rider (once a tick).
void roost_emit_rider(Sim *sim, const Rider &rider);

// Moves every particle one tick; lands those that fall below the ground.
void roost_update(Sim *sim);

// Starts a particle; false when all are in flight.
bool roost_spawn(Sim *sim, const float position[3], const float velocity[3], float dig, const RoostEmitter *emitter);

// Raises (or with a negative amount lowers) the ground around (x, z), spread
// over the 4 x 4 grid points nearest it with a smooth falloff.
void terrain_deposit(Terrain *terrain, float x, float z, float amount);
