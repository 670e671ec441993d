// The rider: skinned body and first-person body models on the shared bone
// layout, the helmet, the rider plate, and their textures with the skins
// the robot roster names.
#include "art.h"

#include "mesh.h"
#include "noise.h"
#include "output.h"
#include "picture.h"
#include "render/rider_bones.h"

#include <string>

namespace
{

const RiderRestPose &pose = rider_rest_pose;

// Texture regions of "rider_body.png": jersey, trousers, gloves, boots.
const float JERSEY[4] = {0, 0, 0.5f, 0.5f};
const float SLEEVE[4] = {0.5f, 0, 1, 0.5f};
const float TROUSERS[4] = {0, 0.5f, 0.5f, 1};
const float BOOTS[4] = {0.5f, 0.5f, 0.75f, 1};
const float GLOVES[4] = {0.75f, 0.5f, 1, 1};

void limb(Mesh *m, const float a[3], const float b[3], float thickness, const float *uv, int bone)
{
    size_t first = m->vertices.size();
    m->add_beam(a, b, thickness, uv[0], uv[1], uv[2], uv[3]);
    for (size_t k = first; k < m->vertices.size(); ++k)
        m->vertices[k].bone = bone;
}

void tag(Mesh *m, size_t first, int bone)
{
    for (size_t k = first; k < m->vertices.size(); ++k)
        m->vertices[k].bone = bone;
}

// Arms and legs; the torso too unless the model is seen from inside it.
Mesh body_mesh(bool first_person)
{
    Mesh m;
    m.shininess = 8;
    float hips[3] = {0, pose.hip[0][1], pose.hip[0][2]};
    float chest[3] = {0, pose.shoulder[0][1], pose.shoulder[0][2]};
    if (!first_person) {
        size_t first = m.vertices.size();
        m.add_beam(hips, chest, 0.95f, JERSEY[0], JERSEY[1], JERSEY[2], JERSEY[3]);
        tag(&m, first, BONE_TORSO);
        first = m.vertices.size();
        m.add_box(0, pose.hip[0][1] + 0.1f, pose.hip[0][2] + 0.05f, 0.9f, 0.5f, 0.7f, TROUSERS[0], TROUSERS[1],
                  TROUSERS[2], TROUSERS[3]);
        tag(&m, first, BONE_TORSO);
    }
    for (int side = 0; side < 2; ++side) {
        int upper_arm = side ? BONE_RIGHT_UPPER_ARM : BONE_LEFT_UPPER_ARM;
        int forearm = side ? BONE_RIGHT_FOREARM : BONE_LEFT_FOREARM;
        int thigh = side ? BONE_RIGHT_THIGH : BONE_LEFT_THIGH;
        int shin = side ? BONE_RIGHT_SHIN : BONE_LEFT_SHIN;
        limb(&m, pose.shoulder[side], pose.elbow[side], 0.32f, SLEEVE, upper_arm);
        limb(&m, pose.elbow[side], pose.wrist[side], 0.27f, SLEEVE, forearm);
        size_t first = m.vertices.size();
        m.add_box(pose.wrist[side][0], pose.wrist[side][1], pose.wrist[side][2], 0.22f, 0.2f, 0.25f, GLOVES[0],
                  GLOVES[1], GLOVES[2], GLOVES[3]);
        tag(&m, first, forearm);
        limb(&m, pose.hip[side], pose.knee[side], 0.42f, TROUSERS, thigh);
        limb(&m, pose.knee[side], pose.ankle[side], 0.36f, BOOTS, shin);
        first = m.vertices.size();
        m.add_box(pose.ankle[side][0], pose.ankle[side][1] + 0.05f, pose.ankle[side][2] - 0.2f, 0.3f, 0.25f, 0.7f,
                  BOOTS[0], BOOTS[1], BOOTS[2], BOOTS[3]);
        tag(&m, first, shin);
    }
    return m;
}

std::vector<Mesh> helmet_model()
{
    Mesh shell, visor;
    shell.shininess = 70;
    shell.add_box(0, 0.25f, 0, 0.85f, 0.85f, 1.0f, 0, 0, 1, 0.75f);
    shell.add_box(0, -0.1f, -0.45f, 0.6f, 0.3f, 0.3f, 0, 0, 1, 0.75f); // chin bar
    visor.shininess = 10;
    visor.add_box(0, 0.72f, -0.55f, 0.8f, 0.06f, 0.5f, 0, 0.75f, 1, 1);
    // A clear coat over the painted shell.
    return {shell, visor, reflective_layer(shell, 0.15f)};
}

void write_body_texture(const std::string &name, Colour jersey, Colour trousers, Colour accent)
{
    Picture p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            Colour c;
            if (y < 64)
                c = ((x / 8 + y / 24) % 5 == 0) ? accent : jersey;
            else if (x < 64)
                c = (x % 32 < 4) ? accent : trousers;
            else if (x < 96)
                c = {0.9f, 0.9f, 0.9f, 1}; // boots
            else
                c = accent; // gloves
            p.at(x, y) = shade(c, 0.9f + 0.1f * hash01(x, y, 401));
        }
    write_output(name, png_bytes(p, false));
}

void write_helmet_texture(const std::string &name, Colour shell, Colour accent)
{
    Picture p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            Colour c = y >= 96 ? Colour{0.1f, 0.1f, 0.12f, 1} : (((x + y) / 12) % 4 == 0 ? accent : shell);
            p.at(x, y) = shade(c, 0.92f + 0.08f * hash01(x, y, 402));
        }
    write_output(name, png_bytes(p, false));
}

} // namespace

void generate_rider()
{
    write_output("rider_body.jm", jm_skinned_text({body_mesh(false)}, RIDER_BONES, "rider"));
    write_output("rider_body_fp.jm", jm_skinned_text({body_mesh(true)}, RIDER_BONES, "rider_fp"));
    write_output("rider_head.jm", jm_text(helmet_model()));
    // The number plate on the rider's back, carried by the torso bone.
    Mesh plate;
    plate.add_box(0, 0.1f, 0.45f, 0.7f, 0.5f, 0.04f);
    for (Vertex &v : plate.vertices)
        v.bone = BONE_TORSO;
    write_output("rider_plate.jm", jm_skinned_text({plate}, RIDER_BONES, "plate"));

    write_body_texture("rider_body.png", {0.15f, 0.2f, 0.45f, 1}, {0.2f, 0.2f, 0.22f, 1}, {0.95f, 0.95f, 0.95f, 1});
    write_body_texture("rider_body-alt1.png", {0.85f, 0.1f, 0.1f, 1}, {0.1f, 0.1f, 0.1f, 1}, {1, 1, 1, 1});
    write_body_texture("rider_body-alt2.png", {0.2f, 0.65f, 0.15f, 1}, {0.9f, 0.9f, 0.9f, 1}, {0.05f, 0.05f, 0.05f, 1});
    write_body_texture("rider_body-alt3.png", {0.95f, 0.8f, 0.1f, 1}, {0.1f, 0.15f, 0.5f, 1}, {0.1f, 0.15f, 0.5f, 1});
    write_helmet_texture("rider_head.png", {0.9f, 0.9f, 0.92f, 1}, {0.15f, 0.2f, 0.45f, 1});
    write_helmet_texture("rider_head-alt1.png", {0.85f, 0.1f, 0.1f, 1}, {1, 1, 1, 1});
    write_helmet_texture("rider_head-alt2.png", {0.1f, 0.1f, 0.1f, 1}, {0.3f, 0.8f, 0.2f, 1});
    write_helmet_texture("rider_head-alt3.png", {0.95f, 0.8f, 0.1f, 1}, {0.1f, 0.15f, 0.5f, 1});
}
