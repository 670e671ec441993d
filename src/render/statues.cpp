#include "render/statues.h"

#include "render/frustum.h"

#include "render/gl_caps.h"
#include "render/material.h"
#include "render/model.h"
#include "render/rider_looks.h"
#include "track/objects.h"

#include <algorithm>
#include <cmath>

bool statue_too_far(float distance, float model_detail)
{
    return model_detail <= 10 && distance > 20 * model_detail * model_detail;
}

void statue_face_camera(const Statue &statue, StatueLook *look, const float camera[3], float lod_scale, float lod_bias)
{
    const Statue *s = &statue;
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
    std::copy(m, m + 9, look->orientation);
}

void draw_statues(const std::vector<Statue> &statues, std::vector<StatueLook> &looks, const float camera[3],
                  float model_detail, float lod_scale, float lod_bias, unsigned environment, const Frustum *frustum)
{
    // Which statues are drawn this frame, turned toward the camera first.
    struct Shown {
        const Statue *statue;
        StatueLook *look;
    };
    std::vector<Shown> shown;
    for (size_t k = 0; k < statues.size() && k < looks.size(); ++k) {
        const Statue &statue = statues[k];
        if (!looks[k].model)
            continue;
        const float at[3] = {statue.x - camera[0], statue.y - camera[1], statue.z - camera[2]};
        if (statue_too_far(std::sqrt(at[0] * at[0] + at[1] * at[1] + at[2] * at[2]), model_detail))
            continue;
        if (frustum && !frustum_sphere_visible(*frustum, at, model_radius(looks[k].model)))
            continue;
        statue_face_camera(statue, &looks[k], camera, lod_scale, lod_bias);
        shown.push_back({&statue, &looks[k]});
    }
    auto placement = [camera](const Shown &s, float at[3], float rotation[12]) {
        const Statue &statue = *s.statue;
        at[0] = statue.x - camera[0], at[1] = statue.y - camera[1], at[2] = statue.z - camera[2];
        const float *o = s.look->orientation;
        const float r[12] = {o[0], o[1], o[2], 0, o[3], o[4], o[5], 0, o[6], o[7], o[8], 0};
        std::copy(r, r + 12, rotation);
    };
    MaterialState material;
    material_begin(&material);
    for (const Shown &s : shown) {
        float at[3], rotation[12];
        placement(s, at, rotation);
        material_bind(&material, s.look->texture, s.look->normal_map, s.look->specular_map);
        draw_model(s.look->model, at, rotation, nullptr);
    }
    // Reflections of the environment, added on top.
    bool shiny = false;
    for (const Shown &s : shown)
        shiny = shiny || s.look->model->has_reflective;
    if (shiny)
        material_begin_reflective(&material, environment);
    for (const Shown &s : shown) {
        if (!shiny)
            break;
        if (!s.look->model->has_reflective)
            continue;
        float at[3], rotation[12];
        placement(s, at, rotation);
        material_bind_reflective_normal(&material, s.look->normal_map);
        draw_model_reflective(s.look->model, at, rotation, nullptr);
    }
    material_end(&material);
}
