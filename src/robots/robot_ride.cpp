// Riding a joined line: aiming, leaning within the grip, speed, traffic,
// jumps, and riding (or walking) back to the line when lost.
#include "platform/tick_math.h"
#include "robots/robot.h"

#include "physics/aids.h"
#include "physics/rider.h"
#include "race/learning.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;

const LinePoint &point_at(const std::vector<LinePoint> &line, int i)
{
    return line[(size_t)std::min(std::max(i, 0), (int)line.size() - 1)];
}

// The line at a fractional point index.
void line_at(const std::vector<LinePoint> &line, float p, float out[3])
{
    int i = (int)std::floor(p);
    float f = p - (float)i;
    const LinePoint &a = point_at(line, i), &b = point_at(line, i + 1);
    out[0] = lerp(a.x, b.x, f), out[1] = lerp(a.y, b.y, f), out[2] = lerp(a.z, b.z, f);
}

// A rider's way of travel: its side (to the right) and backward vectors.
void travel_frame(const Rider &r, float side[3], float back[3])
{
    const dReal *v = dBodyGetLinearVel(r.bodies[FRAME]);
    float flat = (float)std::sqrt(v[0] * v[0] + v[2] * v[2]), full = frame_speed(&r);
    if (flat < 1e-3f || full < 1e-3f) {
        side[0] = 1, side[1] = side[2] = 0;
        back[0] = back[1] = 0, back[2] = 1;
        return;
    }
    side[0] = (float)-v[2] / flat, side[1] = 0, side[2] = (float)v[0] / flat;
    for (int i = 0; i < 3; ++i)
        back[i] = (float)-v[i] / full;
}

// The four corners (x, z) of a rider's patch of track: `lo`..`hi` to the
// side, `ahead` in front and `behind` at the back.
void footprint(const float at[3], const float side[3], const float back[3], float lo, float hi, float ahead,
               float behind, float corners[4][2])
{
    const float s[4] = {lo, hi, hi, lo}, l[4] = {-ahead, -ahead, behind, behind};
    for (int k = 0; k < 4; ++k) {
        corners[k][0] = at[0] + side[0] * s[k] + back[0] * l[k];
        corners[k][1] = at[2] + side[2] * s[k] + back[2] * l[k];
    }
}

bool straddle(const float *a, const float *b, const float *c, const float *d)
{
    float ex = a[1] - b[1], ez = b[0] - a[0];
    bool dn = ex * (d[0] - b[0]) + ez * (d[1] - b[1]) < 0, cn = ex * (c[0] - a[0]) + ez * (c[1] - a[1]) < 0;
    return dn != cn;
}

bool inside(const float q[4][2], const float *p)
{
    int sign = 0;
    for (int k = 0; k < 4; ++k) {
        const float *a = q[k], *b = q[(k + 1) % 4];
        float cross = (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
        int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
        if (s && sign && s != sign)
            return false;
        if (s)
            sign = s;
    }
    return true;
}

bool overlap(const float a[4][2], const float b[4][2])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (straddle(a[i], a[(i + 1) % 4], b[j], b[(j + 1) % 4]) &&
                straddle(b[j], b[(j + 1) % 4], a[i], a[(i + 1) % 4]))
                return true;
    return inside(a, b[0]) || inside(b, a[0]);
}

// A bike lying on its side at walking pace with its rider up: it has to be
// picked up before it can be ridden.
bool lying(const Rider &r)
{
    return std::fabs(bike_lean_angle(&r, FRAME)) > 0.8f && frame_speed(&r) < 3 && r.crash_timer == 0;
}

float dot3(const float *a, const float *b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The steer input that has the steering aid lean the bike to `lean`.
float arcade_steer(float lean)
{
    return clampf(-lean * 4 / pi, -1, 1);
}

} // namespace

float turn_radius_to(float radius, const float frame[3], const float side[3], const float back[3], const float aim[3])
{
    float d[3] = {aim[0] - frame[0], aim[1] - frame[1], aim[2] - frame[2]};
    double lateral = dot3(d, side), forward = -dot3(d, back);
    if (forward <= 0)
        return lateral >= 0 ? 10 : -10;
    // The point of the present turning circle nearest the aim; the aim is
    // moved twice as far again from it, so that the turn corrects.
    double cx = radius, dx = lateral - cx, dz = forward, length = std::sqrt(dx * dx + dz * dz);
    double nx = length > 0 ? cx + dx / length * std::fabs(radius) : lateral,
           nz = length > 0 ? dz / length * std::fabs(radius) : forward;
    double mx = lateral + 2 * (lateral - nx), mz = forward + 2 * (forward - nz);
    if (std::fabs(mx) < 1e-6)
        mx = mx < 0 ? -1e-6 : 1e-6;
    return (float)((mx * mx + mz * mz) / (2 * mx));
}

float follow_speed(const Sim &sim, float radius, const float frame[3], const float side[3], float speed, float target,
                   const Rider &other, bool *held_up)
{
    float tau = std::min(100.0f, (sim.race.tick - sim.race.start_tick) * dt);
    float a = clampf((tau - 3) * 0.5f, 0, 1) * clampf((120 - tau) * 0.01f, 0, 1);
    const dReal *p = dBodyGetPosition(other.bodies[FRAME]), *ov = dBodyGetLinearVel(other.bodies[FRAME]);
    float d = (float)std::sqrt((p[0] - frame[0]) * (p[0] - frame[0]) + (p[1] - frame[1]) * (p[1] - frame[1]) +
                               (p[2] - frame[2]) * (p[2] - frame[2]));
    // The other's speed along this rider's turning circle, forward only.
    float cx = frame[0] + radius * side[0], cz = frame[2] + radius * side[2];
    float rx = (float)p[0] - cx, rz = (float)p[2] - cz, rl = std::sqrt(rx * rx + rz * rz);
    float u = 0;
    if (rl > 1e-3f) {
        rx /= rl, rz /= rl;
        float along = (float)ov[0] * rx + (float)ov[2] * rz;
        float px = (float)ov[0] - along * rx, pz = (float)ov[2] - along * rz;
        // Forward for this rider is its side vector turned a right angle.
        float fx = side[2], fz = -side[0];
        if (px * fx + pz * fz > 0)
            u = std::sqrt(px * px + pz * pz);
    }
    float gap = 8 * a + 12;
    if (d < gap)
        return std::min(target, (1 - 0.25f * a) * u);
    if (u < target) {
        float w = (u - speed) * -0.2f;
        float x = -2.5f * w * w + speed * w - (w * u + d);
        if (x > -gap) {
            target = lerp(target, u, clampf((x + gap) / 3, 0, 1));
            *held_up = true;
        }
    }
    return target;
}

void speed_control(const Rider &r, float v, float target, RiderInput *in)
{
    if (r.rear_contact.depth <= 0) {
        // In the air: the throttle and the rear brake pitch the bike.
        in->front_brake = in->rear_brake = 0;
        const dReal *w = dBodyGetAngularVel(r.bodies[FRAME]);
        dVector3 local;
        dBodyVectorFromWorld(r.bodies[FRAME], w[0], w[1], w[2], local);
        float omega = (float)local[0];
        float front = (float)dBodyGetPosition(r.bodies[FRONT_WHEEL])[1],
              rear = (float)dBodyGetPosition(r.bodies[REAR_WHEEL])[1];
        if ((rear <= front || omega >= 0) && omega >= -0.7853982f) {
            in->throttle = 0;
            if (front - rear > 1 && omega >= -0.3926991f) {
                in->clutch = 0;
                in->rear_brake = 1;
            } else {
                in->clutch = 0.125f;
            }
        } else {
            in->throttle = 1;
            in->clutch = 0.125f;
        }
        return;
    }
    if (v < target - 1) {
        in->throttle = 1;
        in->front_brake = in->rear_brake = 0;
    } else {
        float e = v - (target - 1);
        if (e >= 1) {
            in->throttle = 0;
            in->front_brake = in->rear_brake = clampf(e - 1, 0, 1);
        } else {
            in->throttle = 1 - e;
            in->front_brake = in->rear_brake = 0;
        }
    }
    float rpm = r.engine_speed * 9.549296f;
    in->clutch = r.gear > 0 ? 1.0f : clampf((rpm - (r.spec.auto_shift_down - 1000)) / 1000, 0, 1);
}

namespace
{

// Where a robot is and how it moves, seen once a tick.
struct RideView {
    float frame[3];         // the frame's position
    float side[3], back[3]; // the way of travel
    float v;                // speed
    float G;                // the load on the wheels, in g (at least 1)
    float lean, radius;     // the bike's lean and the turn it makes
};

RideView ride_view(const Rider &r)
{
    RideView w;
    const dReal *fp = dBodyGetPosition(r.bodies[FRAME]);
    w.frame[0] = (float)fp[0], w.frame[1] = (float)fp[1], w.frame[2] = (float)fp[2];
    w.v = frame_speed(&r);
    travel_frame(r, w.side, w.back);
    float load = 0;
    if (r.front_contact.depth > 0)
        load += (float)r.front_contact.feedback.f1[1];
    if (r.rear_contact.depth > 0)
        load += (float)r.rear_contact.feedback.f1[1];
    w.G = std::max(load / (32 * r.total_mass) - 1, 1.0f);
    w.lean = bike_lean_angle(&r, FRAME);
    float t = std::tan(w.lean);
    w.radius = std::fabs(t) > 1e-6f ? -w.v * w.v / (t * w.G * 32) : (t >= 0 ? -1e6f : 1e6f);
    return w;
}

// The next take-off along the line within 20 points of point k (-1: none)
// and the seconds until it.
float next_take_off(const std::vector<LinePoint> &line, int k, const RideView &w, int *jump)
{
    int n = (int)line.size();
    *jump = -1;
    for (int j = std::max(k, 0); j < std::min(k + 20, n) - 1 && *jump < 0; ++j)
        if (line[(size_t)j].speed < 0 && line[(size_t)j + 1].speed < 0)
            *jump = j;
    if (*jump < 0)
        return 1000000;
    const LinePoint &pk = point_at(line, k);
    const float *frame = w.frame;
    float d = std::sqrt((pk.x - frame[0]) * (pk.x - frame[0]) + (pk.y - frame[1]) * (pk.y - frame[1]) +
                        (pk.z - frame[2]) * (pk.z - frame[2]));
    return (float)(*jump - k) * 0.25f + d / std::max(w.v, 0.1f);
}

// Traffic: the nearest rider ahead on this rider's patch of track, or null.
const Rider *rider_ahead(const Sim &sim, int slot, const RideView &w)
{
    const float *frame = w.frame;
    float v = w.v, mine[4][2];
    footprint(frame, w.side, w.back, -2, 2, 4 + v, 4, mine);
    const Rider *ahead = nullptr;
    float nearest = 1e30f;
    for (int o = 0; o < SLOTS; ++o) {
        const Rider *other = sim.race.slots[o].rider;
        if (!other || o == slot)
            continue;
        const dReal *op = dBodyGetPosition(other->bodies[FRAME]);
        float at[3] = {(float)op[0], (float)op[1], (float)op[2]}, oside[3], oback[3], theirs[4][2];
        // Patches further apart than their corners reach cannot overlap.
        float ov = frame_speed(other), gx = at[0] - frame[0], gz = at[2] - frame[2];
        float corners = std::sqrt(4 + (4 + v) * (4 + v)) + std::sqrt(4 + (4 + ov) * (4 + ov));
        if (gx * gx + gz * gz > corners * corners)
            continue;
        travel_frame(*other, oside, oback);
        footprint(at, oside, oback, -2, 2, 4 + ov, 4, theirs);
        if (!overlap(mine, theirs))
            continue;
        float rel[3] = {at[0] - frame[0], at[1] - frame[1], at[2] - frame[2]};
        float ahead_of_me = -dot3(rel, w.back), me_ahead = dot3(rel, oback);
        float d2 = dot3(rel, rel);
        if (ahead_of_me > me_ahead && d2 < nearest) {
            nearest = d2;
            ahead = other;
        }
    }
    return ahead;
}

// The aim point along the line at fractional point p (nearest point k):
// before the first gate 4 points on; after it, nearer on a line that bends
// away, and over a coming take-off toward the jump's landing side. The
// straighter the line ahead, the less the steering gain and lean rate.
void aim_point(const RiderSlot &s, float p, int k, const RideView &w, float take_off, int jump, float *gain,
               float *lean_rate, float aim[3])
{
    const std::vector<LinePoint> &line = s.robot_line;
    int n = (int)line.size();
    const float *frame = w.frame;
    if (s.next_gate < 1) {
        line_at(line, p + 4, aim);
        return;
    }
    int count = 0;
    for (int i = k + 1; i <= std::min(k + 6, n - 1); ++i) {
        const LinePoint &q = line[(size_t)i];
        float d[3] = {q.x - frame[0], q.y - frame[1], q.z - frame[2]};
        float forward = -dot3(d, w.back), lateral = std::fabs(dot3(d, w.side));
        if (forward <= 0 || lateral > 0.125f * forward)
            break;
        ++count;
    }
    float factor = clampf((float)(count - 20) * -0.05882353f, 0, 1);
    *gain = 4 * factor;
    *lean_rate *= factor;
    if (take_off >= 2.0f) {
        line_at(line, p + (count > 4 && std::fabs(w.lean) < 0.3926991f ? 3.0f : 2.0f), aim);
    } else {
        float f = clampf((take_off - 2) * -2, 0, 1);
        const LinePoint &a = point_at(line, k + 3), &j3 = point_at(line, jump + 3), &j = point_at(line, jump);
        aim[0] = a.x + f * (j3.x + frame[0] - j.x - a.x);
        aim[1] = a.y + f * (j3.y + frame[1] - j.y - a.y);
        aim[2] = a.z + f * (j3.z + frame[2] - j.z - a.z);
    }
}

// The wanted lean held within the grip of the ground at the line's next
// points and under the front wheel a quarter second on; true when it had
// to be.
bool within_grip(const Sim &sim, const Rider &r, const std::vector<LinePoint> &line, int k, float lean, float *wanted)
{
    const Terrain &ground = sim_track(sim).terrain;
    bool limited = false;
    auto grip_limit = [&](float x, float z) {
        if (ground.heights.empty())
            return;
        Vec3 nw = terrain_normal(ground, x, z);
        dVector3 nl;
        dBodyVectorFromWorld(r.bodies[FRAME], nw.x, nw.y, nw.z, nl);
        float camber = lean - std::atan2((float)nl[0], (float)nl[1]);
        float mu = ground.surfaces.empty() ? 1.0f : ground.surfaces[(size_t)terrain_tile_at(ground, x, z)].friction[0];
        float m = std::min(std::atan(mu), 1.1780972f);
        float held = clampf(*wanted, camber - m, camber + m);
        limited |= held != *wanted;
        *wanted = held;
    };
    for (int i = k + 4; i >= k; --i)
        grip_limit(point_at(line, i).x, point_at(line, i).z);
    const dReal *wp = dBodyGetPosition(r.bodies[FRONT_WHEEL]), *wv = dBodyGetLinearVel(r.bodies[FRONT_WHEEL]);
    grip_limit((float)(wp[0] + 0.25 * wv[0]), (float)(wp[2] + 0.25 * wv[2]));
    return limited;
}

// Steering: the lean rate toward the wanted lean, doubled toward upright
// and limited. Robots ride with the steering aid a new player has (the aid
// leans the bike to the lean asked for and steers the front along its way
// of travel), asked for the lean a quarter second ahead at that rate;
// upright in the air.
float robot_steer(const Rider &r, float lean, float wanted, float gain, float lean_rate)
{
    float rho = (wanted - lean) * gain;
    if (rho * lean < 0)
        rho *= 2;
    rho = clampf(rho, -lean_rate, lean_rate);
    if (r.front_contact.depth <= 0 && r.rear_contact.depth <= 0)
        return 0;
    return arcade_steer(lean + rho * 0.25f);
}

// The throttle moves in steps, freely the way the grip allows; `phi` is the
// share the sliding front lets through.
float stepped_throttle(const Rider &r, RobotState *st, int now, float phi, float throttle)
{
    float x = phi * throttle;
    if ((now - st->limit_tick) * dt >= 0.125f)
        x = clampf(x, st->throttle_memory - 0.03125f, 1);
    else
        x = clampf(x, 0, st->throttle_memory + 0.03125f);
    st->throttle_memory = x;
    return r.crash_timer > 0 ? 0 : clampf(x, 0, 1);
}

} // namespace

void robot_ride(Sim &sim, int slot, RobotState *st, RiderInput *in)
{
    RiderSlot &s = sim.race.slots[slot];
    Rider &r = *s.rider;
    const std::vector<LinePoint> &line = s.robot_line;
    int now = sim.race.tick;
    if ((now - st->target_tick) * dt > 3.0f || (now - st->moving_tick) * dt > 3.0f || lying(r)) {
        st->recovery = 3;
        return;
    }
    in->sit_dab = 0;
    float p = line_progress(s);
    int k = (int)std::lround(p);
    float V = lerp(std::fabs(point_at(line, k).speed), std::fabs(point_at(line, k + 1).speed), p - (float)k);
    RideView w = ride_view(r);
    float v = w.v, lean = w.lean, lean_rate = pi / w.G;
    int jump;
    float take_off = next_take_off(line, k, w, &jump);

    bool held_up = false;
    if (const Rider *ahead = rider_ahead(sim, slot, w))
        V = follow_speed(sim, w.radius, w.frame, w.side, v, V, *ahead, &held_up);
    if (held_up)
        std::fill(r.picked_lines, r.picked_lines + 4, 0);

    float aim[3], gain = 4;
    aim_point(s, p, k, w, take_off, jump, &gain, &lean_rate, aim);
    float R = turn_radius_to(w.radius, w.frame, w.side, w.back, aim);
    float wanted = std::atan2(-v * v / R, 32 * w.G);
    if (within_grip(sim, r, line, k, lean, &wanted)) {
        V = std::min(V, std::sqrt(std::tan(std::fabs(wanted)) * w.G * std::fabs(R) * 32));
        st->limit_tick = now;
    }

    // Throttle kept off while the front tyre slides; little lean when slow.
    float phi = 1, slide = 0;
    if (r.front_contact.depth > 0) {
        const float *c = r.front_contact.velocity;
        slide = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        phi = clampf((16 - slide) / 16, 0, 1);
    }
    if (v < 7.5f) {
        wanted = 0;
        phi = 1;
    } else if (v < 10) {
        wanted *= (v - 7.5f) * 0.4f;
        phi = 1 - (1 - phi) * (v - 7.5f) * 0.4f;
    }
    if (take_off < 3.0f) {
        float f = clampf((take_off - 3) * -0.5f, 0, 1);
        phi += (1 - phi) * f;
        V += (std::max(v, std::fabs(point_at(line, k).speed) + 2.0f) - V) * f;
        float most = pi / 2 - 1.3744469f * f;
        wanted = clampf(wanted, -most, most);
        lean_rate += (0.3926991f - lean_rate) * clampf((3 - take_off) / 3, 0, 1);
    }

    in->steer = robot_steer(r, lean, wanted, gain, lean_rate);
    speed_control(r, v, V, in);
    in->throttle = stepped_throttle(r, st, now, phi, in->throttle);
}

void recovery_ride(Sim &sim, int slot, RobotState *st, RiderInput *in)
{
    RiderSlot &s = sim.race.slots[slot];
    Rider &r = *s.rider;
    std::vector<LinePoint> &line = s.robot_line;
    int now = sim.race.tick, n = (int)line.size();
    if ((now - st->target_tick) * dt > 40) {
        // Stuck for long: try another point of the line.
        st->recovery = 3;
        s.robot_target = now % n;
        st->target_tick = now;
    }
    const LinePoint &target = line[(size_t)s.robot_target];
    float p = line_progress(s);
    int k = (int)std::lround(p);
    bool jump_close = false;
    for (int j = std::max(k, 0); j < std::min(k + 8, n - 1); ++j)
        jump_close |= line[(size_t)j].speed < 0 && line[(size_t)j + 1].speed < 0;

    // Stopped for long (wedged against a block, stuck on a ridge, or
    // not picked up): the bike is walked for a while.
    if ((now - st->moving_tick) * dt > 4.0f)
        st->walk_until = now + 2 * TICKS_PER_SECOND;
    bool walking = now < st->walk_until;

    // A bike lying on its side is first picked up: a roll toward upright,
    // as a rider lifting it by the bars.
    float lean = bike_lean_angle(&r, FRAME);
    if (lying(r) && !walking) {
        dVector3 forward;
        dBodyVectorToWorld(r.bodies[FRAME], 0, 0, -1, forward);
        float torque = (lean > 0 ? 1.0f : -1.0f) * r.total_mass * 32 * 3;
        dBodyAddTorque(r.bodies[FRAME], forward[0] * torque, forward[1] * torque, forward[2] * torque);
        in->throttle = in->front_brake = in->rear_brake = 0;
        in->sit_dab = 1;
        in->steer = 0;
        return;
    }
    if ((now - st->target_tick) * dt <= 19 && !walking) {
        // Ride back to the target point.
        float v = frame_speed(&r), V, most;
        in->sit_dab = 0;
        if (v >= 10) {
            V = 15;
            most = 0.5f * (v < 20 ? (v - 10) * 0.1f * 0.6666667f + 0.33333334f : 1.0f);
        } else {
            in->sit_dab = 1;
            most = 0.16666667f;
            V = std::fabs(lean) > 0.16666667f ? 5.0f : 15.0f;
        }
        dVector3 local;
        dBodyGetPosRelPoint(r.bodies[FRAME], target.x, target.y, target.z, local);
        float x = (float)local[0], z = (float)local[2];
        float wanted = std::fabs(x) > -z ? (x >= 0 ? -most : most) : clampf(x * 0.5f / z, -most, most);
        if (-z < 4 * std::fabs(x) || jump_close)
            st->recovery = 3;
        float e = clampf((wanted - lean) * 4, -4, 4);
        in->steer = arcade_steer(lean + e * 0.25f);
        speed_control(r, v, V, in);
        return;
    }
    // After 19 s: walk the bike to the line.
    const dReal *fv = dBodyGetLinearVel(r.bodies[FRONT_WHEEL]), *fpos = dBodyGetPosition(r.bodies[FRONT_WHEEL]);
    float tx = target.x - (float)fpos[0], tz = target.z - (float)fpos[2], tl = std::sqrt(tx * tx + tz * tz);
    float want[2] = {tl > 0 ? 5 * tx / tl : 0, tl > 0 ? 5 * tz / tl : 0};
    float ex = (float)fv[0] - want[0], ez = (float)fv[2] - want[1], el = std::sqrt(ex * ex + ez * ez);
    if (el * el >= 0.0625f) {
        float f = -2000 * clampf((el - 0.25f) * 0.8f, 0, 1) / el;
        dBodyAddForce(r.bodies[FRONT_WHEEL], f * ex, 0, f * ez);
    }
    dBodyAddForce(r.bodies[FRAME], 0, 16 * r.total_mass, 0);
    float angle = (float)dJointGetHingeAngle(r.joints[STEERING_HEAD]),
          rate = (float)dJointGetHingeAngleRate(r.joints[STEERING_HEAD]);
    in->steer = clampf(-(angle + rate) * 0.25f, -1, 1);
    in->sit_dab = 1;
    in->throttle = in->clutch = in->front_brake = in->rear_brake = 0;
}
