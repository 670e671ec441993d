// View frustum planes from the combined projection and model-view matrix.
#include "render/frustum.h"

#include "render/gl_caps.h"

#include <cmath>

Frustum frustum_from_gl()
{
    float p[16], m[16], c[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // c = p * m, column-major as GL keeps them.
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += p[k * 4 + row] * m[col * 4 + k];
            c[col * 4 + row] = s;
        }
    auto row = [&](int r, int k) { return c[k * 4 + r]; };
    Frustum f;
    // Left, right, bottom, top, near, far: the fourth row plus or minus
    // each of the others.
    for (int i = 0; i < 6; ++i) {
        int axis = i / 2;
        float sign = (i % 2 == 0) ? 1.0f : -1.0f;
        float *plane = f.planes[i];
        for (int k = 0; k < 4; ++k)
            plane[k] = row(3, k) + sign * row(axis, k);
        float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        if (length > 0)
            for (int k = 0; k < 4; ++k)
                plane[k] /= length;
    }
    return f;
}

bool frustum_sphere_visible(const Frustum &f, const float centre[3], float radius)
{
    for (const auto &plane : f.planes)
        if (plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] + plane[3] < -radius)
            return false;
    return true;
}

bool frustum_box_visible(const Frustum &f, const float low[3], const float high[3])
{
    // The box is out when even its corner furthest along a plane's normal
    // lies outside that plane.
    for (const auto &plane : f.planes) {
        float x = plane[0] >= 0 ? high[0] : low[0], y = plane[1] >= 0 ? high[1] : low[1],
              z = plane[2] >= 0 ? high[2] : low[2];
        if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < 0)
            return false;
    }
    return true;
}
