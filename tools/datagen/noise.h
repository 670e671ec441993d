// Deterministic noise: the same values on every machine (integer hashing,
// no library random numbers).
#pragma once

#include <cstdint>

// A hash of integer coordinates and a seed, in [0, 1).
float hash01(int x, int y, uint32_t seed);

// Smooth value noise in [0, 1) with features one unit apart.
float value_noise(float x, float y, uint32_t seed);

// Sum of octaves of value noise, in about [0, 1).
float fbm(float x, float y, int octaves, uint32_t seed);

// A small deterministic random sequence.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1) {}
    uint32_t next();
    float uniform(); // [0, 1)
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
};
