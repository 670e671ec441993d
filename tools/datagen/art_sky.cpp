// Sky box faces, the environment map, lens flare pictures and "roost.png".
#include "art.h"

#include "noise.h"
#include "output.h"
#include "picture.h"

#include <cmath>

namespace
{

const int FACE = 256;

// Sky colour in a world direction (y up), with clouds and a haze at the horizon.
Colour sky_colour(float x, float y, float z)
{
    float len = std::sqrt(x * x + y * y + z * z);
    x /= len, y /= len, z /= len;
    Colour horizon = {0.78f, 0.85f, 0.92f, 1}, zenith = {0.28f, 0.48f, 0.82f, 1};
    Colour ground = {0.45f, 0.5f, 0.42f, 1};
    if (y < 0)
        return mix(horizon, ground, std::fmin(1.0f, -y * 6));
    Colour c = mix(horizon, zenith, std::pow(y, 0.6f));
    float u = x / (y + 0.15f), v = z / (y + 0.15f);
    float cloud = fbm(u * 1.5f + 10, v * 1.5f + 10, 5, 101);
    float cover = std::fmax(0.0f, (cloud - 0.52f) * 3.2f) * std::fmin(1.0f, y * 5);
    return mix(c, {0.97f, 0.97f, 0.98f, 1}, std::fmin(0.9f, cover));
}

void write_face(const char *name, float fx[3], float fy[3], float fz[3])
{
    // Direction of pixel (i, j): the face's centre fz plus offsets along fx and -fy.
    Picture p(FACE, FACE);
    for (int j = 0; j < FACE; ++j)
        for (int i = 0; i < FACE; ++i) {
            float a = (i + 0.5f) / FACE * 2 - 1, b = (j + 0.5f) / FACE * 2 - 1;
            p.at(i, j) =
                sky_colour(fz[0] + a * fx[0] - b * fy[0], fz[1] + a * fx[1] - b * fy[1], fz[2] + a * fx[2] - b * fy[2]);
        }
    write_output(name, ppm_bytes(p));
}

void write_glow(const char *name, float ring)
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float d = std::sqrt((x - 31.5f) * (x - 31.5f) + (y - 31.5f) * (y - 31.5f)) / 32;
            float a =
                ring > 0 ? std::exp(-(d - ring) * (d - ring) * 120) : std::fmax(0.0f, 1 - d) * std::fmax(0.0f, 1 - d);
            p.at(x, y) = {1, 1, 1, std::fmin(1.0f, a)};
        }
    write_output(name, png_bytes(p, true));
}

} // namespace

void generate_sky()
{
    float px[3] = {1, 0, 0}, nx[3] = {-1, 0, 0}, py[3] = {0, 1, 0}, pz[3] = {0, 0, 1}, nz[3] = {0, 0, -1};
    write_face("sky-n.ppm", px, py, pz);
    write_face("sky-e.ppm", nz, py, px);
    write_face("sky-s.ppm", nx, py, nz);
    write_face("sky-w.ppm", pz, py, nx);
    write_face("sky-u.ppm", px, nz, py);

    // Angular map about the up axis: the centre looks straight up, the rim
    // straight down.
    Picture env(FACE, FACE);
    for (int j = 0; j < FACE; ++j)
        for (int i = 0; i < FACE; ++i) {
            float u = (i + 0.5f) / FACE - 0.5f, v = (j + 0.5f) / FACE - 0.5f;
            float r = std::sqrt(u * u + v * v);
            float angle = std::fmin(r / 0.5f, 1.0f) * (float)M_PI;
            float sx = r > 0 ? u / r : 0, sz = r > 0 ? v / r : 0;
            env.at(i, j) = sky_colour(sx * std::sin(angle), std::cos(angle), sz * std::sin(angle));
        }
    write_output("sky-env.ppm", ppm_bytes(env));

    write_glow("flares/sun.png", 0);
    write_glow("flares/ring.png", 0.8f);
    write_glow("flares/disc.png", 0);

    Picture roost(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            float d = std::sqrt((x - 15.5f) * (x - 15.5f) + (y - 15.5f) * (y - 15.5f)) / 16;
            roost.at(x, y) = {0.55f, 0.43f, 0.3f, std::fmax(0.0f, 1 - d * d)};
        }
    write_output("roost.png", png_bytes(roost, true));
}
