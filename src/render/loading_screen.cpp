#include "render/loading_screen.h"

#include "files/texture.h"
#include "platform/log.h"
#include "render/gl_caps.h"
#include "render/projection.h"
#include "render/text.h"

namespace
{

const char version_label[] = "Rutvale " RUTVALE_VERSION;

void quad(float left, float bottom, float right, float top)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex3f(left, bottom, -1);
    glTexCoord2f(1, 1);
    glVertex3f(right, bottom, -1);
    glTexCoord2f(1, 0);
    glVertex3f(right, top, -1);
    glTexCoord2f(0, 0);
    glVertex3f(left, top, -1);
    glEnd();
}

} // namespace

void draw_loading_screen(const char *message)
{
    const float x = view_extents.x, y = view_extents.y;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 1);
    quad(-x, -y, x, y);

    if (unsigned title = load_texture("!@title.ppm")) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, title);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glColor4f(1, 1, 1, 1);
        quad(-y / 2, -y / 2, y / 2, y / 2);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glDisable(GL_TEXTURE_2D);
    }

    font_select(&text_font);
    if (message && *message) {
        zeph_log("%s\n", message);
        float line = 2 * y / 25;
        glPushMatrix();
        glTranslatef(-x, y - line, -1);
        glScalef(line, line, 1);
        text_draw(1, 1, 1, 1, message);
        glPopMatrix();
    }

    float height = y / 16;
    glPushMatrix();
    glTranslatef(x - text_width(version_label) * height, -y, -1);
    glScalef(height, height, 1);
    text_draw_shadowed(0.75f, 0.75f, 0.75f, 1, version_label);
    glPopMatrix();
    glDisable(GL_BLEND);
}
