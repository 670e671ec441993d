// Track props (models, textures, collision shapes), billboard pictures and
// flagger pictures.
#include "art.h"

#include "mesh.h"
#include "noise.h"
#include "output.h"
#include "picture.h"

#include <cmath>
#include <cstdio>

namespace
{

Picture straw_texture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float streak = value_noise(x * 0.9f, y * 0.08f, 81);
            p.at(x, y) = shade({0.86f, 0.74f, 0.42f, 1}, 0.7f + 0.4f * streak);
            if (y % 21 == 0 || y % 21 == 1)
                p.at(x, y) = {0.75f, 0.2f, 0.12f, 1}; // binding twine
        }
    return p;
}

Picture block_texture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool stripe = ((x + y) / 16) % 2 == 0;
            Colour c = stripe ? Colour{0.9f, 0.9f, 0.88f, 1} : Colour{0.85f, 0.15f, 0.12f, 1};
            p.at(x, y) = shade(c, 0.85f + 0.15f * hash01(x, y, 82));
        }
    return p;
}

Picture tower_texture()
{
    Picture p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float plank = value_noise(x * 0.05f, (y / 8) * 3.1f, 83);
            Colour wood = shade({0.55f, 0.40f, 0.26f, 1}, 0.75f + 0.35f * plank);
            if (y % 8 == 0)
                wood = shade(wood, 0.6f);
            p.at(x, y) = wood;
        }
    p.fill_rect(0, 0, 128, 40, {0.2f, 0.3f, 0.6f, 1});     // roof
    p.fill_rect(14, 60, 114, 92, {0.15f, 0.2f, 0.25f, 1}); // window band
    return p;
}

Picture gate_texture()
{
    Picture p(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool upper = y < 40;
            Colour c = upper ? Colour{0.75f, 0.76f, 0.78f, 1} : Colour{0.55f, 0.55f, 0.52f, 1};
            if (upper && (x % 16 == 0 || y % 20 == 0))
                c = {0.45f, 0.46f, 0.5f, 1};
            p.at(x, y) = shade(c, 0.9f + 0.1f * hash01(x, y, 84));
        }
    p.fill_rect(20, 8, 44, 30, {0.95f, 0.75f, 0.1f, 1}); // number board
    return p;
}

void write_prop(const char *name, const std::vector<Mesh> &meshes, const Picture &texture, bool ppm,
                const std::vector<std::vector<float>> &spheres)
{
    std::string base = std::string("props/") + name;
    write_output(base + ".jm", jm_text(meshes));
    if (ppm)
        write_output(base + ".ppm", ppm_bytes(texture));
    else
        write_output(base + ".png", png_bytes(texture, false));
    write_output(base + ".shp", shape_text(spheres, 0.6f, 4000, 80));
}

void generate_statues()
{
    Mesh bale;
    bale.add_box(0, 1.2f, 0, 4, 2.4f, 2.2f);
    write_prop("haybale", {bale}, straw_texture(), false,
               {{-1.2f, 1.1f, 0, 1.15f}, {0, 1.1f, 0, 1.15f}, {1.2f, 1.1f, 0, 1.15f}});

    Mesh block;
    block.add_box(0, 1.0f, 0, 3.2f, 2.0f, 3.2f);
    write_prop("tuffblock", {block}, block_texture(), false,
               {{-0.8f, 1, -0.8f, 0.9f}, {0.8f, 1, -0.8f, 0.9f}, {-0.8f, 1, 0.8f, 0.9f}, {0.8f, 1, 0.8f, 0.9f}});

    std::vector<Mesh> tower(2);
    for (float x : {-5.0f, 5.0f})
        for (float z : {-4.0f, 4.0f})
            tower[0].add_box(x, 6, z, 0.8f, 12, 0.8f, 0, 0.4f, 0.1f, 1);
    tower[0].add_box(0, 15, 0, 12, 6, 10, 0, 0.3f, 1, 1);
    tower[1].shininess = 40;
    tower[1].add_box(0, 18.6f, 0, 13.5f, 1.2f, 11.5f, 0, 0, 1, 0.3f);
    write_prop("starttower", tower, tower_texture(), false,
               {{-5, 2, -4, 1}, {5, 2, -4, 1}, {-5, 2, 4, 1}, {5, 2, 4, 1}, {0, 15, 0, 6.5f}});

    // One rider's section of the starting gate: a grey plate across the
    // lane, hinged at its near edge on a low concrete sill; x runs across,
    // z along the lane (the riders wait on the +z side). As modelled the
    // plate lies flat ahead of its hinge, the dropped gate the riders ride
    // over; the race tips it up about the hinge to hold them.
    Mesh gate;
    gate.shininess = 60;
    gate.add_box(0, 0.08f, -1.3f, 3.2f, 0.15f, 2.6f, 0, 0, 1, 0.65f);
    gate.add_box(0, 0.12f, 0.3f, 3.3f, 0.24f, 0.6f, 0, 0.65f, 1, 1);
    write_output("startgate.jm", jm_text({gate}));
    write_output("startgate.ppm", ppm_bytes(gate_texture()));
    // Collision spheres along the plate: low bumps when it is down, a wall
    // leaning away from the riders when it is up.
    std::vector<std::vector<float>> plate;
    for (float z : {-0.5f, -1.3f, -2.1f})
        for (float x : {-1.1f, 0.0f, 1.1f})
            plate.push_back({x, 0.0f, z, 0.3f});
    write_output("startgate.shp", shape_text(plate, 0.5f, 6000, 100));
}

void write_tree(const char *name, bool pine)
{
    Picture p(128, 256);
    p.fill_rect(58, 170, 70, 256, {0.36f, 0.25f, 0.16f, 1});
    Random random(pine ? 91 : 92);
    for (int k = 0; k < (pine ? 9 : 30); ++k) {
        if (pine) {
            float y = 20 + k * 20.0f, half = 10 + k * 6.5f;
            p.fill_polygon({64, y - 14, 64 + half, y + 34, 64 - half, y + 34},
                           shade({0.16f, 0.34f, 0.18f, 1}, 0.8f + 0.3f * random.uniform()));
        } else {
            p.fill_circle(random.range(28, 100), random.range(30, 150), random.range(18, 34),
                          shade({0.24f, 0.44f, 0.18f, 1}, 0.7f + 0.4f * random.uniform()));
        }
    }
    write_output(std::string("billboards/") + name + ".png", png_bytes(p, true));
}

void write_banner(const char *name, Colour background, Colour ink, int stripes)
{
    Picture p(256, 64, background);
    for (int k = 0; k < stripes; ++k)
        p.fill_rect(0, 6 + k * 46.0f, 256, 12 + k * 46.0f, ink);
    // Bold block lettering as shapes: a row of chevrons, a sponsor's mark.
    for (int k = 0; k < 6; ++k) {
        float x = 24 + k * 36.0f;
        p.fill_polygon({x, 18, x + 22, 32, x, 46, x + 8, 32}, ink);
    }
    p.fill_rect(0, 0, 256, 3, {0.1f, 0.1f, 0.1f, 1});
    p.fill_rect(0, 61, 256, 64, {0.1f, 0.1f, 0.1f, 1});
    write_output(std::string("billboards/") + name + ".png", png_bytes(p, true));
}

// A row of spectators along the tape: heads, shirts of every colour, some
// arms up, a few caps; the picture's foot stands on the ground.
void write_crowd(const char *name, uint32_t seed)
{
    Picture p(256, 96);
    static const Colour shirts[] = {{0.85f, 0.15f, 0.12f, 1}, {0.15f, 0.3f, 0.75f, 1}, {0.95f, 0.8f, 0.15f, 1},
                                    {0.15f, 0.55f, 0.25f, 1}, {0.92f, 0.92f, 0.9f, 1}, {0.12f, 0.12f, 0.14f, 1},
                                    {0.95f, 0.5f, 0.1f, 1},   {0.5f, 0.2f, 0.6f, 1}};
    static const Colour skins[] = {{0.92f, 0.74f, 0.6f, 1}, {0.78f, 0.56f, 0.4f, 1}, {0.5f, 0.34f, 0.24f, 1}};
    for (int row = 0; row < 2; ++row)
        for (int k = 0; k < 11; ++k) {
            float x = 12 + k * 23.0f + (row ? 11 : 0) + 6 * (hash01(k, row, seed) - 0.5f);
            float top = (row ? 30 : 22) + 8 * hash01(k, row + 4, seed);
            Colour shirt = shirts[(int)(hash01(k, row + 8, seed) * 8) % 8];
            Colour skin = skins[(int)(hash01(k, row + 12, seed) * 3) % 3];
            p.fill_rect(x - 8, top + 12, x + 8, 96, shade(shirt, row ? 0.75f : 1.0f));
            p.fill_rect(x - 6, 78, x + 6, 96, {0.2f, 0.22f, 0.3f, 1}); // legs
            p.fill_circle(x, top + 5, 6, skin);
            if (hash01(k, row + 16, seed) < 0.3f)
                p.fill_rect(x - 7, top - 2, x + 7, top + 2, shirts[(k + row) % 8]); // a cap
            if (hash01(k, row + 20, seed) < 0.25f)
                p.line(x + 7, top + 15, x + 12, top - 6, 3, skin); // an arm up
        }
    write_output(std::string("billboards/") + name + ".png", png_bytes(p, true));
}

// A team's van parked side on: body, windows, wheels and a stripe.
void write_van(const char *name, Colour body)
{
    Picture p(256, 128);
    p.fill_rect(8, 28, 248, 104, body);
    p.fill_polygon({180, 28, 236, 28, 248, 60, 180, 60}, {0.2f, 0.26f, 0.32f, 1}); // windscreen side
    p.fill_rect(24, 38, 100, 58, {0.22f, 0.28f, 0.34f, 1});
    p.fill_rect(8, 72, 248, 80, shade(body, 0.55f));
    for (float x : {56.0f, 200.0f}) {
        p.fill_circle(x, 106, 20, {0.08f, 0.08f, 0.08f, 1});
        p.fill_circle(x, 106, 9, {0.6f, 0.6f, 0.62f, 1});
    }
    write_output(std::string("billboards/") + name + ".png", png_bytes(p, true));
}

// A marshal in a vest holding a flag; `flag` raised from -1 (down) to 1 (up).
void write_flagger(const char *name, Colour flag_colour, float flag, bool waving, bool board)
{
    Picture p(64, 128);
    Colour skin = {0.85f, 0.66f, 0.52f, 1}, vest = {1.0f, 0.55f, 0.1f, 1}, trousers = {0.2f, 0.22f, 0.3f, 1};
    p.fill_rect(24, 84, 30, 124, trousers);
    p.fill_rect(34, 84, 40, 124, trousers);
    p.fill_rect(22, 44, 42, 86, vest);
    p.fill_circle(32, 34, 8, skin);
    p.fill_rect(24, 24, 40, 28, {0.1f, 0.1f, 0.1f, 1});
    float hand_x = 50, hand_y = 60 - 26 * flag;
    p.line(40, 50, hand_x, hand_y, 4, skin);
    p.line(hand_x, hand_y, hand_x, hand_y - 22, 2, {0.3f, 0.3f, 0.3f, 1});
    float wave = waving ? 5 : 0;
    if (board)
        p.fill_rect(hand_x - 12, hand_y - 36, hand_x + 12, hand_y - 16, flag_colour);
    else
        p.fill_polygon({hand_x, hand_y - 22, hand_x + 14, hand_y - 22 + wave, hand_x + 14, hand_y - 10 + wave, hand_x,
                        hand_y - 10},
                       flag_colour);
    p.line(24, 50, 18, 78, 4, skin);
    write_output(std::string("flaggers/") + name + ".png", png_bytes(p, true));
}

} // namespace

void generate_props()
{
    generate_statues();
    write_tree("pine", true);
    write_tree("oak", false);
    Picture bush(64, 64);
    for (int k = 0; k < 12; ++k)
        bush.fill_circle(12 + hash01(k, 1, 93) * 40, 22 + hash01(k, 2, 93) * 30, 10 + hash01(k, 3, 93) * 8,
                         shade({0.28f, 0.45f, 0.2f, 1}, 0.7f + 0.4f * hash01(k, 4, 93)));
    write_output("billboards/bush.png", png_bytes(bush, true));
    Picture tape(16, 64);
    tape.fill_rect(7, 0, 9, 64, {0.85f, 0.85f, 0.82f, 1});
    for (int k = 0; k < 4; ++k)
        tape.fill_rect(0, 6 + k * 4.0f, 16, 8 + k * 4.0f, k % 2 ? Colour{1, 1, 1, 1} : Colour{0.9f, 0.1f, 0.1f, 1});
    write_output("billboards/tape.png", png_bytes(tape, true));
    write_banner("banner-rutvale", {0.1f, 0.3f, 0.7f, 1}, {1, 1, 1, 1}, 2);
    write_banner("banner-fuel", {0.9f, 0.9f, 0.9f, 1}, {0.8f, 0.1f, 0.1f, 1}, 1);
    write_banner("banner-tyres", {0.12f, 0.12f, 0.12f, 1}, {1, 0.8f, 0.1f, 1}, 2);
    write_crowd("crowd-1", 301);
    write_crowd("crowd-2", 302);
    write_van("van-white", {0.9f, 0.9f, 0.88f, 1});
    write_van("van-blue", {0.15f, 0.3f, 0.7f, 1});
    write_van("van-red", {0.75f, 0.12f, 0.1f, 1});

    // The start marshal: board up ("30 seconds"), sideways ("5 seconds"),
    // turned away as the gate drops, walking off, gone to the side.
    write_flagger("start-1", {0.1f, 0.5f, 0.2f, 1}, 1.0f, false, true);
    write_flagger("start-2", {0.9f, 0.9f, 0.1f, 1}, 0.3f, false, true);
    write_flagger("start-3", {0.9f, 0.9f, 0.1f, 1}, -1.0f, false, true);
    write_flagger("start-4", {0.9f, 0.9f, 0.1f, 1}, -0.6f, true, true);
    write_flagger("start-5", {0.9f, 0.9f, 0.1f, 1}, -1.0f, false, true);
    // The finish marshal: idle, white (last lap), crossed flags (halfway), chequered.
    write_flagger("finish-1", {0.5f, 0.5f, 0.5f, 1}, -1.0f, false, false);
    write_flagger("finish-2", {1, 1, 1, 1}, 1.0f, true, false);
    write_flagger("finish-3", {0.1f, 0.3f, 0.9f, 1}, 0.8f, true, false);
    write_flagger("finish-4", {0.05f, 0.05f, 0.05f, 1}, 1.0f, true, false);
    write_flagger("course-idle", {0.95f, 0.85f, 0.1f, 1}, -1.0f, false, false);
    write_flagger("course-warning", {0.95f, 0.85f, 0.1f, 1}, 1.0f, true, false);
}
