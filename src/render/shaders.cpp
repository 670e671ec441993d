// Building and switching the shading programs.
//
// One vertex and one fragment source serve all five programs; each program
// compiles them with its own defines. They read the fixed-function state:
// light 0 (directional), the front material, the light-model ambient, the
// fog and the vertex colour. Texture unit 0 holds the colour or environment
// map, unit 1 the normal map, unit 2 the specular map; tangents arrive as
// texture coordinates of set 1.
#include "render/shaders.h"

#include "platform/log.h"
#include "render/gl_caps.h"

#include <string>

int shader_changes;

namespace
{

// What the vertex stage hands to the fragment stage, shared by both.
const char varyings_source[] = R"(
varying vec3 N;
varying vec3 V;
#ifdef NORMAL_MAP
varying vec3 T;
#endif
#ifdef ENV
varying vec4 C;
#else
varying vec3 L;
varying vec4 D;
varying vec4 A;
#endif
)";

const char vertex_source[] = R"(
void main()
{
    N = normalize(gl_NormalMatrix * gl_Normal);
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
#if defined(ENV) && defined(NORMAL_MAP)
    V = eye.xyz;
#else
    V = eye.xyz / eye.w;
#endif
#ifdef ENV
    C = gl_Color;
#else
    L = normalize(gl_LightSource[0].position.xyz);
    D = gl_FrontMaterial.diffuse * gl_LightSource[0].diffuse;
    A = gl_FrontMaterial.ambient * gl_LightSource[0].ambient
        + gl_LightModel.ambient * gl_FrontMaterial.ambient;
    A.a = min(A.a, 1.0);
#endif
#if !defined(ENV) || defined(NORMAL_MAP)
    gl_TexCoord[0] = gl_MultiTexCoord0;
#endif
#ifdef NORMAL_MAP
    T = normalize(gl_NormalMatrix * gl_MultiTexCoord1.xyz);
#endif
    gl_Position = ftransform();
}
)";

const char fragment_source[] = R"(
uniform sampler2D tex;
#ifdef NORMAL_MAP
uniform sampler2D nmap;
#endif
#ifdef SPEC_MAP
uniform sampler2D smap;
#endif
#ifdef ENV
uniform mat3 envmat;
#endif
void main()
{
    vec3 n = normalize(N);
#ifdef NORMAL_MAP
    vec3 t = normalize(T - n * dot(n, T));
    vec3 b = cross(n, t);
    n = normalize(mat3(t, b, n) * (texture2D(nmap, gl_TexCoord[0].st).rgb * 2.0 - 1.0));
#endif
#ifdef ENV
    vec3 r = normalize(envmat * reflect(V, n));
    float side = length(r.xz);
    vec2 around = side > 0.0 ? r.xz / side : vec2(0.0);
    vec2 uv = vec2(0.5) + around * acos(clamp(r.y, -1.0, 1.0)) * 0.15915494309189535;
    gl_FragColor = texture2D(tex, uv) * C;
#else
    float ndl = dot(n, L);
    float rdl = max(dot(reflect(normalize(V), n), L), 0.0);
    if (ndl < 0.0) {
        ndl = 0.0;
        rdl = 0.0;
    }
    vec4 colour = A;
    colour.rgb += D.rgb * ndl;
    colour *= texture2D(tex, gl_TexCoord[0].st);
#ifdef SPEC_MAP
    vec4 s = texture2D(smap, gl_TexCoord[0].st);
    float exponent = s.a * 128.0 + 0.125;
    if (exponent >= 127.875)
        exponent = gl_FrontMaterial.shininess;
    colour.rgb += s.rgb * gl_LightSource[0].specular.rgb * pow(rdl, exponent);
#else
    colour.rgb += gl_FrontMaterial.specular.rgb * gl_LightSource[0].specular.rgb
                  * pow(rdl, gl_FrontMaterial.shininess);
#endif
    float z = gl_FragCoord.z / gl_FragCoord.w;
    float f = clamp(exp2(-1.4426950408889634 * gl_Fog.density * z), 0.0, 1.0);
    colour.rgb = gl_Fog.color.rgb * (1.0 - f) + colour.rgb * f;
    gl_FragColor = colour;
#endif
}
)";

struct ProgramSpec {
    const char *name;
    const char *defines;
};

const ProgramSpec specs[PROGRAM_COUNT] = {
    {"", ""},
    {"lit", ""},
    {"env", "#define ENV\n"},
    {"norm_lit", "#define NORMAL_MAP\n"},
    {"norm_env", "#define ENV\n#define NORMAL_MAP\n"},
    {"norm_spec_lit", "#define NORMAL_MAP\n#define SPEC_MAP\n"},
};

struct ProgramSlot {
    GLhandleARB program, vertex, fragment;
};

ProgramSlot slots[PROGRAM_COUNT];
int current_program;
GLint envmat_location[PROGRAM_COUNT] = {-1, -1, -1, -1, -1, -1};

// Logs the info log of a shader or program whenever it has one.
void log_status(GLhandleARB object, const char *what, const char *name)
{
    GLint length = 0;
    glext.GetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1)
        return;
    std::string text((size_t)length, '\0');
    glext.GetInfoLogARB(object, length, nullptr, &text[0]);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    if (!text.empty())
        zeph_log("%s for %s:\n%s\n", what, name, text.c_str());
}

bool compile(GLhandleARB shader, const ProgramSpec &spec, const char *body, const char *what)
{
    std::string source = std::string("#version 110\n") + spec.defines + varyings_source + body;
    const GLcharARB *text = source.c_str();
    glext.ShaderSourceARB(shader, 1, &text, nullptr);
    glext.CompileShaderARB(shader);
    log_status(shader, what, spec.name);
    GLint ok = 0;
    glext.GetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
    return ok != 0;
}

bool build(int index)
{
    const ProgramSpec &spec = specs[index];
    ProgramSlot &slot = slots[index];
    slot.vertex = glext.CreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    slot.fragment = glext.CreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    if (!compile(slot.vertex, spec, vertex_source, "vertex shader status") ||
        !compile(slot.fragment, spec, fragment_source, "fragment shader status"))
        return false;
    slot.program = glext.CreateProgramObjectARB();
    glext.AttachObjectARB(slot.program, slot.vertex);
    glext.AttachObjectARB(slot.program, slot.fragment);
    glext.LinkProgramARB(slot.program);
    log_status(slot.program, "link status", spec.name);
    GLint ok = 0;
    glext.GetObjectParameterivARB(slot.program, GL_OBJECT_LINK_STATUS_ARB, &ok);
    return ok != 0;
}

void delete_all()
{
    for (ProgramSlot &slot : slots) {
        if (slot.program) {
            if (slot.vertex)
                glext.DetachObjectARB(slot.program, slot.vertex);
            if (slot.fragment)
                glext.DetachObjectARB(slot.program, slot.fragment);
        }
        for (GLhandleARB object : {slot.vertex, slot.fragment, slot.program})
            if (object)
                glext.DeleteObjectARB(object);
        slot = ProgramSlot();
    }
}

void bind_sampler(int index, const char *sampler, int unit)
{
    use_program(index);
    GLint at = glext.GetUniformLocationARB(slots[index].program, sampler);
    if (at != -1)
        glext.Uniform1iARB(at, unit);
}

} // namespace

int shaders_init()
{
    if (!gl_caps.has_fragment_shader || !gl_caps.has_vertex_shader)
        return 0;
    delete_all();
    for (int i = PROGRAM_LIT; i < PROGRAM_COUNT; ++i) {
        if (!build(i)) {
            delete_all();
            gl_caps.has_fragment_shader = 0;
            gl_caps.has_vertex_shader = 0;
            return 0;
        }
    }
    for (int i : {PROGRAM_NORM_LIT, PROGRAM_NORM_ENV, PROGRAM_NORM_SPEC_LIT})
        bind_sampler(i, "nmap", 1);
    bind_sampler(PROGRAM_NORM_SPEC_LIT, "smap", 2);
    use_program(PROGRAM_FIXED);
    return 1;
}

void use_program(int index)
{
    if (index < 0 || index >= PROGRAM_COUNT || index == current_program)
        return;
    current_program = index;
    glext.UseProgramObjectARB(slots[index].program);
    ++shader_changes;
}

void set_env_matrix(const float rows[9])
{
    float columns[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            columns[3 * c + r] = rows[3 * r + c];
    for (int index : {PROGRAM_ENV, PROGRAM_NORM_ENV}) {
        use_program(index);
        if (envmat_location[index] == -1)
            envmat_location[index] = glext.GetUniformLocationARB(slots[index].program, "envmat");
        glext.UniformMatrix3fvARB(envmat_location[index], 1, GL_FALSE, columns);
    }
    use_program(PROGRAM_FIXED);
}

unsigned program_object(int index)
{
    return index >= 0 && index < PROGRAM_COUNT ? (unsigned)slots[index].program : 0;
}

const char *program_name(int index)
{
    return index >= 0 && index < PROGRAM_COUNT ? specs[index].name : "";
}
