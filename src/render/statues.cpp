#include "render/statues.h"

#include "render/gl_caps.h"
#include "render/model.h"
#include "track/objects.h"

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
                  float lod_bias)
{
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    unsigned bound = 0;
    for (Statue &statue : statues) {
        if (!statue.model)
            continue;
        const float at[3] = {statue.x - camera[0], statue.y - camera[1], statue.z - camera[2]};
        if (statue_too_far(std::sqrt(at[0] * at[0] + at[1] * at[1] + at[2] * at[2]), model_detail))
            continue;
        statue_face_camera(&statue, camera, lod_scale, lod_bias);
        const float *o = statue.orientation;
        const float rotation[12] = {o[0], o[1], o[2], 0, o[3], o[4], o[5], 0, o[6], o[7], o[8], 0};
        if (statue.texture != bound) {
            glBindTexture(GL_TEXTURE_2D, statue.texture);
            bound = statue.texture;
        }
        draw_model(statue.model, at, rotation, nullptr);
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
}
