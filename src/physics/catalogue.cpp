// The bike catalogue. Every record shares the geometry, suspension and rider
// values; families differ in masses (two-strokes against four-strokes),
// gearing and the torque tables that carry each engine's character.
#include "physics/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace
{

// The full-throttle curve of the yz250f(2007): the reference four-stroke.
const float yz250f_2007_full[28] = {
    5,     5,     5,     5,     5,     6,     7,     8,     9,     10, 11, 12, 13, 15, // 0 .. 6500 rpm
    16.4f, 17.5f, 18.3f, 18.3f,                                                        // peak at 8000 - 8500
    17.9f, 17.4f, 16.8f, 16.2f, 15.6f, 14.9f, 14.2f, 13.5f, 12.7f,                     // to 13000
    0,                                                                                 // hard limiter at 13500
};

struct Family {
    const char *name;   // catalogue name
    const char *family; // model family (file names)
    const char *texture;
    bool two_stroke;
    float primary, front_sprocket, rear_sprocket;
    float low_end, peak_gain, top_end; // torque shaping, lbf*ft
    float rev_limit;
};

const Family families[CATALOGUE_BIKES] = {
    {"crf250(2009)", "crf250", "crf250", false, 3.3043f, 13, 49, 0.8f, 0.4f, -0.2f, 13250},
    {"kx250f(2009)", "kx250f", "kx250f", false, 3.35294f, 13, 50, 0.2f, 0.9f, 0.3f, 13250},
    {"rmz250(2009)", "rmz250", "rmz250", false, 3.35294f, 13, 48, 0.4f, 0.4f, 0.9f, 13250},
    {"yz250f(2009)", "yz250f", "yz250f", false, 3.35294f, 13, 48, 0.5f, 0.6f, 0.4f, 13250},
    {"crf250(2008)", "crf250", "crf250", false, 3.3043f, 13, 49, 0.6f, 0.2f, -0.3f, 13250},
    {"kx250f(2008)", "kx250f", "kx250f", false, 3.35294f, 13, 50, 0.1f, 0.7f, 0.2f, 13250},
    {"rmz250(2008)", "rmz250", "rmz250", false, 3.35294f, 13, 48, 0.3f, 0.2f, 0.7f, 13250},
    {"yz250f(2008)", "yz250f", "yz250f", false, 3.35294f, 13, 48, 0.3f, 0.3f, 0.2f, 13250},
    {"cr125", "cr125", "cr125", true, 3.5f, 13, 50, 0.3f, 0.0f, 0.0f, 12750},
    {"kx125", "kx125", "kx125", true, 3.6315f, 13, 51, 0.0f, 0.4f, 0.2f, 12750},
    {"rm125", "rm125", "rm125", true, 3.6f, 12, 52, -0.3f, 0.2f, 0.8f, 13750},
    {"yz125", "yz125", "yz125", true, 3.58f, 13, 50, 0.2f, 0.3f, 0.3f, 12750},
    {"125sx", "125sx", "125sx", true, 3.55f, 13, 52, 0.0f, 0.6f, 0.4f, 12750},
    {"crf250(2007)", "crf250", "crf250", false, 3.3043f, 13, 49, 0.5f, 0.0f, -0.4f, 13250},
    {"kx250f(2007)", "kx250f", "kx250f", false, 3.35294f, 13, 50, 0.0f, 0.5f, 0.1f, 13250},
    {"rmz250(2007)", "rmz250", "rmz250", false, 3.35294f, 13, 48, 0.2f, 0.0f, 0.5f, 13250},
    {"yz250f(2007)", "yz250f", "yz250f", false, 3.35294f, 13, 48, 0, 0, 0, 13250},
    {"yz250f_se(2006)", "yz250f", "yz250f_se", false, 3.35294f, 13, 48, -0.1f, -0.2f, -0.1f, 13250},
};

// A two-stroke's full-throttle curve: weak low down, a strong peak near
// 11000 rpm, and a limiter half a step above its rev limit.
float two_stroke_full(int i, const Family &f)
{
    static const float points[][2] = {{0, 3},        {3000, 4},      {6000, 6},      {8000, 9.2f},
                                      {9500, 12.2f}, {10500, 13.9f}, {11500, 13.6f}, {12500, 9.8f}};
    float rpm = i * 500.0f;
    float shift = f.rev_limit > 13000 ? 500 : 0; // a higher-revving engine peaks later
    float value = points[7][1];
    for (int k = 0; k + 1 < 8; ++k) {
        float a = points[k][0] + (k >= 4 ? shift : 0), b = points[k + 1][0] + (k + 1 >= 4 ? shift : 0);
        if (rpm >= a && rpm <= b) {
            value = points[k][1] + (points[k + 1][1] - points[k][1]) * (rpm - a) / (b - a);
            break;
        }
    }
    return value;
}

void fill_torque(BikeSpec *b, const Family &f)
{
    int limiter = (int)((f.rev_limit + 250) / 500 + 0.5f); // the first 0 point
    for (int i = 0; i < TORQUE_POINTS; ++i) {
        float rpm = i * 500.0f;
        float full;
        if (i >= limiter) {
            full = i == limiter ? 0.0f : -(float)((i - limiter + 1) / 2);
        } else if (f.two_stroke) {
            full = two_stroke_full(i, f);
        } else {
            full = yz250f_2007_full[i];
        }
        if (i < limiter) {
            // Family character: more pull low down, a stronger peak, or more over-rev.
            float low = f.low_end * (rpm < 7000 ? rpm / 7000 : std::max(0.0f, 1 - (rpm - 7000) / 3000));
            float peak = (rpm > 6000 && rpm < 11000) ? f.peak_gain * (1 - std::abs(rpm - 8500) / 2500) : 0;
            float top = rpm > 10000 ? f.top_end * (rpm - 10000) / 3000 : 0;
            full += low + peak + top;
        }
        b->full_torque[i] = full;
        // Engine braking: 2 and 1 lbf*ft at the lowest speeds, none up to
        // 1750 rpm, then rising (less on the two-strokes).
        float closed;
        if (i == 0)
            closed = 2;
        else if (i == 1)
            closed = 1;
        else if (i < 4)
            closed = 0;
        else if (f.two_stroke)
            closed = std::max(-9.0f, -1.2f - 0.2f * (i - 4));
        else
            closed = -(float)((i - 2) / 2);
        b->closed_torque[i] = closed;
    }
}

// File names kept alive for the catalogue's text pointers.
std::string names[CATALOGUE_BIKES][BIKE_PART_FILES];

BikeSpec make(int index)
{
    const Family &f = families[index];
    BikeSpec b = {};
    b.name = f.name;
    b.front = {{0, 1.09f, 1.11f}, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
    b.rear = {{0, 1.04f, 6.0f}, 0.75f, 0.3333f, 0.46875f, 0.5f, 0.3125f};
    const float frame[3] = {0, 1.98f, 3.6f}, head[3] = {0, 2.9f, 2.16f}, arm[3] = {0, 1.34f, 4.99f};
    const float pivot[3] = {0, 1.58f, 4.17f}, bottom[3] = {0, 1.77f, 1.59f}, torso[3] = {0, 4.5f, 4.12f};
    memcpy(b.frame_position, frame, sizeof frame);
    memcpy(b.steering_head, head, sizeof head);
    memcpy(b.swingarm_position, arm, sizeof arm);
    memcpy(b.swingarm_pivot, pivot, sizeof pivot);
    memcpy(b.fork_bottom, bottom, sizeof bottom);
    memcpy(b.torso_position, torso, sizeof torso);
    b.frame_mass = f.two_stroke ? 3.65375f : 4.24f;
    b.frame_box[0] = 0.8333f;
    b.frame_box[1] = 1.6667f;
    b.frame_box[2] = 1.6667f;
    b.fork_spacing = 0.8333f;
    b.fork_length = 3.0f;
    b.fork_mass = f.two_stroke ? 0.739688f : 0.703125f;
    b.fork_spring_rate[0] = 510.696f;
    b.fork_spring_rate[1] = 698.848f;
    b.fork_preload[1] = 0.0833f;
    b.fork_air_gap[0] = 0.4167f;
    b.fork_air_gap[1] = 0.25f;
    b.fork_compression_damping = 60;
    b.fork_rebound_damping = 30;
    b.fork_travel = 1.0f;
    b.swingarm_side_mass = f.two_stroke ? 0.541875f : 0.504375f;
    b.shock_spring_rate[0] = 2217.5f;
    b.shock_spring_rate[1] = 4031.81f;
    b.shock_preload[1] = 0.0275f;
    b.shock_compression_damping = 800;
    b.shock_rebound_damping = 600;
    b.swingarm_travel = 0.55f;
    b.primary_reduction = f.primary;
    b.shock_linkage[0] = 0.615385f;
    b.shock_linkage[1] = 0.615385f;
    b.shock_linkage[2] = f.primary;
    b.front_sprocket = f.front_sprocket;
    b.rear_sprocket = f.rear_sprocket;
    static const float four_stroke_gears[GEARS] = {2.142f, 1.75f, 1.444f, 1.235f, 1.08f, -1};
    static const float two_stroke_gears[GEARS] = {2.0f, 1.625f, 1.368f, 1.2f, 1.071f, 0.96f};
    memcpy(b.gear_ratios, f.two_stroke ? two_stroke_gears : four_stroke_gears, sizeof b.gear_ratios);
    b.engine_inertia = 0.00488281f;
    fill_torque(&b, f);
    b.auto_shift_down = f.two_stroke ? 9400 : 8000;
    b.auto_shift_up = f.two_stroke ? 12000 : 12500;
    b.rev_limit = f.rev_limit;
    b.two_stroke = f.two_stroke ? 1 : 0;
    b.snapshot_reference[0] = 0;
    b.snapshot_reference[1] = -0.6667f;
    b.snapshot_reference[2] = 0.5f;
    b.rider_mass = 4.6875f;

    std::string family = f.family;
    const std::string files[BIKE_PART_FILES] = {
        "@" + family + "_frame.jm",
        "@generic_frame.shp",
        std::string("@") + f.texture + ".png",
        "@" + family + "_fork_upper.jm",
        "@generic_fork_upper.shp",
        "@" + family + "_fork_lower.jm",
        "@generic_fork_lower.shp",
        "@" + family + "_swingarm.jm",
        "@generic_swingarm.shp",
        "@front_wheel.jm",
        "@front_wheel.shp",
        "@rear_wheel.jm",
        "@rear_wheel.shp",
        "@wheels.png",
        "@rider_head.jm",
        "@rider_head.png",
        "@rider_body.jm",
        "@rider_body_fp.jm",
        "@generic_rider.shp",
        "@rider_body.png",
        "@" + family + "_side_plates.jm",
        "@" + family + "_front_plate.jm",
        "@rider_plate.jm",
    };
    for (int k = 0; k < BIKE_PART_FILES; ++k) {
        names[index][k] = files[k];
        b.part_files[k] = names[index][k].c_str();
    }
    for (int side = 0; side < 2; ++side) {
        float s = side ? 1.0f : -1.0f;
        const float shoulder[3] = {s * 0.556f, 0.580375f, -0.654514f}, hip[3] = {s * 0.269f, -0.570887f, 0.670607f};
        const float grip[3] = {s * 1.097f, 1.145f, 0.753f}, peg[3] = {s * 0.6f, -0.557f, 0.584f};
        memcpy(b.shoulders[side], shoulder, sizeof shoulder);
        memcpy(b.hips[side], hip, sizeof hip);
        memcpy(b.grips[side], grip, sizeof grip);
        memcpy(b.pegs[side], peg, sizeof peg);
    }
    b.upper_arm = 0.9f;
    b.forearm = 1.15f;
    b.thigh = 1.328f;
    b.shin = 1.701f;
    return b;
}

} // namespace

const BikeSpec *bike_catalogue()
{
    static BikeSpec catalogue[CATALOGUE_BIKES];
    static bool built = false;
    if (!built) {
        for (int k = 0; k < CATALOGUE_BIKES; ++k)
            catalogue[k] = make(k);
        built = true;
    }
    return catalogue;
}

const BikeSpec *bike_find(const char *name)
{
    const BikeSpec *list = bike_catalogue();
    for (int k = 0; k < CATALOGUE_BIKES; ++k)
        if (strcmp(list[k].name, name) == 0)
            return &list[k];
    return nullptr;
}

const BikeSpec *bike_or_substitute(const char *name)
{
    if (const BikeSpec *b = bike_find(name))
        return b;
    const char *pattern = strstr(name, "125") ? "125" : "250f";
    const BikeSpec *list = bike_catalogue();
    for (int k = 0; k < CATALOGUE_BIKES; ++k)
        if (strstr(list[k].name, pattern))
            return &list[k];
    return &list[0];
}
