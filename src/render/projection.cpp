#include "render/projection.h"

#include "render/gl_caps.h"

#include <cmath>

namespace
{

float last_fov = 90; // the field of view of the projection set last

} // namespace

ViewExtents view_extents;

ViewExtents compute_view_extents(int width, int height, float fov_degrees)
{
    ViewExtents e;
    if (width < 1 || height < 1)
        return e;
    float t = std::tan(fov_degrees * (float)M_PI / 360);
    float aspect = (float)width / (float)height;
    if (aspect > 4.0f / 3) {
        e.y = 0.75f * t;
        e.x = e.y * aspect;
    } else {
        e.x = t;
        e.y = e.x / aspect;
    }
    return e;
}

void restore_projection(int width, int height)
{
    set_projection(width, height, last_fov);
}

void set_projection(int width, int height, float fov_degrees)
{
    last_fov = fov_degrees;
    glViewport(0, 0, width, height);
    view_extents = compute_view_extents(width, height, fov_degrees);
    float x = view_extents.x, y = view_extents.y;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-x / 4, x / 4, -y / 4, y / 4, 0.25, 5000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void begin_pixel_drawing(int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
}

void end_pixel_drawing()
{
    glDisable(GL_BLEND);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void pixel_rect(float left, float top, float right, float bottom, float r, float g, float b, float a)
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    glVertex2f(left, top);
    glVertex2f(right, top);
    glVertex2f(right, bottom);
    glVertex2f(left, bottom);
    glEnd();
}
