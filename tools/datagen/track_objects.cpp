#include "track_objects.h"

#include "noise.h"
#include "output.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace
{

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

float heading(const PathPoint &p)
{
    return std::atan2(p.tx, p.tz);
}

// The heading of a rider riding the course forward there (0 faces -z).
float riding_heading(const PathPoint &p)
{
    return std::atan2(-p.tx, -p.tz);
}

// A point beside the course: `side` feet to the left (negative: right).
void beside(const PathPoint &p, float side, float *x, float *z)
{
    *x = p.x + p.tz * side;
    *z = p.z - p.tx * side;
}

float finish_s(const Course &c)
{
    return c.length - 70;
}

std::string timing_gates(const Course &c, const Ground &g, int *checkpoint_count)
{
    std::string out = "startinggate:\n";
    const PathPoint &gate = course_at(c, START_S);
    for (int k = 0; k < 40; ++k) {
        float x, z;
        beside(gate, (k - 19.5f) * 3.3f, &x, &z);
        float y = 0; // offset above the ground
        (void)g;
        out += format("[%.3f %.3f %.3f] %.5f\n", x, y, z, riding_heading(gate));
    }
    // Checkpoints from just past the gate round to the finish line.
    out += "checkpoints:\n";
    std::vector<float> at;
    float end = finish_s(c);
    int n = (int)std::ceil((end - (START_S + 60)) / 90);
    for (int k = 0; k < n; ++k)
        at.push_back(START_S + 60 + (end - (START_S + 60)) * k / n);
    at.push_back(end);
    for (float s : at) {
        const PathPoint &p = course_at(c, s);
        out +=
            format("%.2f [%.3f %.3f %.3f] [%.4f 0 %.4f]\n", course_half_width(c, s) + 6, p.x, p.base, p.z, p.tx, p.tz);
    }
    out += "firstlap:\n";
    for (size_t k = 0; k < at.size(); ++k)
        out += std::to_string(k) + " ";
    out += "\nnormallap:\n";
    for (size_t k = 0; k < at.size(); ++k)
        out += std::to_string(k) + " ";
    out += "\n";
    *checkpoint_count = (int)at.size();
    return out;
}

bool clear_of_course(const Course &c, float x, float z, float margin)
{
    CoursePlace p = course_place(c, x, z, c.design->start_width / 2 + margin + 8);
    return p.index < 0 || std::fabs(p.lateral) > course_half_width(c, p.s) + margin;
}

std::string billboards(const Course &c)
{
    std::string out;
    Random random(c.design->seed + 21);
    // Trees scattered over the hills, never on or beside the course.
    static const char *const trees[] = {"@billboards/pine.png", "@billboards/oak.png", "@billboards/bush.png"};
    for (int k = 0; k < 420; ++k) {
        float x = random.range(0.04f, 0.96f) * c.extent, z = random.range(0.04f, 0.96f) * c.extent;
        int kind = (int)(random.uniform() * 3);
        float size = kind == 2 ? random.range(4, 7) : random.range(22, 40);
        if (!clear_of_course(c, x, z, 25))
            continue;
        out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x, -0.5f, z, size, kind == 0 ? 0.55f : 0.9f, trees[kind]);
    }
    // Course tape on posts along both edges.
    for (float s = 0; s < c.length; s += 18) {
        const PathPoint &p = course_at(c, s);
        float hw = course_half_width(c, s) + 3;
        for (float side : {-hw, hw}) {
            float x, z;
            beside(p, side, &x, &z);
            out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x, 0.0f, z, 2.2f, 0.35f, "@billboards/tape.png");
        }
    }
    // Sponsor banners behind the starting gate.
    const PathPoint &gate = course_at(c, START_S - 15);
    static const char *const banners[] = {"#ffffff#@billboards/banner-rutvale.png",
                                          "#ffd040#@billboards/banner-fuel.png",
                                          "#ffffff#@billboards/banner-tyres.png"};
    for (int k = -3; k <= 3; ++k) {
        float x, z;
        beside(gate, k * 22.0f, &x, &z);
        out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x - gate.tx * 8, 0.0f, z - gate.tz * 8, 5.0f, 4.0f,
                      banners[(k + 3) % 3]);
    }
    // Spectators along the tape at the start and beside every jump, their
    // teams' vans parked behind them; the pit area's vans in a row behind
    // the gate.
    static const char *const crowds[] = {"@billboards/crowd-1.png", "@billboards/crowd-2.png"};
    static const char *const vans[] = {"@billboards/van-white.png", "@billboards/van-blue.png",
                                       "@billboards/van-red.png"};
    std::vector<float> watched = {START_S + 40};
    for (const Feature &f : c.design->features)
        if (f.kind == TABLETOP || f.kind == DOUBLE_JUMP || f.kind == STEP_UP)
            watched.push_back(f.s + 30);
    int n = 0;
    for (float at : watched)
        for (int k = -1; k <= 1; ++k, ++n) {
            float s = at + k * 16.0f;
            const PathPoint &p = course_at(c, s);
            float hw = course_half_width(c, s), side = n % 2 ? 1.0f : -1.0f;
            float x, z;
            beside(p, side * (hw + 12), &x, &z);
            if (clear_of_course(c, x, z, 8))
                out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x, -0.2f, z, 5.5f, 2.6f, crowds[n % 2]);
            beside(p, side * (hw + 40), &x, &z);
            if (k == 0 && clear_of_course(c, x, z, 20))
                out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x, -0.3f, z, 8.0f, 2.0f, vans[n % 3]);
        }
    const PathPoint &pits = course_at(c, START_S - 70);
    for (int k = -4; k <= 4; ++k) {
        float x, z;
        beside(pits, k * 24.0f, &x, &z);
        if (clear_of_course(c, x, z, 10))
            out += format("[%.2f %.2f %.2f] %.2f %.2f %s\n", x, -0.3f, z, 8.0f, 2.0f, vans[(k + 4) % 3]);
    }
    return out;
}

std::string statues(const Course &c)
{
    std::string out;
    // Hay bales along the outside of sharp turns; tuff blocks on the inside.
    float last_bale = -100;
    for (float s = 200; s < c.length - 100; s += 1) {
        const PathPoint &p = course_at(c, s);
        if (std::fabs(p.curvature) < 0.012f || s - last_bale < 7)
            continue;
        last_bale = s;
        float hw = course_half_width(c, s);
        float outside = p.curvature > 0 ? -(hw + 4) : hw + 4;
        float x, z;
        beside(p, outside, &x, &z);
        out += format("[%.2f %.2f %.2f] %.4f @props/haybale.jm @props/haybale.png @props/haybale.shp\n", x, 0.0f, z,
                      heading(p) + 1.5708f);
        if ((int)s % 3 == 0) {
            beside(p, -outside * 1.02f, &x, &z);
            out += format("[%.2f %.2f %.2f] %.4f @props/tuffblock.jm @props/tuffblock.png @props/tuffblock.shp\n", x,
                          0.0f, z, heading(p));
        }
    }
    // The start tower beside the gate, looking over it.
    const PathPoint &gate = course_at(c, START_S);
    float x, z;
    beside(gate, -(course_half_width(c, START_S) + 30), &x, &z);
    out += format("[%.2f %.2f %.2f] %.4f @props/starttower.jm @props/starttower.png @props/starttower.shp\n", x, 0.0f,
                  z, heading(gate) - 1.5708f);
    return out;
}

std::string flaggers(const Course &c, int checkpoints)
{
    std::string out;
    const PathPoint &gate = course_at(c, START_S);
    float ax, az, bx, bz;
    beside(gate, course_half_width(c, START_S) + 4, &ax, &az);
    beside(gate, course_half_width(c, START_S) + 14, &bx, &bz);
    out += format("[%.2f 0 %.2f] [%.2f 0 %.2f] 6 0.6 2.5\n", ax + gate.tx * 6, az + gate.tz * 6, bx, bz);
    out += "@flaggers/start-1.png @flaggers/start-2.png @flaggers/start-3.png "
           "@flaggers/start-4.png @flaggers/start-5.png\n";
    const PathPoint &finish = course_at(c, finish_s(c));
    float fx, fz;
    beside(finish, -(course_half_width(c, finish_s(c)) + 4), &fx, &fz);
    out += format("[%.2f 0 %.2f] 6 0.6\n", fx, fz);
    out += "@flaggers/finish-1.png @flaggers/finish-2.png @flaggers/finish-3.png @flaggers/finish-4.png\n";
    // A course flagger before each jump, watching the checkpoints around it.
    for (const Feature &f : c.design->features) {
        if (f.kind != TABLETOP && f.kind != DOUBLE_JUMP && f.kind != STEP_UP)
            continue;
        const PathPoint &p = course_at(c, f.s - 10);
        float x, z;
        beside(p, course_half_width(c, f.s - 10) + 6, &x, &z);
        int k = (int)((f.s - START_S) / c.length * checkpoints);
        k = k < 1 ? 1 : k > checkpoints - 2 ? checkpoints - 2 : k;
        out += format("[%.2f 0 %.2f] 6 0.6 %d %d %d -1\n", x, z, k - 1, k, k + 1);
        out += "@flaggers/course-idle.png @flaggers/course-warning.png\n";
    }
    return out;
}

std::string lighting()
{
    std::string out;
    out += format("sun_vector [ %.3f %.3f %.3f ]\n", sun_direction[0], sun_direction[1], sun_direction[2]);
    out += "sun_color [ 1.0 0.96 0.88 ]\nambient [ 0.42 0.44 0.5 ]\nglobal_ambient [ 0.18 0.18 0.2 ]\n";
    out += "sky_n @sky-n.ppm\nsky_e @sky-e.ppm\nsky_s @sky-s.ppm\nsky_w @sky-w.ppm\nsky_u @sky-u.ppm\n";
    out += "sky_env @sky-env.ppm\n";
    out += "fog [ 0.72 0.8 0.9 ] 0.0012\n";
    out += "flare_element [ 0 0 ] [ 1 0.95 0.8 ] 0.35 @flares/sun.png\n";
    out += "flare_element [ 0 0.35 ] [ 0.6 0.8 1 ] 0.06 @flares/ring.png\n";
    out += "flare_element [ 0 0.7 ] [ 1 0.7 0.4 ] 0.04 @flares/disc.png\n";
    out += "flare_element [ 0 1.2 ] [ 0.5 1 0.6 ] 0.09 @flares/ring.png\n";
    out += "flare_element [ 0 1.6 ] [ 0.7 0.6 1 ] 0.05 @flares/disc.png\n";
    out += format("flare_vector [ %.3f %.3f %.3f ]\n", sun_direction[0], sun_direction[1], sun_direction[2]);
    return out;
}

} // namespace

void write_objects(const Course &c, const Ground &g)
{
    std::string dir = c.design->folder + "/";
    int checkpoints = 0;
    write_output(dir + "timing_gates", timing_gates(c, g, &checkpoints));
    write_output(dir + "billboards", billboards(c));
    write_output(dir + "statues", statues(c));
    write_output(dir + "flaggers", flaggers(c, checkpoints));
    write_output(dir + "lighting", lighting());
}
