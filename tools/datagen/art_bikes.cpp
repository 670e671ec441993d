// Bike models, textures and skins: for each model family the frame (with a
// far "_lod" variant), fork_upper, fork_lower, swingarm, side plates and
// front plate; the wheels. Each model sits in its physics body's frame, so
// its origin is that body's place on the bike (forward is -z).
#include "art.h"

#include "mesh.h"
#include "noise.h"
#include "output.h"
#include "picture.h"

#include <cmath>
#include <string>

namespace
{

// Body positions on the bike, as the catalogue places them.
const float FRAME[3] = {0, 1.98f, 3.6f};
const float FORK_UPPER[3] = {0, 2.9f, 2.16f};
const float FORK_LOWER[3] = {0, 1.77f, 1.59f};
const float SWINGARM[3] = {0, 1.34f, 4.99f};
const float FRONT_AXLE[3] = {0, 1.09f, 1.11f};
const float REAR_AXLE[3] = {0, 1.04f, 6.0f};
const float PIVOT[3] = {0, 1.58f, 4.17f};

// Texture atlas regions (u0, v0, u1, v1) of a bike texture.
const float PLASTIC[4] = {0, 0, 0.5f, 0.5f};
const float GRAPHIC[4] = {0.5f, 0, 1, 0.5f};
const float BLACK[4] = {0, 0.5f, 0.25f, 0.75f};
const float METAL[4] = {0.25f, 0.5f, 0.5f, 0.75f};
const float ENGINE[4] = {0.5f, 0.5f, 0.75f, 0.75f};
const float PLATE[4] = {0.75f, 0.5f, 1, 0.75f};
const float SEAT[4] = {0, 0.75f, 0.5f, 1};

struct Box {
    float c[3], s[3];
    const float *uv;
};

void add(Mesh *m, const float origin[3], const Box &b)
{
    m->add_box(b.c[0] - origin[0], b.c[1] - origin[1], b.c[2] - origin[2], b.s[0], b.s[1], b.s[2], b.uv[0], b.uv[1],
               b.uv[2], b.uv[3]);
}

void beam(Mesh *m, const float origin[3], const float a[3], const float b[3], float t, const float *uv)
{
    float pa[3] = {a[0] - origin[0], a[1] - origin[1], a[2] - origin[2]};
    float pb[3] = {b[0] - origin[0], b[1] - origin[1], b[2] - origin[2]};
    m->add_beam(pa, pb, t, uv[0], uv[1], uv[2], uv[3]);
}

std::vector<Mesh> frame_model(bool two_stroke, bool far)
{
    Mesh m;
    m.shininess = 30;
    add(&m, FRAME, {{0, 2.62f, 3.05f}, {0.95f, 0.42f, 1.25f}, PLASTIC});                  // tank
    add(&m, FRAME, {{0, 2.78f, 4.45f}, {0.62f, 0.18f, 1.9f}, SEAT});                      // seat
    add(&m, FRAME, {{0, 2.6f, 5.75f}, {0.55f, 0.07f, 1.3f}, PLASTIC});                    // rear fender
    add(&m, FRAME, {{0, 1.55f, 3.35f}, {0.7f, two_stroke ? 0.8f : 0.95f, 1.1f}, ENGINE}); // engine
    add(&m, FRAME, {{0.5f, 2.25f, 2.7f}, {0.08f, 0.7f, 0.8f}, GRAPHIC});                  // radiator shrouds
    add(&m, FRAME, {{-0.5f, 2.25f, 2.7f}, {0.08f, 0.7f, 0.8f}, GRAPHIC});
    if (!far) {
        const float head_low[3] = {0, 2.5f, 2.35f}, cradle[3] = {0, 1.1f, 2.9f}, rear_low[3] = {0, 1.25f, 4.1f};
        const float spar_end[3] = {0, 2.55f, 4.0f}, subframe[3] = {0, 2.65f, 5.6f};
        beam(&m, FRAME, FORK_UPPER, spar_end, 0.22f, METAL);
        beam(&m, FRAME, head_low, cradle, 0.16f, METAL);
        beam(&m, FRAME, cradle, rear_low, 0.16f, METAL);
        beam(&m, FRAME, rear_low, spar_end, 0.18f, METAL);
        beam(&m, FRAME, spar_end, subframe, 0.1f, METAL);
        // The exhaust: a four-stroke header and silencer, or a two-stroke chamber.
        const float port[3] = {0.1f, 1.75f, 2.9f}, low[3] = {0.35f, 1.2f, 3.1f}, up[3] = {0.4f, 2.1f, 4.4f};
        const float tip[3] = {0.42f, 2.45f, 5.7f};
        beam(&m, FRAME, port, low, two_stroke ? 0.3f : 0.14f, METAL);
        beam(&m, FRAME, low, up, two_stroke ? 0.34f : 0.14f, METAL);
        beam(&m, FRAME, up, tip, 0.26f, two_stroke ? METAL : BLACK);
    }
    return {m};
}

std::vector<Mesh> fork_upper_model()
{
    Mesh m;
    m.shininess = 60;
    const float left[3] = {-1.097f + FORK_UPPER[0], 1.145f + FORK_UPPER[1], 0.753f + FORK_UPPER[2]};
    const float right[3] = {1.097f + FORK_UPPER[0], 1.145f + FORK_UPPER[1], 0.753f + FORK_UPPER[2]};
    beam(&m, FORK_UPPER, left, right, 0.1f, METAL); // handlebar
    add(&m, FORK_UPPER, {{-1.0f, 4.045f, 2.913f}, {0.35f, 0.14f, 0.14f}, BLACK});
    add(&m, FORK_UPPER, {{1.0f, 4.045f, 2.913f}, {0.35f, 0.14f, 0.14f}, BLACK});
    add(&m, FORK_UPPER, {{0, 2.95f, 2.2f}, {1.1f, 0.12f, 0.4f}, METAL});  // top clamp
    add(&m, FORK_UPPER, {{0, 2.55f, 2.02f}, {1.1f, 0.12f, 0.4f}, METAL}); // bottom clamp
    for (float x : {-0.4167f, 0.4167f}) {
        const float top[3] = {x, 3.0f, 2.2f}, bottom[3] = {x, 1.95f, 1.68f};
        beam(&m, FORK_UPPER, top, bottom, 0.16f, METAL);
    }
    add(&m, FORK_UPPER, {{0, 2.6f, 1.2f}, {0.75f, 0.08f, 1.2f}, PLASTIC}); // front fender
    return {m};
}

std::vector<Mesh> fork_lower_model()
{
    Mesh m;
    m.shininess = 70;
    for (float x : {-0.4167f, 0.4167f}) {
        const float top[3] = {x, 1.95f, 1.68f}, axle[3] = {x, 1.05f, 1.11f};
        beam(&m, FORK_LOWER, top, axle, 0.2f, BLACK);
    }
    return {m};
}

std::vector<Mesh> swingarm_model()
{
    Mesh m;
    m.shininess = 40;
    for (float x : {-0.45f, 0.45f}) {
        const float a[3] = {x, PIVOT[1], PIVOT[2]}, b[3] = {x, REAR_AXLE[1], REAR_AXLE[2] + 0.15f};
        beam(&m, SWINGARM, a, b, 0.18f, METAL);
    }
    const float link[3] = {0, 1.2f, 4.6f}, shock_top[3] = {0, 2.55f, 4.05f};
    beam(&m, SWINGARM, link, shock_top, 0.22f, ENGINE);
    return {m};
}

std::vector<Mesh> side_plates_model()
{
    Mesh m;
    add(&m, FRAME, {{0.33f, 2.35f, 4.95f}, {0.05f, 0.55f, 0.85f}, PLATE});
    add(&m, FRAME, {{-0.33f, 2.35f, 4.95f}, {0.05f, 0.55f, 0.85f}, PLATE});
    return {m};
}

std::vector<Mesh> front_plate_model()
{
    Mesh m;
    add(&m, FORK_UPPER, {{0, 3.4f, 1.85f}, {0.85f, 0.6f, 0.05f}, PLATE});
    return {m};
}

std::vector<Mesh> wheel_model(float radius)
{
    Mesh tyre, rim;
    tyre.shininess = 5;
    tyre.add_cylinder_x(0, 0, 0, radius, 0.62f, 24, 0, 0, 1, 0.5f);
    rim.shininess = 80;
    rim.add_cylinder_x(0, 0, 0, radius - 0.3f, 0.66f, 24, 0, 0.5f, 0.5f, 1);
    rim.add_cylinder_x(0, 0, 0, 0.22f, 0.8f, 12, 0.5f, 0.5f, 1, 1);
    // The polished rim and hub mirror the surroundings.
    return {tyre, rim, reflective_layer(rim, 0.35f)};
}

// A family's texture: plastics in its colour, a graphic panel, black and
// metal parts, the engine, number plate background and seat.
void write_bike_texture(const std::string &name, Colour plastic, Colour accent, int style)
{
    Picture p(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            float n = 0.92f + 0.08f * hash01(x, y, 301);
            Colour c;
            if (y < 128 && x < 128) {
                c = plastic;
            } else if (y < 128) {
                bool stripe = style == 0   ? ((x + y) / 20) % 3 == 0
                              : style == 1 ? (y / 16) % 2 == 0
                                           : ((x - 128) / 10) % 4 == 0;
                c = stripe ? accent : plastic;
            } else if (y < 192) {
                c = x < 64    ? Colour{0.08f, 0.08f, 0.09f, 1}
                    : x < 128 ? Colour{0.7f, 0.72f, 0.75f, 1}
                    : x < 192 ? Colour{0.35f, 0.35f, 0.37f, 1}
                              : Colour{0.97f, 0.97f, 0.97f, 1};
            } else {
                c = (x < 128) ? mix({0.1f, 0.1f, 0.1f, 1}, accent, (y % 32 < 4) ? 0.6f : 0) : plastic;
            }
            p.at(x, y) = shade(c, n);
        }
    write_output(name, png_bytes(p, false));
}

void write_wheel_texture(const std::string &name, Colour rim)
{
    Picture p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            Colour c;
            if (y < 64) // tread: knobs in rows
                c = ((x / 6) % 2 == (y / 8) % 2) ? Colour{0.12f, 0.12f, 0.12f, 1} : Colour{0.05f, 0.05f, 0.05f, 1};
            else
                c = x < 64 ? rim : Colour{0.6f, 0.6f, 0.62f, 1};
            p.at(x, y) = shade(c, 0.9f + 0.1f * hash01(x, y, 302));
        }
    write_output(name, png_bytes(p, false));
}

struct Family {
    const char *name;
    Colour plastic, accent;
    bool two_stroke;
};

} // namespace

void generate_bikes()
{
    const Family families[] = {
        {"crf250", {0.82f, 0.08f, 0.08f, 1}, {1, 1, 1, 1}, false},
        {"kx250f", {0.35f, 0.75f, 0.1f, 1}, {0.05f, 0.05f, 0.05f, 1}, false},
        {"rmz250", {0.95f, 0.82f, 0.05f, 1}, {0.1f, 0.2f, 0.7f, 1}, false},
        {"yz250f", {0.1f, 0.25f, 0.8f, 1}, {1, 1, 1, 1}, false},
        {"cr125", {0.85f, 0.1f, 0.12f, 1}, {0.1f, 0.1f, 0.1f, 1}, true},
        {"kx125", {0.3f, 0.7f, 0.12f, 1}, {1, 1, 1, 1}, true},
        {"rm125", {0.95f, 0.85f, 0.1f, 1}, {0.05f, 0.05f, 0.05f, 1}, true},
        {"yz125", {0.12f, 0.3f, 0.85f, 1}, {0.95f, 0.85f, 0.1f, 1}, true},
        {"125sx", {0.95f, 0.45f, 0.05f, 1}, {0.1f, 0.1f, 0.12f, 1}, true},
    };
    for (const Family &f : families) {
        std::string base = f.name;
        write_output(base + "_frame.jm", jm_text(frame_model(f.two_stroke, false)));
        write_output(base + "_frame_lod6.jm", jm_text(frame_model(f.two_stroke, true)));
        write_output(base + "_fork_upper.jm", jm_text(fork_upper_model()));
        write_output(base + "_fork_lower.jm", jm_text(fork_lower_model()));
        write_output(base + "_swingarm.jm", jm_text(swingarm_model()));
        write_output(base + "_side_plates.jm", jm_text(side_plates_model()));
        write_output(base + "_front_plate.jm", jm_text(front_plate_model()));
        write_bike_texture(base + ".png", f.plastic, f.accent, 0);
        write_bike_texture(base + "-alt1.png", {0.95f, 0.95f, 0.95f, 1}, f.plastic, 1);
        write_bike_texture(base + "-alt2.png", {0.08f, 0.08f, 0.1f, 1}, f.plastic, 2);
    }
    write_bike_texture("yz250f_se.png", {0.95f, 0.95f, 0.95f, 1}, {0.1f, 0.25f, 0.8f, 1}, 2);
    write_output("front_wheel.jm", jm_text(wheel_model(1.1666f)));
    write_output("rear_wheel.jm", jm_text(wheel_model(1.0833f)));
    write_wheel_texture("wheels.png", {0.15f, 0.15f, 0.16f, 1});
    write_wheel_texture("wheels-alt1.png", {0.85f, 0.6f, 0.1f, 1});
    write_wheel_texture("wheels-alt2.png", {0.1f, 0.3f, 0.75f, 1});
}
