// What the GL driver offers, and the extension entry points the renderer uses.
#pragma once

#define GL_GLEXT_LEGACY
#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

struct GlCaps {
    std::string vendor, renderer, version, extensions; // "NULL" when not returned
    int has_multitexture;
    int has_vertex_shader;
    int has_fragment_shader; // after start-up: shaders are in use
    int has_generate_mipmap;
    int has_fbo;
    int texture_units;
};

// Extension entry points, fetched by name whatever the driver advertises;
// called only on paths the matching capability enables.
struct GlEntryPoints {
    PFNGLACTIVETEXTUREARBPROC ActiveTextureARB;
    PFNGLCLIENTACTIVETEXTUREARBPROC ClientActiveTextureARB;
    PFNGLMULTITEXCOORD3FVARBPROC MultiTexCoord3fvARB;
    PFNGLGENFRAMEBUFFERSEXTPROC GenFramebuffersEXT;
    PFNGLBINDFRAMEBUFFEREXTPROC BindFramebufferEXT;
    PFNGLFRAMEBUFFERTEXTURE2DEXTPROC FramebufferTexture2DEXT;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC CheckFramebufferStatusEXT;
    PFNGLDELETEFRAMEBUFFERSEXTPROC DeleteFramebuffersEXT;
    PFNGLGENERATEMIPMAPEXTPROC GenerateMipmapEXT;
    PFNGLCREATESHADEROBJECTARBPROC CreateShaderObjectARB;
    PFNGLSHADERSOURCEARBPROC ShaderSourceARB;
    PFNGLCOMPILESHADERARBPROC CompileShaderARB;
    PFNGLCREATEPROGRAMOBJECTARBPROC CreateProgramObjectARB;
    PFNGLATTACHOBJECTARBPROC AttachObjectARB;
    PFNGLLINKPROGRAMARBPROC LinkProgramARB;
    PFNGLUSEPROGRAMOBJECTARBPROC UseProgramObjectARB;
    PFNGLGETOBJECTPARAMETERIVARBPROC GetObjectParameterivARB;
    PFNGLGETINFOLOGARBPROC GetInfoLogARB;
    PFNGLDETACHOBJECTARBPROC DetachObjectARB;
    PFNGLDELETEOBJECTARBPROC DeleteObjectARB;
    PFNGLGETUNIFORMLOCATIONARBPROC GetUniformLocationARB;
    PFNGLUNIFORM1IARBPROC Uniform1iARB;
    PFNGLUNIFORMMATRIX3FVARBPROC UniformMatrix3fvARB;
};

extern GlCaps gl_caps;
extern GlEntryPoints glext;

// Reads the GL strings, sets the capability flags and fetches the entry
// points. Needs a current GL context.
void gl_caps_init();

// Whether a name occurs in an extension string as a whole blank-separated token.
bool extension_present(const char *extensions, const char *name);
