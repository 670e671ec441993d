#include "render/camera.h"

#include "render/gl_caps.h"

#include <cmath>

SceneCamera scene_camera;

SceneCamera first_person_camera(const BodyFrame &torso, float height, float angle_degrees)
{
    SceneCamera c;
    const float low[3] = {0, 0.5f, -0.4f}, high[3] = {0, 1.0583830f, -1.1933695f};
    const float *R = torso.rotation; // 3x4 row-major
    float local[3];
    for (int i = 0; i < 3; ++i)
        local[i] = low[i] + height * (high[i] - low[i]);
    body_frame_point(torso, local, c.position);
    float theta = angle_degrees * (float)M_PI / 180, cs = std::cos(theta), sn = std::sin(theta);
    for (int i = 0; i < 3; ++i) {
        float y = R[4 * i + 1], z = R[4 * i + 2];
        c.orientation[3 * i] = R[4 * i];
        c.orientation[3 * i + 1] = cs * y - sn * z;
        c.orientation[3 * i + 2] = sn * y + cs * z;
    }
    return c;
}

SceneCamera camera_looking(const float eye[3], const float forward[3])
{
    SceneCamera c;
    for (int i = 0; i < 3; ++i)
        c.position[i] = eye[i];
    float f[3] = {forward[0], forward[1], forward[2]};
    float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (fl == 0)
        return c;
    for (float &v : f)
        v /= fl;
    // Right = forward x up; looking straight up or down keeps the x axis.
    float right[3] = {-f[2], 0, f[0]};
    float rl = std::sqrt(right[0] * right[0] + right[2] * right[2]);
    if (rl < 1e-6f)
        right[0] = 1, right[2] = 0, rl = 1;
    for (float &v : right)
        v /= rl;
    float up[3] = {right[1] * f[2] - right[2] * f[1], right[2] * f[0] - right[0] * f[2],
                   right[0] * f[1] - right[1] * f[0]};
    for (int i = 0; i < 3; ++i) {
        c.orientation[3 * i] = right[i];
        c.orientation[3 * i + 1] = up[i];
        c.orientation[3 * i + 2] = -f[i];
    }
    return c;
}

void camera_apply(const SceneCamera &camera)
{
    scene_camera = camera;
    const float *o = camera.orientation;
    // The view is the inverse (transpose) of the eye-to-world rotation.
    const float m[16] = {o[0], o[1], o[2], 0, o[3], o[4], o[5], 0, o[6], o[7], o[8], 0, 0, 0, 0, 1};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixf(m);
}
