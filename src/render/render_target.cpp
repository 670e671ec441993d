#include "render/render_target.h"

#include "platform/messages.h"
#include "render/gl_caps.h"

void render_target_open(RenderTarget *target, bool use_fbo, bool announce)
{
    render_target_close(target);
    target->use_fbo = use_fbo && gl_caps.has_fbo && glext.GenFramebuffersEXT;
    if (!target->use_fbo)
        return;
    if (announce)
        show_message("Using frame buffer objects");
    GLuint fb = 0;
    glext.GenFramebuffersEXT(1, &fb);
    target->framebuffer = fb;
}

void render_target_close(RenderTarget *target)
{
    if (target->framebuffer) {
        GLuint fb = target->framebuffer;
        glext.DeleteFramebuffersEXT(1, &fb);
    }
    *target = RenderTarget();
}

bool render_target_begin(RenderTarget *target, unsigned texture, int size, const float area[4])
{
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    if (target->use_fbo) {
        glext.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
        glext.FramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
        GLenum status = glext.CheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
        if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
            show_messagef("Framebuffer error %x", status);
            glext.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            glPopAttrib();
            target->use_fbo = false;
            return false;
        }
    }
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(area[0], area[1], area[2], area[3], 0.5, 2);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, 0, -1);
    for (GLenum feature : {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_ALPHA_TEST, GL_BLEND, GL_TEXTURE_2D})
        glDisable(feature);
    glColor4f(1, 1, 1, 1);
    return true;
}

void render_target_end(RenderTarget *target, unsigned texture, int size, bool mipmaps)
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, texture);
    if (target->use_fbo) {
        glext.FramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, 0, 0);
        glext.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        if (mipmaps && glext.GenerateMipmapEXT)
            glext.GenerateMipmapEXT(GL_TEXTURE_2D);
    } else {
        glReadBuffer(GL_BACK);
        // The copy rebuilds the smaller levels itself.
        if (mipmaps && gl_caps.has_generate_mipmap)
            glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, size, size);
    }
    glPopAttrib();
}
