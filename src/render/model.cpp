// Reading, caching, skinning and drawing JM models.
#include "render/model.h"

#include "files/file_index.h"
#include "files/game_file.h"
#include "platform/messages.h"
#include "render/gl_caps.h"
#include "render/shaders.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

int model_triangles_drawn;

namespace
{

struct ModelSettings {
    float lod_scale = 1, lod_bias = 0;
    bool vertex_arrays = true, gl = false, verbose = false;
} settings;

int generation;
std::vector<std::unique_ptr<Model>> cache;
std::vector<std::unique_ptr<Model>> variant_store; // the variants chained from cached models

// Reads a mesh's vertices and triangles once its header is known.
bool read_mesh_body(GameFile *f, int bones, int vertices, int triangles, float shininess, float reflectivity,
                    const float colour[3], Mesh *m)
{
    float r = colour[0], g = colour[1], b = colour[2];
    // Far beyond any model: a bad count must not allocate without bound. And
    // every number takes at least two bytes of text ("0 "), so counts that
    // the rest of the file cannot fill fail before anything is allocated.
    if (vertices < 0 || triangles < 0 || vertices > 4000000 || triangles > 4000000)
        return false;
    size_t numbers = (size_t)vertices * (8 + (size_t)bones) + (size_t)triangles * 3;
    if (numbers > gf_remaining(f) / 2 + 1)
        return false;
    m->vertex_count = vertices;
    m->triangle_count = triangles;
    m->bone_count = bones;
    m->shininess = shininess;
    m->specular[0] = r, m->specular[1] = g, m->specular[2] = b;
    m->specular[3] = shininess == -1 ? reflectivity : 1;
    int copies = bones > 0 ? 2 : 1;
    m->positions.assign((size_t)vertices * 3 * copies, 0);
    m->normals.assign((size_t)vertices * 3 * copies, 0);
    m->texcoords.resize((size_t)vertices * 2);
    m->weights.resize((size_t)vertices * bones);
    for (int v = 0; v < vertices; ++v) {
        float *p = &m->positions[(size_t)v * 3], *n = &m->normals[(size_t)v * 3], *t = &m->texcoords[(size_t)v * 2];
        if (gf_scanf(f, "%f %f %f %f %f %f %f %f", &p[0], &p[1], &p[2], &n[0], &n[1], &n[2], &t[0], &t[1]) != 8)
            return false;
        t[1] = 1 - t[1];
        float *w = m->weights.data() + (size_t)v * bones, sum = 0;
        for (int k = 0; k < bones; ++k) {
            if (gf_scanf(f, "%f", &w[k]) != 1)
                return false;
            sum += w[k];
        }
        for (int k = 0; k < bones; ++k)
            w[k] = sum != 0 ? w[k] / sum : 1.0f / bones;
    }
    m->triangles.resize((size_t)triangles * 3);
    for (unsigned &index : m->triangles) {
        int i;
        if (gf_scanf(f, "%d", &i) != 1 || i < 0 || i >= vertices)
            return false;
        index = (unsigned)i;
    }
    if (bones > 0) {
        // The rest copy follows the current one.
        std::copy(m->positions.begin(), m->positions.begin() + (size_t)vertices * 3,
                  m->positions.begin() + (size_t)vertices * 3);
        std::copy(m->normals.begin(), m->normals.begin() + (size_t)vertices * 3,
                  m->normals.begin() + (size_t)vertices * 3);
    }
    return true;
}

void compute_tangents(Mesh *m)
{
    m->tangents.assign((size_t)m->vertex_count * 3, 0);
    for (int t = 0; t < m->triangle_count; ++t) {
        unsigned i[3] = {m->triangles[3 * t], m->triangles[3 * t + 1], m->triangles[3 * t + 2]};
        const float *p0 = &m->positions[i[0] * 3], *p1 = &m->positions[i[1] * 3], *p2 = &m->positions[i[2] * 3];
        const float *t0 = &m->texcoords[i[0] * 2], *t1 = &m->texcoords[i[1] * 2], *t2 = &m->texcoords[i[2] * 2];
        float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        float du1 = t1[0] - t0[0], dv1 = t1[1] - t0[1], du2 = t2[0] - t0[0], dv2 = t2[1] - t0[1];
        float det = du1 * dv2 - du2 * dv1;
        float tangent[3];
        if (std::fabs(det) >= 9.536743e-7f) {
            // The direction of increasing u, signed to agree with the winding.
            float s = 1 / det;
            for (int k = 0; k < 3; ++k)
                tangent[k] = (e1[k] * dv2 - e2[k] * dv1) * s;
        } else {
            const float *longer =
                (e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2] > e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]) ? e1
                                                                                                                : e2;
            for (int k = 0; k < 3; ++k)
                tangent[k] = longer[k] * 9.536743e-7f;
        }
        for (unsigned v : i)
            for (int k = 0; k < 3; ++k)
                m->tangents[v * 3 + k] += tangent[k];
    }
}

void draw_arrays(const Mesh &m)
{
    if (!settings.vertex_arrays) {
        glBegin(GL_TRIANGLES);
        for (unsigned index : m.triangles) {
            glNormal3fv(&m.normals[index * 3]);
            glTexCoord2fv(&m.texcoords[index * 2]);
            glVertex3fv(&m.positions[index * 3]);
        }
        glEnd();
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m.positions.data());
    glNormalPointer(GL_FLOAT, 0, m.normals.data());
    glTexCoordPointer(2, GL_FLOAT, 0, m.texcoords.data());
    bool tangents = gl_caps.has_fragment_shader && gl_caps.texture_units >= 2 && !m.tangents.empty();
    if (tangents) {
        glext.ClientActiveTextureARB(GL_TEXTURE1_ARB);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(3, GL_FLOAT, 0, m.tangents.data());
        glext.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glDrawElements(GL_TRIANGLES, (GLsizei)m.triangles.size(), GL_UNSIGNED_INT, m.triangles.data());
    if (tangents) {
        glext.ClientActiveTextureARB(GL_TEXTURE1_ARB);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glext.ClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void prepare(Model *model)
{
    for (Mesh &m : model->meshes) {
        compute_tangents(&m);
        bool reflective = m.shininess == -1;
        if (settings.gl && m.bone_count == 0 && (gl_caps.has_fragment_shader || !reflective)) {
            m.display_list = glGenLists(1);
            glNewList(m.display_list, GL_COMPILE);
            draw_arrays(m);
            glEndList();
        }
    }
}

void free_model(Model *model)
{
    for (Model *v = model; v;) {
        for (Mesh &m : v->meshes)
            if (m.display_list && settings.gl)
                glDeleteLists(m.display_list, 1);
        Model *next = v->next_variant;
        if (v != model)
            variant_store.erase(std::remove_if(variant_store.begin(), variant_store.end(),
                                               [&](const std::unique_ptr<Model> &p) { return p.get() == v; }),
                                variant_store.end());
        v = next;
    }
}

Model *read_file(const char *name)
{
    GameFile *f = gf_open(name, "rb");
    if (!f)
        return nullptr;
    auto model = std::make_unique<Model>();
    model->name = name;
    bool ok = model_read(f, model.get());
    gf_close(f);
    if (!ok)
        return nullptr;
    prepare(model.get());
    return model.release();
}

// Variants: game files named like the model with "_lod<n>" before the
// extension (also gzip-compressed), at distance 2^n.
void attach_variants(Model *model)
{
    std::string base = model->name;
    if (base.empty() || base[0] != '@')
        return;
    base = base.substr(1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos)
        base = base.substr(0, dot);
    std::string prefix = base + "_lod";
    for (const char *const *n = gf_list_names(); *n; ++n) {
        std::string name = *n;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const char *number = name.c_str() + prefix.size();
        char *end;
        double level = strtod(number, &end);
        if (end == number)
            continue;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0)
            name.resize(name.size() - 3);
        Model *variant = read_file(("@" + name).c_str());
        if (!variant)
            continue;
        variant_store.emplace_back(variant);
        variant->variant_distance = (float)std::pow(2.0, level);
        Model *at = model;
        while (at->next_variant && at->next_variant->variant_distance <= variant->variant_distance)
            at = at->next_variant;
        variant->next_variant = at->next_variant;
        at->next_variant = variant;
    }
}

bool equal_ignoring_case(const std::string &a, const char *b)
{
    size_t n = strlen(b);
    if (a.size() != n)
        return false;
    for (size_t k = 0; k < n; ++k)
        if (tolower((unsigned char)a[k]) != tolower((unsigned char)b[k]))
            return false;
    return true;
}

void place(const float position[3], const float r[12])
{
    // The physics keeps rotations row-major; GL wants the columns.
    const GLfloat m[16] = {r[0], r[4], r[8],  0, r[1],        r[5],        r[9],        0,
                           r[2], r[6], r[10], 0, position[0], position[1], position[2], 1};
    glPushMatrix();
    glMultMatrixf(m);
}

} // namespace

bool model_read(GameFile *f, Model *model)
{
    Model read;
    int version = 0, bones = 0;
    int c1 = gf_getc(f), c2 = gf_getc(f);
    bool headed = c1 == 'J' && c2 == 'M';
    if (headed) {
        char name[1024];
        if (gf_scanf(f, "%d", &version) != 1 || (version != 1 && version != 2))
            return false;
        if (version == 2 && (gf_scanf(f, "%d %1023s", &bones, name) != 2 || bones < 0 || bones > 256))
            return false;
        // Meshes follow until a mesh header does not parse; anything cut
        // short inside a mesh fails the whole model.
        float shininess, reflectivity, colour[3];
        int vertices, triangles;
        while (gf_scanf(f, "%f %f %f %f %f %d %d", &shininess, &reflectivity, &colour[0], &colour[1], &colour[2],
                        &vertices, &triangles) == 7) {
            Mesh m;
            if (!read_mesh_body(f, bones, vertices, triangles, shininess, reflectivity, colour, &m))
                return false;
            read.meshes.push_back(std::move(m));
        }
        if (read.meshes.empty())
            return false;
    } else {
        // The old header-less form: "vertices triangles", one mesh, specular
        // white, shininess 32. The two bytes already read begin the count.
        std::string count;
        if (c1 >= 0)
            count += (char)c1;
        int c = c2;
        while (c >= 0 && isdigit(c) && !count.empty() && isdigit((unsigned char)count.back())) {
            count += (char)c;
            c = gf_getc(f);
        }
        gf_unget(f, c);
        char *end;
        long vertices = strtol(count.c_str(), &end, 10);
        int triangles;
        if (end == count.c_str() || (*end != '\0' && !isspace((unsigned char)*end)))
            return false;
        if (gf_scanf(f, "%d", &triangles) != 1)
            return false;
        const float white[3] = {1, 1, 1};
        Mesh m;
        if (!read_mesh_body(f, 0, (int)std::min(vertices, 4000001L), triangles, 32, 0, white, &m))
            return false;
        read.meshes.push_back(std::move(m));
    }
    read.bone_count = bones;
    for (const Mesh &m : read.meshes)
        read.has_reflective = read.has_reflective || m.shininess == -1;
    model->meshes = std::move(read.meshes);
    model->bone_count = read.bone_count;
    model->has_reflective = read.has_reflective;
    return true;
}

void model_settings(float lod_scale, float lod_bias, bool vertex_arrays, bool gl, bool verbose)
{
    settings = {lod_scale, lod_bias, vertex_arrays, gl, verbose};
}

Model *load_model(const char *name, bool warn)
{
    for (auto &m : cache)
        if (m->name == name) {
            m->generation = generation;
            return m.get();
        }
    for (auto &m : cache)
        if (equal_ignoring_case(m->name, name)) {
            show_messagef("Warning: case mismatch on '%.900s'", name);
            m->generation = generation;
            return m.get();
        }
    Model *model = read_file(name);
    if (!model) {
        if (warn)
            show_messagef("Warning: Can't load %.900s", name);
        return nullptr;
    }
    model->generation = generation;
    attach_variants(model);
    cache.emplace_back(model);
    return model;
}

void model_generation_advance()
{
    ++generation;
}

void forget_models()
{
    for (auto *list : {&cache, &variant_store})
        for (auto &model : *list)
            for (Mesh &mesh : model->meshes)
                mesh.display_list = 0;
    cache.clear();
    variant_store.clear();
}

void free_stale_models()
{
    std::vector<std::unique_ptr<Model>> kept;
    for (auto &m : cache) {
        if (m->generation == 0 || m->generation == generation) {
            kept.push_back(std::move(m));
            continue;
        }
        if (settings.verbose)
            show_messagef("deleting model %.900s", m->name.c_str());
        free_model(m.get());
    }
    cache = std::move(kept);
}

const Model *model_variant(const Model *model, float distance)
{
    float d = distance * settings.lod_scale;
    const Model *at = model;
    while (at->next_variant) {
        float v = at->next_variant->variant_distance - settings.lod_bias;
        if (v > 0 && v > d)
            break;
        at = at->next_variant;
    }
    return at;
}

void skin_mesh(Mesh *m, const BonePoses &b)
{
    if (m->bone_count != b.count || b.count == 0)
        return;
    size_t n = (size_t)m->vertex_count, rest = n * 3;
    for (size_t v = 0; v < n; ++v) {
        float p[3] = {0, 0, 0}, nn[3] = {0, 0, 0};
        const float *rp = &m->positions[rest + v * 3], *rn = &m->normals[rest + v * 3];
        for (int k = 0; k < b.count; ++k) {
            float w = m->weights[v * b.count + k];
            if (w <= 0)
                continue;
            const float *R = b.rotations[k], *bp = b.positions[k], *br = b.rest_positions[k];
            float d[3] = {rp[0] - br[0], rp[1] - br[1], rp[2] - br[2]};
            for (int i = 0; i < 3; ++i) {
                p[i] += w * (R[3 * i] * d[0] + R[3 * i + 1] * d[1] + R[3 * i + 2] * d[2] + bp[i]);
                nn[i] += w * (R[3 * i] * rn[0] + R[3 * i + 1] * rn[1] + R[3 * i + 2] * rn[2]);
            }
        }
        float len = std::sqrt(nn[0] * nn[0] + nn[1] * nn[1] + nn[2] * nn[2]);
        for (int i = 0; i < 3; ++i) {
            m->positions[v * 3 + i] = p[i];
            m->normals[v * 3 + i] = len > 0 ? nn[i] / len : nn[i];
        }
    }
}

float model_radius(Model *model)
{
    if (model->radius < 0) {
        float most = 0;
        for (const Mesh &m : model->meshes)
            for (size_t k = 0; k + 2 < m.positions.size(); k += 3)
                most = std::max(most, m.positions[k] * m.positions[k] + m.positions[k + 1] * m.positions[k + 1] +
                                          m.positions[k + 2] * m.positions[k + 2]);
        model->radius = std::sqrt(most);
    }
    return model->radius;
}

void draw_model(Model *model, const float position[3], const float rotation[12], const BonePoses *bones)
{
    float distance = std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2]);
    Model *m = const_cast<Model *>(model_variant(model, distance));
    place(position, rotation);
    for (Mesh &mesh : m->meshes) {
        if (mesh.shininess == -1)
            break;
        GLfloat specular[4] = {mesh.specular[0], mesh.specular[1], mesh.specular[2], mesh.specular[3]};
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::max(0.125f, std::min(128.0f, mesh.shininess)));
        if (bones)
            skin_mesh(&mesh, *bones);
        if (mesh.display_list)
            glCallList(mesh.display_list);
        else
            draw_arrays(mesh);
        model_triangles_drawn += mesh.triangle_count;
    }
    glPopMatrix();
}

void draw_model_reflective(Model *model, const float position[3], const float rotation[12], const BonePoses *bones)
{
    if (!model->has_reflective)
        return;
    float distance = std::sqrt(position[0] * position[0] + position[1] * position[1] + position[2] * position[2]);
    Model *m = const_cast<Model *>(model_variant(model, distance));
    place(position, rotation);
    for (Mesh &mesh : m->meshes) {
        if (mesh.shininess != -1)
            continue;
        if (bones)
            skin_mesh(&mesh, *bones);
        glColor4f(mesh.specular[3] * mesh.specular[0], mesh.specular[3] * mesh.specular[1],
                  mesh.specular[3] * mesh.specular[2], 1);
        if (!gl_caps.has_fragment_shader) {
            glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
        }
        if (mesh.display_list)
            glCallList(mesh.display_list);
        else
            draw_arrays(mesh);
        if (!gl_caps.has_fragment_shader) {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
        }
        model_triangles_drawn += mesh.triangle_count;
    }
    glPopMatrix();
}

void export_pov_mesh(const Mesh &m, GameFile *f)
{
    gf_printf(f, "mesh2 {\n");
    gf_printf(f, "\tvertex_vectors {\n\t\t%d\n", m.vertex_count);
    for (int v = 0; v < m.vertex_count; ++v)
        gf_printf(f, "\t\t<%f,%f,%f>%s\n", m.positions[v * 3], m.positions[v * 3 + 1], m.positions[v * 3 + 2],
                  v + 1 < m.vertex_count ? "," : "");
    gf_printf(f, "\t}\n\tnormal_vectors {\n\t\t%d\n", m.vertex_count);
    for (int v = 0; v < m.vertex_count; ++v)
        gf_printf(f, "\t\t<%f,%f,%f>%s\n", m.normals[v * 3], m.normals[v * 3 + 1], m.normals[v * 3 + 2],
                  v + 1 < m.vertex_count ? "," : "");
    gf_printf(f, "\t}\n\tuv_vectors {\n\t\t%d\n", m.vertex_count);
    for (int v = 0; v < m.vertex_count; ++v)
        gf_printf(f, "\t\t<%f,%f>%s\n", m.texcoords[v * 2], m.texcoords[v * 2 + 1], v + 1 < m.vertex_count ? "," : "");
    gf_printf(f, "\t}\n\tface_indices {\n\t\t%d\n", m.triangle_count);
    for (int t = 0; t < m.triangle_count; ++t)
        gf_printf(f, "\t\t<%d,%d,%d>%s\n", m.triangles[3 * t], m.triangles[3 * t + 1], m.triangles[3 * t + 2],
                  t + 1 < m.triangle_count ? "," : "");
    gf_printf(f, "\t}\n}\n");
}
