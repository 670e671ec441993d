// Ground contacts: grid walk, torus and sphere tests against the terrain's
// triangles, and the contact joints they become.
#include "physics/contact.h"
#include "platform/tick_math.h"

#include "physics/crash.h"
#include "physics/rider.h"
#include "physics/vec3.h"
#include "physics/world.h"
#include "track/surface.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

namespace
{

const float dt = TICK_SECONDS_F;

struct Hit {
    V3 point, normal;
    double depth;
};

V3 grid_point(const Terrain &t, int a, int b)
{
    return {a * (double)t.spacing, terrain_point(t, a, b), b * (double)t.spacing};
}

// Walks the triangles of the cells within `reach_x` and `reach_z` of
// (cx, cz), keeping the deepest hit of a test.
template <typename Test> Hit walk(const Terrain &t, double cx, double cz, double reach_x, double reach_z, Test test)
{
    Hit best = {{0, 0, 0}, {0, 1, 0}, 0};
    double L = t.spacing;
    int i0 = (int)std::floor((cx - reach_x) / L), i1 = (int)std::ceil((cx + reach_x) / L);
    int j0 = (int)std::floor((cz - reach_z) / L), j1 = (int)std::ceil((cz + reach_z) / L);
    for (int j = j0; j < j1; ++j) {
        for (int i = i0; i < i1; ++i) {
            int s = ((i ^ j) & 1) == 0 ? 1 : 0;
            V3 tri[2][3] = {{grid_point(t, i, j), grid_point(t, i, j + 1), grid_point(t, i + 1, j + s)},
                            {grid_point(t, i + 1, j + 1), grid_point(t, i + 1, j), grid_point(t, i, j + 1 - s)}};
            for (auto &corners : tri) {
                Hit h;
                if (test(corners[0], corners[1], corners[2], &h) && h.depth > best.depth)
                    best = h;
            }
        }
    }
    if (best.depth > 0)
        best.normal = best.normal * (1 / length(best.normal));
    return best;
}

// Whether the projection of p on the triangle's plane lies inside it.
bool inside(V3 p, V3 a, V3 b, V3 c, V3 n)
{
    return dot(cross(b - a, p - a), n) >= 0 && dot(cross(c - b, p - b), n) >= 0 && dot(cross(a - c, p - c), n) >= 0;
}

bool sphere_test(V3 c, double r, V3 a, V3 b, V3 cc, Hit *hit)
{
    V3 n = cross(b - a, cc - a);
    const V3 start[3] = {a, b, cc}, edge[3] = {b - a, cc - b, a - cc};
    bool outside = false;
    for (int k = 0; k < 3; ++k)
        if (dot(c - start[k], cross(edge[k], n)) > 0)
            outside = true;
    if (outside) {
        for (int k = 0; k < 3; ++k) {
            double u = dot(c - start[k], edge[k]) / dot(edge[k], edge[k]);
            if (u >= 0 && u <= 1) {
                V3 w = c - (start[k] + edge[k] * u);
                double d = length(w);
                if (d == 0)
                    return false;
                hit->normal = w * (1 / d);
                hit->depth = r - d;
                hit->point = c - hit->normal * r;
                return hit->depth > 0;
            }
        }
        int best = 0;
        double best_d = dot(c - start[0], c - start[0]);
        for (int k = 1; k < 3; ++k) {
            double d = dot(c - start[k], c - start[k]);
            if (d < best_d) {
                best = k;
                best_d = d;
            }
        }
        double d = std::sqrt(best_d);
        if (d == 0)
            return false;
        hit->normal = (c - start[best]) * (1 / d);
        hit->depth = r - d;
        hit->point = c - hit->normal * r;
        return hit->depth > 0;
    }
    V3 nh = n * (1 / length(n));
    double depth = r - dot(c - a, nh);
    if (depth > 2 * r) {
        // Far below the face: it counts only under the triangle seen from above.
        V3 up = {0, 1, 0};
        V3 flat_c = {c.x, 0, c.z}, fa = {a.x, 0, a.z}, fb = {b.x, 0, b.z}, fc = {cc.x, 0, cc.z};
        if (!inside(flat_c, fa, fb, fc, up))
            return false;
    }
    hit->normal = nh;
    hit->depth = depth;
    hit->point = c - nh * r;
    return depth > 0;
}

// The point of the core circle nearest to p.
V3 circle_point(V3 centre, V3 axle, double R, V3 p)
{
    V3 off = p - centre;
    V3 proj = off - axle * dot(off, axle);
    for (int counter = 1; dot(proj, proj) < R * 1e-6 && counter < 8; ++counter) {
        V3 o = {(counter & 1) ? R : 0, (counter & 2) ? R : 0, (counter & 4) ? R : 0};
        proj = o - axle * dot(o, axle);
    }
    return centre + proj * (R / length(proj));
}

// The torus test of one triangle; its edges count only when they can come
// closer to the circle than `limit` (at most r: a nearer hit found before
// lowers it).
bool torus_test(V3 centre, V3 axle, double R, double r, double limit, V3 a, V3 b, V3 c, Hit *hit)
{
    V3 n = cross(b - a, c - a);
    V3 nh = n * (1 / length(n));
    double best = 1e30;
    V3 best_point = a, best_circle = a;
    bool through = false;

    // The face: the circle's point furthest towards the plane, if it lies over the face.
    V3 towards = nh - axle * dot(nh, axle);
    if (dot(towards, towards) > 1e-12) {
        V3 lowest = centre - towards * (R / length(towards));
        double sd = dot(lowest - a, nh);
        // Every point of the triangle's plane is at least sd from the
        // circle: no nearer hit than the limit can come from it.
        if (sd >= limit)
            return false;
        V3 foot = lowest - nh * sd;
        if (inside(foot, a, b, c, nh)) {
            best = sd > 0 ? sd : 0;
            through = sd <= 0;
            best_point = foot;
            best_circle = lowest;
        }
    }
    // The edges (their ends included): distance to the circle along each,
    // sampled and then refined by golden-section search.
    const V3 start[3] = {a, b, c}, edge[3] = {b - a, c - b, a - c};
    const double side[3] = {dot(a - centre, axle), dot(b - centre, axle), dot(c - centre, axle)};
    for (int k = 0; k < 3; ++k) {
        // An edge wholly to one side of the slab round the circle's plane
        // (further than the limit from it) cannot come within the limit.
        double s0 = side[k], s1 = side[(k + 1) % 3];
        if ((s0 > limit && s1 > limit) || (s0 < -limit && s1 < -limit))
            continue;
        // Nor can an edge further from the centre than R + limit: a point
        // that far from the centre is at least limit from the circle.
        double u = dot(centre - start[k], edge[k]) / dot(edge[k], edge[k]);
        u = u < 0 ? 0 : u > 1 ? 1 : u;
        if (length(centre - (start[k] + edge[k] * u)) >= R + limit)
            continue;
        // Along the edge, a point's offset from the circle's plane is
        // h(t) = h0 + he t and its offset in the plane u0 + ue t, so its
        // squared distance from the circle is F(t) = h^2 + (|u| - R)^2.
        V3 w0 = start[k] - centre;
        double h0 = s0, he = s1 - s0;
        V3 u0 = w0 - axle * h0, ue = edge[k] - axle * he;
        double qa = dot(u0, u0), qb = 2 * dot(u0, ue), qc = dot(ue, ue);
        auto F = [&](double t) {
            double h = h0 + he * t, rho = std::sqrt(std::max(0.0, qa + (qb + qc * t) * t)) - R;
            return h * h + rho * rho;
        };
        // Only the part inside the slab can come within the limit: sampled
        // there, then the least sample refined by Newton's method on F.
        double lo = 0, hi = 1;
        if (std::fabs(he) > 1e-12) {
            double t0 = (-limit - h0) / he, t1 = (limit - h0) / he;
            lo = std::max(0.0, std::min(t0, t1));
            hi = std::min(1.0, std::max(t0, t1));
        }
        const int samples = 16;
        int best_sample = 0;
        double best_value = F(lo);
        for (int sidx = 1; sidx <= samples; ++sidx) {
            double v = F(lo + (hi - lo) * sidx / samples);
            if (v < best_value) {
                best_value = v;
                best_sample = sidx;
            }
        }
        double t = lo + (hi - lo) * best_sample / samples, v = best_value;
        double bracket_lo = lo + (hi - lo) * std::max(0, best_sample - 1) / samples,
               bracket_hi = lo + (hi - lo) * std::min(samples, best_sample + 1) / samples;
        double x = t;
        for (int it = 0; it < 8; ++it) {
            double q = std::max(1e-18, qa + (qb + qc * x) * x), rho = std::sqrt(q), h = h0 + he * x;
            double dq = qb + 2 * qc * x, drho = dq / (2 * rho), ddrho = (2 * qc - 2 * drho * drho) / (2 * rho);
            double d1 = 2 * h * he + 2 * (rho - R) * drho, d2 = 2 * he * he + 2 * drho * drho + 2 * (rho - R) * ddrho;
            if (d2 <= 0)
                break;
            double next = std::min(bracket_hi, std::max(bracket_lo, x - d1 / d2));
            bool done = std::fabs(next - x) < 1e-13;
            x = next;
            if (done)
                break;
        }
        double fx = F(x);
        if (fx < v)
            t = x, v = fx;
        v = std::sqrt(v);
        if (v < best) {
            best = v;
            through = false;
            best_point = start[k] + edge[k] * t;
            best_circle = circle_point(centre, axle, R, best_point);
        }
    }
    if (best >= r)
        return false;
    V3 dir = best_circle - best_point;
    double d = length(dir);
    hit->normal = (through || d < 1e-9) ? nh : dir * (1 / d);
    hit->depth = r - best;
    hit->point = best_point;
    return true;
}

GroundContact to_contact(const Hit &h)
{
    GroundContact g;
    g.point[0] = (float)h.point.x, g.point[1] = (float)h.point.y, g.point[2] = (float)h.point.z;
    g.normal[0] = (float)h.normal.x, g.normal[1] = (float)h.normal.y, g.normal[2] = (float)h.normal.z;
    g.depth = (float)h.depth;
    return g;
}

void soft(dContact *c, float kp, float kd)
{
    float cfm = 1 / (kd + kp * dt);
    c->surface.soft_cfm = cfm;
    c->surface.soft_erp = kp * dt * cfm;
}

// The frame's lean: the tilt of its up axis across the direction of travel.
float frame_lean(const Rider *r)
{
    const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
    return (float)std::atan2(-R[4], R[5]);
}

// Fills a wheel's contact record with its deepest touch of the ground
// (depth 0: none): the touch, the wheel's velocity there and its axle.
bool wheel_probe(const Terrain &t, WheelContact *wc, GroundContact *g, dVector3 v, dVector3 axle)
{
    const dReal *p = dBodyGetPosition(wc->body);
    dBodyVectorToWorld(wc->body, 1, 0, 0, axle);
    float centre[3] = {(float)p[0], (float)p[1], (float)p[2]},
          axis[3] = {(float)axle[0], (float)axle[1], (float)axle[2]};
    *g = torus_contact(t, centre, axis, wc->ring_radius, wc->tube_radius);
    if (g->depth <= 0) {
        wc->depth = 0;
        return false;
    }
    dBodyGetPointVel(wc->body, g->point[0], g->point[1], g->point[2], v);
    for (int i = 0; i < 3; ++i) {
        wc->point[i] = g->point[i];
        wc->velocity[i] = (float)v[i];
        wc->normal[i] = g->normal[i];
    }
    wc->depth = g->depth;
    return true;
}

bool wheel_test(PhysicsWorld *w, ContactQueue *queue, WheelContact *wc, float grip)
{
    const Terrain &t = w->track->terrain;
    GroundContact g;
    dVector3 v, axle;
    if (!wheel_probe(t, wc, &g, v, axle))
        return false;
    const SurfaceType *surface = t.surfaces.empty() ? nullptr : &t.surfaces[terrain_tile_at(t, g.point[0], g.point[2])];
    float speed = std::sqrt((float)(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    float mu = (surface ? surface_friction(*surface, speed) : 1.0f) * grip;
    float kp, kd;
    wheel_softness(g.depth, wc->tube_radius, &kp, &kd);

    dContact c = {};
    c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
    c.surface.mu = mu;
    soft(&c, kp, kd);
    V3 n = v3(g.normal);
    V3 f = cross(n, V3{v[0], v[1], v[2]});
    if (dot(f, f) < 1.0 / 1024)
        f = cross(n, V3{axle[0], axle[1], axle[2]});
    double fl = length(f);
    if (fl > 0) {
        c.surface.mode |= dContactFDir1;
        c.fdir1[0] = f.x / fl, c.fdir1[1] = f.y / fl, c.fdir1[2] = f.z / fl;
    }
    for (int i = 0; i < 3; ++i) {
        c.geom.pos[i] = g.point[i];
        c.geom.normal[i] = g.normal[i];
    }
    c.geom.depth = g.depth;
    physics_contact(w, queue, c, wc->body, nullptr, &wc->feedback);

    // Rolling resistance against the wheel's motion along the ground.
    const dReal *lv = dBodyGetLinearVel(wc->body);
    V3 vel = {lv[0], lv[1], lv[2]};
    V3 vt = vel - n * dot(vel, n);
    double s = length(vt);
    float low = 5, high = 15;
    if (surface)
        surface_roll_resist(*surface, (float)s, &low, &high);
    float q = std::min(1.0f, g.depth / wc->tube_radius);
    double m = low + (high - low) * q;
    V3 dir = s > 1 ? vt * (1 / s) : vt;
    dBodyAddForce(wc->body, -m * dir.x, -m * dir.y, -m * dir.z);
    return true;
}

bool shape_test(Rider *r, int shape, int body)
{
    if (!r->has_shape[shape])
        return false;
    SphereShape &copy = r->shapes[shape];
    const SphereShape *master = copy.source;
    dBodyID b = r->bodies[body];
    bool touched = false;
    // A shape whose bounding sphere is above every grid point under it
    // cannot touch the ground (its world spheres are still kept).
    const Terrain &t = r->world->track->terrain;
    const dReal *at = dBodyGetPosition(b);
    double reach = master->bounding_radius, L = t.spacing, top = -1e30;
    int i0 = (int)std::floor((at[0] - reach) / L), i1 = (int)std::ceil((at[0] + reach) / L);
    int j0 = (int)std::floor((at[2] - reach) / L), j1 = (int)std::ceil((at[2] + reach) / L);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i)
            top = std::max(top, (double)terrain_point(t, i, j));
    bool clear = top < at[1] - reach;
    for (size_t k = 0; k < copy.spheres.size(); ++k) {
        const Sphere &local = master->spheres[k];
        dVector3 w;
        dBodyGetRelPointPos(b, local.x, local.y, local.z, w);
        Sphere &world = copy.spheres[k];
        world.x = (float)w[0], world.y = (float)w[1], world.z = (float)w[2];
        if (clear)
            continue;
        float centre[3] = {world.x, world.y, world.z};
        GroundContact g = sphere_contact(t, centre, local.radius);
        if (g.depth <= 0)
            continue;
        dContact c = {};
        c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
        c.surface.mu = local.friction;
        soft(&c, 2500, 250);
        for (int i = 0; i < 3; ++i) {
            c.geom.pos[i] = g.point[i];
            c.geom.normal[i] = g.normal[i];
        }
        c.geom.depth = g.depth;
        physics_contact(r->world, &r->contact_queue, c, b, nullptr);
        touched = true;
    }
    return touched;
}

// The fence around the world: every body of the rider that reaches it is
// pushed back in, as by a wall, so no one rides off the map. A body already
// well beyond it (a rider put outside by hand) is left where it is: the
// ground continues there and the rider may ride back.
bool boundary_test(Rider *r)
{
    TerrainBounds b = terrain_bounds(r->world->track->terrain);
    if (b.lo >= b.hi)
        return false;
    const float reach = 1.5f, too_far = 4;
    bool touched = false;
    for (int k = 0; k < RIDER_BODIES; ++k) {
        const dReal *p = dBodyGetPosition(r->bodies[k]);
        for (int axis : {0, 2})
            for (int side : {-1, 1}) {
                float wall = side < 0 ? b.lo : b.hi;
                float depth = ((float)p[axis] + reach * (float)side - wall) * (float)side;
                if (depth <= 0 || depth > too_far)
                    continue;
                dContact c = {};
                c.surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
                c.surface.mu = 0.5f;
                soft(&c, 4000, 400);
                for (int i = 0; i < 3; ++i)
                    c.geom.pos[i] = p[i];
                c.geom.pos[axis] = wall;
                c.geom.normal[axis] = (dReal)-side;
                c.geom.depth = depth;
                physics_contact(r->world, &r->contact_queue, c, r->bodies[k], nullptr);
                touched = true;
            }
    }
    return touched;
}

} // namespace

void wheel_softness(float depth, float tube_radius, float *kp, float *kd)
{
    float q = std::min(1.0f, depth / tube_radius);
    float q3 = q * q * q;
    *kp = 1000 + 24000 * q3;
    *kd = 200 + 2300 * q3;
}

GroundContact torus_contact(const Terrain &t, const float centre[3], const float axle[3], float ring, float tube)
{
    V3 c = v3(centre), a = v3(axle);
    a = a * (1 / length(a));
    // A triangle wholly below the torus's lowest point cannot touch it: it
    // is passed over without the exact test (which would find it clear).
    double lowest = c.y - ring * std::sqrt(std::max(0.0, 1 - a.y * a.y)) - tube, limit = tube;
    // Only cells that reach into the torus's box can touch it: a wheel
    // rolling along an axis spans little across it.
    double reach_x = ring * std::sqrt(std::max(0.0, 1 - a.x * a.x)) + tube + 1e-4,
           reach_z = ring * std::sqrt(std::max(0.0, 1 - a.z * a.z)) + tube + 1e-4;
    Hit h = walk(t, c.x, c.z, reach_x, reach_z, [&](V3 p, V3 q, V3 s, Hit *out) {
        if (p.y < lowest && q.y < lowest && s.y < lowest)
            return false;
        if (!torus_test(c, a, ring, tube, limit, p, q, s, out))
            return false;
        limit = std::min(limit, tube - out->depth);
        return true;
    });
    return to_contact(h);
}

GroundContact sphere_contact(const Terrain &t, const float centre[3], float radius)
{
    V3 c = v3(centre);
    // A triangle wholly below the sphere cannot touch it.
    double lowest = c.y - radius;
    Hit h = walk(t, c.x, c.z, radius, radius, [&](V3 p, V3 q, V3 s, Hit *out) {
        return !(p.y < lowest && q.y < lowest && s.y < lowest) && sphere_test(c, radius, p, q, s, out);
    });
    return to_contact(h);
}

void rider_wheel_contacts(Rider *r)
{
    const Terrain &t = r->world->track->terrain;
    GroundContact g;
    dVector3 v, axle;
    for (WheelContact *wc : {&r->front_contact, &r->rear_contact}) {
        wc->depth = 0;
        if (!t.heights.empty())
            wheel_probe(t, wc, &g, v, axle);
    }
}

int rider_ground_contacts(Rider *r)
{
    if (r->world->track->terrain.heights.empty())
        return 0;
    float grip = 1;
    if (r->flags & RIDER_ARCADE)
        grip = 1 - 0.375f * std::min(1.0f, 4 * std::fabs(frame_lean(r)) / (float)M_PI);
    bool any = wheel_test(r->world, &r->contact_queue, &r->front_contact, grip);
    any = wheel_test(r->world, &r->contact_queue, &r->rear_contact, grip) || any;
    bool frame = shape_test(r, SHAPE_FRAME, FRAME);
    bool parts = shape_test(r, SHAPE_FORK_UPPER, FORK_UPPER);
    parts = shape_test(r, SHAPE_FORK_LOWER, FORK_LOWER) || parts;
    parts = shape_test(r, SHAPE_SWINGARM, SWINGARM) || parts;
    bool rider_touched = shape_test(r, SHAPE_RIDER, RIDER_TORSO);
    if (rider_touched)
        ground_ejection_test(r);
    parts = rider_touched || parts;
    parts = boundary_test(r) || parts;
    if (parts && r->stop_state == 0)
        r->stop_state = 1;
    return any || frame || parts;
}
