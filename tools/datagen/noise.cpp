#include "noise.h"

#include <cmath>

float hash01(int x, int y, uint32_t seed)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / 16777216.0f;
}

float value_noise(float x, float y, uint32_t seed)
{
    int ix = (int)std::floor(x), iy = (int)std::floor(y);
    float fx = x - ix, fy = y - iy;
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    float c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

float fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * value_noise(x, y, seed + (uint32_t)o * 101u);
        total += amplitude;
        x *= 2.03f;
        y *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

uint32_t Random::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float Random::uniform()
{
    return (next() & 0xffffff) / 16777216.0f;
}
