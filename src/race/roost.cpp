// Roost particles: emission from the wheels, flight, landing and erosion.
#include "race/roost.h"
#include "platform/tick_math.h"

#include "physics/rider.h"
#include "race/race.h"
#include "track/objects.h"
#include "track/surface.h"
#include "track/terrain.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;

float uniform(RoostState &s)
{
    return (float)(s.random() >> 8) * (1.0f / 16777216.0f);
}

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float dot(const float a[3], const float b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The particle's velocity: a direction plus a random spread, scaled by a
// random share of the emitter's velocity scale.
void spread_velocity(RoostState &s, const RoostEmitter &e, const float direction[3], float out[3])
{
    float scale = uniform(s) * e.vscale;
    for (int c = 0; c < 3; ++c)
        out[c] = (direction[c] + (uniform(s) - 0.5f) * e.randomize) * scale;
}

Track *sim_track_of(Sim *sim)
{
    return sim->track;
}

void emit_splash(Sim *sim, const WheelContact &w, const RoostEmitter &e, int k, float dig)
{
    RoostState &s = sim->roost;
    const float *n = w.normal, *v = w.velocity;
    float along[3], side[3];
    float vn = dot(v, n);
    for (int c = 0; c < 3; ++c)
        along[c] = v[c] - vn * n[c];
    cross(n, along, side);
    const float h = 0.70710678f;
    for (int i = 0; i < k; ++i) {
        // The spray leaves 45 degrees to either side of the way the wheel goes.
        float sign = ((i + sim->race.tick) & 1) ? 1.0f : -1.0f;
        float dir[3], pos[3], vel[3];
        for (int c = 0; c < 3; ++c) {
            dir[c] = along[c] * h + side[c] * h * sign;
            pos[c] = w.point[c] + dir[c] * ((float)i / (float)k) * dt;
        }
        spread_velocity(s, e, dir, vel);
        roost_spawn(sim, pos, vel, dig, &e);
    }
}

void emit_roost(Sim *sim, const WheelContact &w, const RoostEmitter &e, int k, float dig, float cap)
{
    RoostState &s = sim->roost;
    float slip = std::sqrt(dot(w.velocity, w.velocity));
    if (slip < e.slip_threshold)
        return;
    const dReal *centre = dBodyGetPosition(w.body), *R = dBodyGetRotation(w.body);
    const dReal *wv = dBodyGetLinearVel(w.body), *av = dBodyGetAngularVel(w.body);
    // The axle in the world (the wheel's x axis) and the spin about it.
    float axle[3] = {(float)R[0], (float)R[4], (float)R[8]};
    float omega = (float)(av[0] * axle[0] + av[1] * axle[1] + av[2] * axle[2]);
    float travel[3] = {(float)wv[0], (float)wv[1], (float)wv[2]};
    // Spinning against the way of travel: the contact point slides
    // backwards; the harder the spin, the narrower the fan.
    float angle = 0.049087387f;
    if (dot(w.velocity, travel) < 0) {
        float range = e.fast_speed * e.fast_speed - e.slow_speed * e.slow_speed;
        float t = range != 0 ? std::clamp((omega * omega - e.slow_speed * e.slow_speed) / range, 0.0f, 1.0f) : 1.0f;
        angle = std::min(cap, e.slow_angle + t * (e.fast_angle - e.slow_angle));
    }
    float rel[3] = {w.point[0] - (float)centre[0], w.point[1] - (float)centre[1], w.point[2] - (float)centre[2]};
    float turn_sign = omega >= 0 ? 1.0f : -1.0f;
    for (int i = 0; i < k; ++i) {
        // The contact point turned up the wheel by a random angle, the way
        // the wheel turns (Rodrigues' rotation about the axle).
        float a = uniform(s) * angle * turn_sign, ca = std::cos(a), sa = std::sin(a);
        float kxr[3];
        cross(axle, rel, kxr);
        float kd = dot(axle, rel);
        float pos[3], dir[3], vel[3];
        for (int c = 0; c < 3; ++c)
            pos[c] = (float)centre[c] + rel[c] * ca + kxr[c] * sa + axle[c] * kd * (1 - ca);
        dVector3 pv;
        dBodyGetPointVel(w.body, pos[0], pos[1], pos[2], pv);
        for (int c = 0; c < 3; ++c) {
            dir[c] = (float)pv[c];
            pos[c] += dir[c] * ((float)i / (float)k) * dt;
        }
        spread_velocity(s, e, dir, vel);
        roost_spawn(sim, pos, vel, dig, &e);
    }
}

void emit_wheel(Sim *sim, const WheelContact &w, int limit, float cap)
{
    Track *track = sim_track_of(sim);
    if (!track || w.depth <= 0 || !w.body)
        return;
    Terrain &t = track->terrain;
    if (t.surfaces.empty())
        return;
    int type = terrain_tile_at(t, w.point[0], w.point[2]);
    if (type < 0 || type >= (int)t.surfaces.size())
        return;
    RoostState &s = sim->roost;
    for (const RoostEmitter &e : t.surfaces[type].roost) {
        if (e.kind == 0)
            break;
        float whole = std::floor(e.count);
        int k = (int)whole + (uniform(s) < e.count - whole ? 1 : 0);
        k = std::min(k, limit);
        if (k <= 0)
            continue;
        float dig = e.dig * std::min(w.depth, 0.1f);
        if (e.kind == 2)
            emit_splash(sim, w, e, k, dig);
        else
            emit_roost(sim, w, e, k, dig, cap);
    }
}

Billboard *particle_billboard(Sim *sim, int index)
{
    Track *track = sim_track_of(sim);
    if (!track || (int)track->objects.billboards.size() < ROOST_PARTICLES)
        return nullptr;
    return &track->objects.billboards[index];
}

} // namespace

void roost_reset(Sim *sim)
{
    RoostState &s = sim->roost;
    s.random.seed(5489u);
    s.live_count = 0;
    s.free = 0;
    for (int i = 0; i < ROOST_PARTICLES; ++i) {
        s.particles[i].next = i + 1 < ROOST_PARTICLES ? i + 1 : -1;
        s.particles[i].emitter = nullptr;
        if (Billboard *b = particle_billboard(sim, i))
            b->texture = 0;
    }
}

bool roost_spawn(Sim *sim, const float position[3], const float velocity[3], float dig, const RoostEmitter *emitter)
{
    RoostState &s = sim->roost;
    if (s.free < 0)
        return false;
    int i = s.free;
    RoostParticle &p = s.particles[i];
    s.free = p.next;
    std::copy(position, position + 3, p.position);
    std::copy(velocity, velocity + 3, p.velocity);
    p.emitter = emitter;
    p.dig = (uint8_t)std::lround(std::clamp(dig, 0.0f, 0.25f) * 1020);
    float erosion = sim->settings.erosion;
    Track *track = sim_track_of(sim);
    if (erosion > 0 && track)
        terrain_deposit(&track->terrain, position[0], position[2], -(float)p.dig * erosion / 1020);
    if (Billboard *b = particle_billboard(sim, i)) {
        b->x = position[0], b->y = position[1], b->z = position[2];
        b->offset = 0;
        b->texture = emitter->texture;
        b->size = emitter->size;
        b->aspect = 1;
        std::copy(emitter->colour, emitter->colour + 4, b->colour);
    }
    s.billboard_size[i] = emitter->size;
    ++s.live_count;
    return true;
}

void roost_emit_rider(Sim *sim, const Rider &rider)
{
    RoostState &s = sim->roost;
    int f = std::clamp(sim->settings.roost_frequency, 0, 1000);
    int n = f / 100 + ((int)(s.random() % 100) < f % 100 ? 1 : 0);
    if (n == 0)
        return;
    emit_wheel(sim, rider.front_contact, n, pi / 8);
    emit_wheel(sim, rider.rear_contact, n, 2 * pi);
}

void roost_update(Sim *sim)
{
    RoostState &s = sim->roost;
    Track *track = sim_track_of(sim);
    if (!track || s.live_count == 0)
        return;
    Terrain &t = track->terrain;
    float erosion = sim->settings.erosion;
    Billboard *boards = particle_billboard(sim, 0);
    // In index order rather than along the live list: the particles and
    // their billboards are then read front to back.
    for (int i = 0; i < ROOST_PARTICLES; ++i) {
        RoostParticle &p = s.particles[i];
        if (!p.emitter)
            continue;
        const RoostEmitter &e = *p.emitter;
        for (int c = 0; c < 3; ++c) {
            p.position[c] += p.velocity[c] * dt;
            p.velocity[c] -= p.velocity[c] * e.drag * dt;
        }
        p.velocity[1] -= 32 * dt;
        s.billboard_size[i] += e.grow * dt;
        Billboard *b = boards ? &boards[i] : nullptr;
        if (b) {
            b->x = p.position[0], b->y = p.position[1], b->z = p.position[2];
            b->size = s.billboard_size[i];
            for (int c = 0; c < 4; ++c)
                b->colour[c] = (uint8_t)std::clamp((int)b->colour[c] + (int)(int8_t)e.fade[c], 0, 255);
        }
        bool landed =
            p.velocity[1] < 0 && !t.heights.empty() && p.position[1] < terrain_height(t, p.position[0], p.position[2]);
        if (!landed)
            continue;
        if (b)
            b->texture = 0;
        if (erosion > 0)
            terrain_deposit(&t, p.position[0], p.position[2], (float)p.dig * erosion / 1020);
        p.emitter = nullptr;
        p.next = s.free;
        s.free = i;
        --s.live_count;
    }
}

void terrain_deposit(Terrain *t, float x, float z, float amount)
{
    if (t->heights.empty() || amount == 0 || t->spacing <= 0)
        return;
    int P = t->points_per_side;
    float gx = x / t->spacing, gz = z / t->spacing;
    int i0 = (int)std::floor(gx) - 1, j0 = (int)std::floor(gz) - 1;
    float weights[4][4], total = 0;
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            float dx = (float)(i0 + a) - gx, dz = (float)(j0 + b) - gz;
            float s = std::sqrt(dx * dx + dz * dz) / 2;
            float w = s < 1 ? 1 - 3 * s * s + 2 * s * s * s : 0;
            int i = i0 + a, j = j0 + b;
            if (i < 0 || j < 0 || i >= P || j >= P)
                w = 0;
            weights[a][b] = w;
            total += w;
        }
    if (total <= 0)
        return;
    t->modified = true;
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            if (weights[a][b] == 0)
                continue;
            float &h = t->heights[(size_t)(j0 + b) * P + (i0 + a)];
            h += amount * weights[a][b] / total;
            t->min_height = std::min(t->min_height, h);
            t->max_height = std::max(t->max_height, h);
        }
}
