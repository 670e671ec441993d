#include "render/sky.h"

#include "render/gl_caps.h"
#include "track/objects.h"

namespace
{

// Corners of each face on the unit cube: north, east, south, west, up.
const float faces[5][4][3] = {
    {{-1, 1, -1}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}}, {{1, 1, -1}, {1, -1, -1}, {1, -1, 1}, {1, 1, 1}},
    {{1, 1, 1}, {1, -1, 1}, {-1, -1, 1}, {-1, 1, 1}},     {{-1, 1, 1}, {-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}},
    {{-1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {1, 1, 1}},
};

// Half-size of the box: its corners stay inside the far plane at 5000.
const float half_size = 2886;

const float texcoords[4][2] = {
    {1.0f / 128, 1.0f / 128}, {1.0f / 128, 127.0f / 128}, {127.0f / 128, 127.0f / 128}, {127.0f / 128, 1.0f / 128}};

} // namespace

void draw_sky_box(const unsigned sky[5], bool behind_scene)
{
    // The box stands behind everything: it leaves the depth buffer as it is
    // so ground beyond the box's faces (on big tracks) still shows. Drawn
    // after the scene, it lies at the far end of the depth range and fills
    // only the pixels nothing covers.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(behind_scene ? GL_LEQUAL : GL_ALWAYS);
    glDepthMask(GL_FALSE);
    if (behind_scene)
        glDepthRange(1, 1);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    for (int f = 0; f < 5; ++f) {
        if (!sky[f])
            continue;
        glBindTexture(GL_TEXTURE_2D, sky[f]);
        glBegin(GL_QUADS);
        for (int c = 0; c < 4; ++c) {
            glTexCoord2fv(texcoords[c]);
            glVertex3f(faces[f][c][0] * half_size, faces[f][c][1] * half_size, faces[f][c][2] * half_size);
        }
        glEnd();
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDepthRange(0, 1);
}

void set_track_lights(const Lighting &l)
{
    const float sun[4] = {l.sun_vector[0], l.sun_vector[1], l.sun_vector[2], 0};
    const float diffuse[4] = {l.sun_colour[0], l.sun_colour[1], l.sun_colour[2], 1};
    const float ambient[4] = {l.ambient[0], l.ambient[1], l.ambient[2], 1};
    const float global[4] = {l.global_ambient[0], l.global_ambient[1], l.global_ambient[2], 1};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    glEnable(GL_LIGHT0);
}
