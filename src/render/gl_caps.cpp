// GL capability detection.
#include "render/gl_caps.h"

#include "platform/log.h"
#include "platform/window.h"

#include <cstring>

GlCaps gl_caps;
GlEntryPoints glext;

namespace
{

std::string gl_string(GLenum which)
{
    const GLubyte *s = glGetString(which);
    return s ? (const char *)s : "NULL";
}

template <typename F> void fetch(F *entry, const char *name)
{
    *entry = (F)gl_proc_address(name);
}

} // namespace

bool extension_present(const char *extensions, const char *name)
{
    size_t n = strlen(name);
    if (n == 0 || strchr(name, ' '))
        return false;
    for (const char *p = extensions; (p = strstr(p, name)) != nullptr; p += n) {
        bool starts = p == extensions || p[-1] == ' ';
        bool ends = p[n] == ' ' || p[n] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

void gl_caps_init()
{
    GlCaps &c = gl_caps;
    c = GlCaps();
    c.vendor = gl_string(GL_VENDOR);
    c.renderer = gl_string(GL_RENDERER);
    c.version = gl_string(GL_VERSION);
    c.extensions = gl_string(GL_EXTENSIONS);
    const char *ext = c.extensions.c_str();
    c.has_generate_mipmap = extension_present(ext, "GL_SGIS_generate_mipmap");
    c.has_fbo = extension_present(ext, "GL_EXT_framebuffer_object");
    c.has_multitexture = extension_present(ext, "GL_ARB_multitexture");
    c.has_fragment_shader = extension_present(ext, "GL_ARB_fragment_shader");
    c.has_vertex_shader = extension_present(ext, "GL_ARB_vertex_shader");
    c.texture_units = 1;
    if (c.has_multitexture) {
        GLint units = 1;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        c.texture_units = units;
        zeph_log("%d texture units\n", units);
    }

    GlEntryPoints &g = glext;
    fetch(&g.ActiveTextureARB, "glActiveTextureARB");
    fetch(&g.ClientActiveTextureARB, "glClientActiveTextureARB");
    fetch(&g.MultiTexCoord3fvARB, "glMultiTexCoord3fvARB");
    fetch(&g.GenFramebuffersEXT, "glGenFramebuffersEXT");
    fetch(&g.BindFramebufferEXT, "glBindFramebufferEXT");
    fetch(&g.FramebufferTexture2DEXT, "glFramebufferTexture2DEXT");
    fetch(&g.CheckFramebufferStatusEXT, "glCheckFramebufferStatusEXT");
    fetch(&g.DeleteFramebuffersEXT, "glDeleteFramebuffersEXT");
    fetch(&g.GenerateMipmapEXT, "glGenerateMipmapEXT");
    fetch(&g.CreateShaderObjectARB, "glCreateShaderObjectARB");
    fetch(&g.ShaderSourceARB, "glShaderSourceARB");
    fetch(&g.CompileShaderARB, "glCompileShaderARB");
    fetch(&g.CreateProgramObjectARB, "glCreateProgramObjectARB");
    fetch(&g.AttachObjectARB, "glAttachObjectARB");
    fetch(&g.LinkProgramARB, "glLinkProgramARB");
    fetch(&g.UseProgramObjectARB, "glUseProgramObjectARB");
    fetch(&g.GetObjectParameterivARB, "glGetObjectParameterivARB");
    fetch(&g.GetInfoLogARB, "glGetInfoLogARB");
    fetch(&g.DetachObjectARB, "glDetachObjectARB");
    fetch(&g.DeleteObjectARB, "glDeleteObjectARB");
    fetch(&g.GetUniformLocationARB, "glGetUniformLocationARB");
    fetch(&g.Uniform1iARB, "glUniform1iARB");
    fetch(&g.UniformMatrix3fvARB, "glUniformMatrix3fvARB");
}
