#include "render/rider_draw.h"

#include "physics/rider.h"
#include "render/gl_caps.h"
#include "render/material.h"
#include "render/model.h"
#include "render/rider_bones.h"
#include "render/rider_looks.h"

#include <cmath>

namespace
{

struct Vec {
    float x, y, z;
};
Vec operator-(Vec a, Vec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
float dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec unit(Vec a)
{
    float l = std::sqrt(dot(a, a));
    return l > 0 ? Vec{a.x / l, a.y / l, a.z / l} : a;
}
Vec load(const float *p)
{
    return {p[0], p[1], p[2]};
}

Vec to_world(const BodyFrame &f, Vec p)
{
    const float local[3] = {p.x, p.y, p.z};
    float world[3];
    body_frame_point(f, local, world);
    return load(world);
}

Vec to_local(const BodyFrame &f, Vec w)
{
    const float world[3] = {w.x, w.y, w.z};
    float local[3];
    body_frame_local(f, world, local);
    return load(local);
}

// The rotation (3x3, row by row) turning unit vector a onto unit vector b.
void rotation_between(Vec a, Vec b, float out[9])
{
    Vec v = cross(a, b);
    float c = dot(a, b);
    if (c < -0.999999f) { // opposite: half a turn about any perpendicular
        Vec p = unit(std::fabs(a.x) < 0.9f ? cross(a, {1, 0, 0}) : cross(a, {0, 1, 0}));
        const float m[9] = {2 * p.x * p.x - 1, 2 * p.x * p.y, 2 * p.x * p.z, 2 * p.y * p.x,    2 * p.y * p.y - 1,
                            2 * p.y * p.z,     2 * p.z * p.x, 2 * p.z * p.y, 2 * p.z * p.z - 1};
        std::copy(m, m + 9, out);
        return;
    }
    float k = 1 / (1 + c);
    const float m[9] = {v.x * v.x * k + c,   v.x * v.y * k - v.z, v.x * v.z * k + v.y,
                        v.y * v.x * k + v.z, v.y * v.y * k + c,   v.y * v.z * k - v.x,
                        v.z * v.x * k - v.y, v.z * v.y * k + v.x, v.z * v.z * k + c};
    std::copy(m, m + 9, out);
}

// Bone poses of the skinned body in the torso's frame.
struct RiderBonePoses {
    float positions[RIDER_BONES][3], rest[RIDER_BONES][3], rotations[RIDER_BONES][9];
    BonePoses view() const { return {RIDER_BONES, positions, rest, rotations}; }
};

void set_bone(RiderBonePoses *b, int bone, const float *rest_from, const float *rest_to, Vec from, Vec to)
{
    std::copy(rest_from, rest_from + 3, b->rest[bone]);
    b->positions[bone][0] = from.x, b->positions[bone][1] = from.y, b->positions[bone][2] = from.z;
    rotation_between(unit(load(rest_to) - load(rest_from)), unit(to - from), b->rotations[bone]);
}

RiderBonePoses pose_bones(const Rider *r, const BodyFrame &torso)
{
    RiderBonePoses b;
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 3; ++i)
        b.positions[BONE_TORSO][i] = b.rest[BONE_TORSO][i] = 0;
    std::copy(identity, identity + 9, b.rotations[BONE_TORSO]);
    LimbPose arms = arm_pose(r, &torso), legs = leg_pose(r, &torso);
    const RiderRestPose &p = rider_rest_pose;
    for (int side = 0; side < 2; ++side) {
        Vec shoulder = to_local(torso, load(arms.root[side])), elbow = to_local(torso, load(arms.middle[side]));
        Vec wrist = to_local(torso, load(arms.end[side]));
        Vec hip = to_local(torso, load(legs.root[side])), knee = to_local(torso, load(legs.middle[side]));
        Vec ankle = to_local(torso, load(legs.end[side]));
        set_bone(&b, side ? BONE_RIGHT_UPPER_ARM : BONE_LEFT_UPPER_ARM, p.shoulder[side], p.elbow[side], shoulder,
                 elbow);
        set_bone(&b, side ? BONE_RIGHT_FOREARM : BONE_LEFT_FOREARM, p.elbow[side], p.wrist[side], elbow, wrist);
        set_bone(&b, side ? BONE_RIGHT_THIGH : BONE_LEFT_THIGH, p.hip[side], p.knee[side], hip, knee);
        set_bone(&b, side ? BONE_RIGHT_SHIN : BONE_LEFT_SHIN, p.knee[side], p.ankle[side], knee, ankle);
    }
    return b;
}

// Draws a model at a frame, relative to the camera.
void draw_at(Model *model, const BodyFrame &f, const float camera[3], const BonePoses *bones = nullptr)
{
    if (!model)
        return;
    const float at[3] = {f.position[0] - camera[0], f.position[1] - camera[1], f.position[2] - camera[2]};
    draw_model(model, at, f.rotation, bones);
}

} // namespace

BodyFrame rider_draw_torso(const Rider *r)
{
    BodyFrame torso = body_frame(r->bodies[RIDER_TORSO]);
    BodyFrame fork = body_frame(r->bodies[FORK_UPPER]);
    const BikeSpec &s = r->spec;
    Vec shoulders = to_world(torso, {0, s.shoulders[0][1], s.shoulders[0][2]});
    Vec grips = to_world(fork, {0, s.grips[0][1], s.grips[0][2]});
    Vec gap = shoulders - grips;
    float d = std::sqrt(dot(gap, gap));
    if (d >= 1.25f)
        return torso;
    float w = std::min(1.0f, 1.25f - d);
    float *R = torso.rotation;
    Vec x = {R[0], R[4], R[8]}, y = {R[1], R[5], R[9]}, z = {R[2], R[6], R[10]};
    Vec hip = to_world(torso, load(s.hips[0]));
    Vec new_y = unit({y.x + 0.375f * w * z.x, y.y + 0.375f * w * z.y, y.z + 0.375f * w * z.z});
    Vec new_z = cross(x, new_y);
    R[1] = new_y.x, R[5] = new_y.y, R[9] = new_y.z;
    R[2] = new_z.x, R[6] = new_z.y, R[10] = new_z.z;
    // Pivot about the left hip.
    Vec moved = to_world(torso, load(s.hips[0]));
    torso.position[0] += hip.x - moved.x;
    torso.position[1] += hip.y - moved.y;
    torso.position[2] += hip.z - moved.z;
    return torso;
}

void draw_rider(const Rider *r, const RiderLook &look, RiderDrawMode mode, const float camera[3], unsigned shine)
{
    BodyFrame torso = rider_draw_torso(r);
    RiderBonePoses bones = pose_bones(r, torso);
    BonePoses view = bones.view();
    BodyFrame head = torso;
    Vec head_at = to_world(torso, load(rider_rest_pose.head));
    head.position[0] = head_at.x, head.position[1] = head_at.y, head.position[2] = head_at.z;

    // Every part in drawing order with its placement and textures.
    struct Part {
        Model *model;
        BodyFrame frame;
        const BonePoses *bones;
        int texture; // RiderTexture, or -1 for the number plate
    };
    Part parts[12];
    int count = 0;
    auto add = [&](int model, const BodyFrame &f, const BonePoses *b, int texture) {
        if (look.models[model])
            parts[count++] = {look.models[model], f, b, texture};
    };
    bool hide_running_gear = mode != DRAW_WHOLE && r->crash_timer == 0;
    add(MODEL_FRAME, body_frame(r->bodies[FRAME]), nullptr, TEX_BIKE);
    add(MODEL_FORK_UPPER, body_frame(r->bodies[FORK_UPPER]), nullptr, TEX_BIKE);
    if (!hide_running_gear) {
        add(MODEL_FORK_LOWER, body_frame(r->bodies[FORK_LOWER]), nullptr, TEX_BIKE);
        add(MODEL_SWINGARM, body_frame(r->bodies[SWINGARM]), nullptr, TEX_BIKE);
        add(MODEL_FRONT_WHEEL, body_frame(r->bodies[FRONT_WHEEL]), nullptr, TEX_WHEELS);
        add(MODEL_REAR_WHEEL, body_frame(r->bodies[REAR_WHEEL]), nullptr, TEX_WHEELS);
    }
    if (mode != DRAW_FIRST_PERSON)
        add(mode == DRAW_FIRST_PERSON_BODY ? MODEL_BODY_FP : MODEL_BODY, torso, &view, TEX_BODY);
    if (mode == DRAW_WHOLE)
        add(MODEL_HEAD, head, nullptr, TEX_HEAD);
    add(MODEL_FRONT_PLATE, body_frame(r->bodies[FORK_UPPER]), nullptr, -1);
    add(MODEL_SIDE_PLATES, body_frame(r->bodies[FRAME]), nullptr, -1);
    if (mode == DRAW_WHOLE)
        add(MODEL_RIDER_PLATE, torso, &view, -1);

    MaterialState material;
    material_begin(&material);
    for (int k = 0; k < count; ++k) {
        const Part &p = parts[k];
        if (p.texture < 0)
            material_bind(&material, look.number_texture, 0, 0);
        else
            material_bind(&material, look.textures[p.texture], look.normal_maps[p.texture],
                          look.specular_maps[p.texture]);
        draw_at(p.model, p.frame, camera, p.bones);
    }
    // The shine: the environment picture added over every shiny layer.
    bool shiny = false;
    for (int k = 0; k < count; ++k)
        shiny = shiny || parts[k].model->has_reflective;
    if (shiny)
        material_begin_reflective(&material, shine);
    for (int k = 0; k < count && shiny; ++k) {
        const Part &p = parts[k];
        if (!p.model->has_reflective)
            continue;
        material_bind_reflective_normal(&material, p.texture < 0 ? 0 : look.normal_maps[p.texture]);
        const float at[3] = {p.frame.position[0] - camera[0], p.frame.position[1] - camera[1],
                             p.frame.position[2] - camera[2]};
        draw_model_reflective(p.model, at, p.frame.rotation, p.bones);
    }
    material_end(&material);
}
