// Small text data: exhaust pipes, the points series and the bike shapes.
#include "art.h"

#include "mesh.h"
#include "output.h"

#include <string>

namespace
{

// One exhaust pipe per line: "pipe length spread reflection first_tap last_tap".
void write_pipes()
{
    write_output("default250f.pipeinfo", "# four-stroke header and silencer\npipe 5.0 0.9182072 -0.85 0 15\n");
    write_output("default125.pipeinfo", "# two-stroke expansion chamber\npipe 1.75 0.3 -0.75 0 15\n");
    const struct {
        const char *family;
        const char *text;
    } pipes[] = {
        {"crf250", "# crf250: long header, deep note\npipe 5.2 0.92 -0.86 0 15\n"},
        {"kx250f", "# kx250f\npipe 4.9 0.9 -0.84 0 15\n"},
        {"rmz250", "# rmz250: short and raspy\npipe 4.7 0.88 -0.82 1 14\n"},
        {"yz250f", "# yz250f\npipe 5.0 0.93 -0.85 0 15\n"},
        {"cr125", "# cr125 expansion chamber\npipe 1.8 0.32 -0.76 0 15\n"},
        {"kx125", "# kx125\npipe 1.7 0.3 -0.74 0 15\n"},
        {"rm125", "# rm125: revs highest\npipe 1.6 0.28 -0.72 0 14\n"},
        {"yz125", "# yz125\npipe 1.75 0.31 -0.75 0 15\n"},
        {"125sx", "# 125sx\npipe 1.85 0.33 -0.77 0 15\n"},
    };
    for (const auto &p : pipes)
        write_output(std::string(p.family) + ".pipeinfo", p.text);
}

std::string points_row(const int *first, int count, int fill)
{
    std::string out;
    for (int k = 0; k < 40; ++k)
        out += std::to_string(k < count ? first[k] : fill) + (k % 20 == 19 ? "\n" : " ");
    return out;
}

// A championship of three rounds over both tracks, two motos a round.
void write_series()
{
    static const int moto[20] = {25, 22, 20, 18, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    static const int none[1] = {0};
    std::string out = "\"Rutvale Spring Series\"\n";
    out += "15 Amateur\n";
    out += "40 41 42 43 44 45 46 47 60 61 62 63 64 65 66\n";
    out += "6\n";
    const char *const events[6][2] = {
        {"Round 1 Moto 1 - Rabbit Hill", "rabbithill"}, {"Round 1 Moto 2 - Rabbit Hill", "rabbithill"},
        {"Round 2 Moto 1 - Quarry Flats", "quarry"},    {"Round 2 Moto 2 - Quarry Flats", "quarry"},
        {"Round 3 Moto 1 - Rabbit Hill", "rabbithill"}, {"Round 3 Moto 2 - Rabbit Hill", "rabbithill"},
    };
    for (int e = 0; e < 6; ++e) {
        out += std::string("\"") + events[e][0] + "\" " + events[e][1] + "\n0 " + (e % 2 ? "6" : "5") + "\n";
        out += points_row(moto, 20, 0);
        out += e % 2 ? points_row(moto, 20, 0) : points_row(none, 0, 0);
    }
    write_output("spring.series", out);
}

// A short cup: one race on each track, each its own round, a small field.
void write_cup()
{
    static const int moto[10] = {10, 8, 6, 5, 4, 3, 2, 1, 0, 0};
    static const int round[10] = {50, 40, 32, 26, 22, 18, 14, 10, 6, 2};
    std::string out = "\"Rutvale Sprint Cup\"\n";
    out += "9 Expert\n";
    out += "20 22 25 31 33 48 52 70 88\n";
    out += "2\n";
    const char *const events[2][2] = {{"Sprint 1 - Quarry Flats", "quarry"}, {"Sprint 2 - Rabbit Hill", "rabbithill"}};
    for (const auto &e : events) {
        out += std::string("\"") + e[0] + "\" " + e[1] + "\n0 3\n";
        out += points_row(moto, 10, 0);
        out += points_row(round, 10, 1);
    }
    write_output("sprint.series", out);
}

// Collision spheres of the bike parts, each in its own body's frame; the
// frame's origin is (0, 1.98, 3.6) on the bike, forward is -z.
void write_bike_shapes()
{
    write_output(
        "generic_frame.shp",
        shape_text({{0, -0.4f, -0.3f, 0.5f}, {0, 0.6f, -0.5f, 0.45f}, {0, 0.7f, 0.9f, 0.4f}, {0, 0.6f, 2.0f, 0.3f}},
                   0.5f, 4000, 60));
    write_output(
        "generic_fork_upper.shp",
        shape_text({{-1.0f, 1.1f, 0.75f, 0.2f}, {1.0f, 1.1f, 0.75f, 0.2f}, {0, 0.2f, 0, 0.3f}}, 0.5f, 4000, 60));
    write_output("generic_fork_lower.shp",
                 shape_text({{-0.42f, -0.2f, -0.2f, 0.2f}, {0.42f, -0.2f, -0.2f, 0.2f}}, 0.5f, 4000, 60));
    write_output("generic_swingarm.shp", shape_text({{-0.45f, 0, 0, 0.2f}, {0.45f, 0, 0, 0.2f}}, 0.5f, 4000, 60));
    write_output("front_wheel.shp", shape_text({{0, 0, 0, 1.15f}}, 0.8f, 6000, 80));
    write_output("rear_wheel.shp", shape_text({{0, 0, 0, 1.08f}}, 0.8f, 6000, 80));
    write_output(
        "generic_rider.shp",
        shape_text({{0, 0.9f, -0.9f, 0.45f}, {0, 0.2f, -0.3f, 0.55f}, {0, -0.5f, 0.5f, 0.5f}}, 0.6f, 3000, 60));
}

} // namespace

void generate_misc()
{
    write_pipes();
    write_series();
    write_cup();
    write_bike_shapes();
}
