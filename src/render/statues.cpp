#include "render/statues.h"

#include "render/gl_caps.h"
#include "render/material.h"
#include "render/model.h"
#include "track/objects.h"

#include <algorithm>
#include <cmath>

bool statue_too_far(float distance, float model_detail)
{
    return model_detail <= 10 && distance > 20 * model_detail * model_detail;
}

void statue_face_camera(Statue *s, const float camera[3], float lod_scale, float lod_bias)
{
    float dx = camera[0] - s->x, dy = camera[1] - s->y, dz = camera[2] - s->z;
    float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    float reach = s->face_distance - lod_bias;
    if (s->face_distance == 0 || reach * reach >= (distance * lod_scale) * (distance * lod_scale))
        return;
    float n = std::sqrt(dx * dx + dz * dz);
    if (n == 0)
        return;
    // Columns: x = (dz, 0, -dx)/n, y = up, z = (dx, 0, dz)/n.
    const float m[9] = {dz / n, 0, dx / n, 0, 1, 0, -dx / n, 0, dz / n};
    std::copy(m, m + 9, s->orientation);
}

void draw_statues(std::vector<Statue> &statues, const float camera[3], float model_detail, float lod_scale,
                  float lod_bias, unsigned environment)
{
    // Which statues are drawn this frame, turned toward the camera first.
    std::vector<Statue *> shown;
    for (Statue &statue : statues) {
        if (!statue.model)
            continue;
        const float at[3] = {statue.x - camera[0], statue.y - camera[1], statue.z - camera[2]};
        if (statue_too_far(std::sqrt(at[0] * at[0] + at[1] * at[1] + at[2] * at[2]), model_detail))
            continue;
        statue_face_camera(&statue, camera, lod_scale, lod_bias);
        shown.push_back(&statue);
    }
    auto placement = [camera](const Statue &statue, float at[3], float rotation[12]) {
        at[0] = statue.x - camera[0], at[1] = statue.y - camera[1], at[2] = statue.z - camera[2];
        const float *o = statue.orientation;
        const float r[12] = {o[0], o[1], o[2], 0, o[3], o[4], o[5], 0, o[6], o[7], o[8], 0};
        std::copy(r, r + 12, rotation);
    };
    MaterialState material;
    material_begin(&material);
    for (Statue *statue : shown) {
        float at[3], rotation[12];
        placement(*statue, at, rotation);
        material_bind(&material, statue->texture, statue->normal_map, statue->specular_map);
        draw_model(statue->model, at, rotation, nullptr);
    }
    // Reflections of the environment, added on top.
    bool shiny = false;
    for (const Statue *statue : shown)
        shiny = shiny || statue->model->has_reflective;
    if (shiny)
        material_begin_reflective(&material, environment);
    for (Statue *statue : shown) {
        if (!shiny)
            break;
        if (!statue->model->has_reflective)
            continue;
        float at[3], rotation[12];
        placement(*statue, at, rotation);
        material_bind_reflective_normal(&material, statue->normal_map);
        draw_model_reflective(statue->model, at, rotation, nullptr);
    }
    material_end(&material);
}
