#include "render/lens_flares.h"

#include "render/camera.h"
#include "render/gl_caps.h"
#include "render/projection.h"
#include "track/objects.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

float edge_fade(float s, float extent, float margin)
{
    if (s < -extent + margin)
        return std::clamp((s + extent) / margin, 0.0f, 1.0f);
    if (s > extent - margin)
        return std::clamp((extent - s) / margin, 0.0f, 1.0f);
    return 1;
}

} // namespace

bool flare_screen_position(const LensFlare &flare, const SceneCamera &camera, float x_extent, float y_extent, float *sx,
                           float *sy, float *eye_depth)
{
    float v[3];
    for (int i = 0; i < 3; ++i)
        v[i] = flare.kind == FLARE_POINT ? flare.position[i] - camera.position[i] : flare.position[i];
    const float *o = camera.orientation;
    float e[3];
    for (int i = 0; i < 3; ++i) // transpose of the orientation times v
        e[i] = o[i] * v[0] + o[3 + i] * v[1] + o[6 + i] * v[2];
    float depth = -e[2];
    if (depth <= 0 || std::fabs(e[0]) > depth * x_extent || std::fabs(e[1]) > depth * y_extent)
        return false;
    *sx = e[0] / depth;
    *sy = e[1] / depth;
    *eye_depth = depth;
    return true;
}

float linear_depth(float z)
{
    return (1250 / (5000 - 4999.75f * z) - 0.25f) * 0.00020001f;
}

float flare_visibility(const LensFlare &flare, float sx, float sy, float eye_depth, float x_extent, float y_extent,
                       const uint8_t rgb[3], float depth)
{
    if (rgb[0] <= 223 || rgb[1] <= 223 || rgb[2] <= 223)
        return 0;
    float lin = linear_depth(depth);
    bool open =
        flare.kind == FLARE_VECTOR ? lin >= 0.4f : lin >= std::clamp((eye_depth - 0.25f) * 0.00020001f, 0.0f, 1.0f);
    if (!open)
        return 0;
    float margin = std::min(x_extent, y_extent) / 32;
    return std::min(edge_fade(sx, x_extent, margin), edge_fade(sy, y_extent, margin));
}

void draw_lens_flares(Lighting *lighting, const SceneCamera &camera, int width, int height)
{
    float x = view_extents.x, y = view_extents.y;
    int count = (int)lighting->flares.size();
    std::vector<float> visibility(count, 0.0f);
    for (int k = 0; k < count; ++k) {
        LensFlare &flare = lighting->flares[k];
        flare.visible = false;
        float sx, sy, eye_depth;
        if (!flare_screen_position(flare, camera, x, y, &sx, &sy, &eye_depth))
            continue;
        flare.screen_x = sx;
        flare.screen_y = sy;
        int px = (int)std::floor(std::clamp((sx + x) / (2 * x), 0.0f, 1.0f) * (float)width);
        int py = (int)std::floor(std::clamp((sy + y) / (2 * y), 0.0f, 1.0f) * (float)height);
        if (px >= width || py >= height)
            continue;
        uint8_t rgb[3];
        float depth;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(px, py, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        glReadPixels(px, py, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        visibility[k] = flare_visibility(flare, sx, sy, eye_depth, x, y, rgb, depth);
        flare.visible = visibility[k] > 0;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (int k = 0; k < count; ++k) {
        const LensFlare &flare = lighting->flares[k];
        float v = visibility[k];
        if (v == 0)
            continue;
        float sx = flare.screen_x, sy = flare.screen_y;
        for (int i = 0; i < flare.count && i < FLARE_ELEMENTS; ++i) {
            const FlareElement &e = flare.elements[i];
            float cx = e.along * sx + e.across * sy, cy = e.along * sy - e.across * sx, s = e.size;
            glBindTexture(GL_TEXTURE_2D, e.texture);
            glColor4f(v * e.colour[0], v * e.colour[1], v * e.colour[2], 1);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex3f(cx - s, cy - s, -1);
            glTexCoord2f(1, 0);
            glVertex3f(cx + s, cy - s, -1);
            glTexCoord2f(1, 1);
            glVertex3f(cx + s, cy + s, -1);
            glTexCoord2f(0, 1);
            glVertex3f(cx - s, cy + s, -1);
            glEnd();
        }
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDisable(GL_DEPTH_TEST);
}
