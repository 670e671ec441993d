#include "mesh.h"

#include <cmath>
#include <cstdio>

void Mesh::add_quad(const float a[3], const float b[3], const float c[3], const float d[3], float u0, float v0,
                    float u1, float v1)
{
    float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float e2[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
    float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len > 0)
        for (float &v : n)
            v /= len;
    int base = (int)vertices.size();
    const float *corners[4] = {a, b, c, d};
    const float uvs[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    for (int k = 0; k < 4; ++k) {
        Vertex v;
        for (int i = 0; i < 3; ++i) {
            v.p[i] = corners[k][i];
            v.n[i] = n[i];
        }
        v.uv[0] = uvs[k][0];
        v.uv[1] = uvs[k][1];
        vertices.push_back(v);
    }
    for (int t : {0, 1, 2, 0, 2, 3})
        triangles.push_back(base + t);
}

void Mesh::add_box(float cx, float cy, float cz, float sx, float sy, float sz, float u0, float v0, float u1, float v1)
{
    float x0 = cx - sx / 2, x1 = cx + sx / 2, y0 = cy - sy / 2, y1 = cy + sy / 2;
    float z0 = cz - sz / 2, z1 = cz + sz / 2;
    float p[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                     {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
    // Faces wound counter-clockwise seen from outside.
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6}, {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    for (const auto &f : faces)
        add_quad(p[f[0]], p[f[1]], p[f[2]], p[f[3]], u0, v1, u1, v0);
}

void Mesh::add_cylinder_x(float cx, float cy, float cz, float r, float len, int sides, float u0, float v0, float u1,
                          float v1)
{
    int base = (int)vertices.size();
    for (int k = 0; k <= sides; ++k) {
        float a = 2 * (float)M_PI * k / sides;
        float ny = std::cos(a), nz = std::sin(a);
        for (int end = 0; end < 2; ++end) {
            Vertex v = {{cx + (end ? len / 2 : -len / 2), cy + r * ny, cz + r * nz},
                        {0, ny, nz},
                        {u0 + (u1 - u0) * k / sides, end ? v1 : v0}};
            vertices.push_back(v);
        }
    }
    for (int k = 0; k < sides; ++k) {
        int a = base + 2 * k;
        for (int t : {a, a + 2, a + 1, a + 1, a + 2, a + 3})
            triangles.push_back(t);
    }
    for (int end = 0; end < 2; ++end) {
        float x = cx + (end ? len / 2 : -len / 2), nx = end ? 1.0f : -1.0f;
        int centre = (int)vertices.size();
        vertices.push_back({{x, cy, cz}, {nx, 0, 0}, {(u0 + u1) / 2, (v0 + v1) / 2}});
        for (int k = 0; k <= sides; ++k) {
            float a = 2 * (float)M_PI * k / sides;
            vertices.push_back(
                {{x, cy + r * std::cos(a), cz + r * std::sin(a)},
                 {nx, 0, 0},
                 {(u0 + u1) / 2 + (u1 - u0) / 2 * std::cos(a), (v0 + v1) / 2 + (v1 - v0) / 2 * std::sin(a)}});
        }
        for (int k = 0; k < sides; ++k) {
            if (end)
                triangles.insert(triangles.end(), {centre, centre + 1 + k, centre + 2 + k});
            else
                triangles.insert(triangles.end(), {centre, centre + 2 + k, centre + 1 + k});
        }
    }
}

namespace
{

std::string jm_meshes(const std::vector<Mesh> &meshes, int bones)
{
    std::string out;
    char line[256];
    for (const Mesh &m : meshes) {
        snprintf(line, sizeof line, "%g %g %g %g %g %d %d\n", m.shininess, m.reflectivity, m.specular[0], m.specular[1],
                 m.specular[2], (int)m.vertices.size(), (int)m.triangles.size() / 3);
        out += line;
        for (const Vertex &v : m.vertices) {
            snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f", v.p[0], v.p[1], v.p[2], v.n[0],
                     v.n[1], v.n[2], v.uv[0], v.uv[1]);
            out += line;
            for (int b = 0; b < bones; ++b)
                out += b == v.bone ? " 1" : " 0";
            out += "\n";
        }
        for (size_t t = 0; t + 2 < m.triangles.size(); t += 3) {
            snprintf(line, sizeof line, "%d %d %d\n", m.triangles[t], m.triangles[t + 1], m.triangles[t + 2]);
            out += line;
        }
    }
    return out;
}

} // namespace

Mesh reflective_layer(const Mesh &mesh, float reflectivity)
{
    Mesh layer = mesh;
    layer.shininess = -1;
    layer.reflectivity = reflectivity;
    layer.specular[0] = layer.specular[1] = layer.specular[2] = 1;
    return layer;
}

std::string jm_text(const std::vector<Mesh> &meshes)
{
    return "JM1\n" + jm_meshes(meshes, 0);
}

std::string jm_skinned_text(const std::vector<Mesh> &meshes, int bones, const char *name)
{
    return "JM2\n" + std::to_string(bones) + " " + name + "\n" + jm_meshes(meshes, bones);
}

std::string shape_text(const std::vector<std::vector<float>> &spheres, float friction, float stiffness, float damping)
{
    std::string out = std::to_string(spheres.size()) + "\n";
    char line[256];
    for (const auto &s : spheres) {
        snprintf(line, sizeof line, "%g %g %g\n%g %g %g %g\n", s[0], s[1], s[2], s[3], friction, stiffness, damping);
        out += line;
    }
    return out;
}

void Mesh::add_beam(const float a[3], const float b[3], float t, float u0, float v0, float u1, float v1)
{
    float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len <= 0)
        return;
    for (float &v : d)
        v /= len;
    // Two directions across the beam.
    float helper[3] = {std::fabs(d[1]) < 0.9f ? 0.0f : 1.0f, std::fabs(d[1]) < 0.9f ? 1.0f : 0.0f, 0};
    float p[3] = {d[1] * helper[2] - d[2] * helper[1], d[2] * helper[0] - d[0] * helper[2],
                  d[0] * helper[1] - d[1] * helper[0]};
    float pl = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (float &v : p)
        v /= pl;
    float q[3] = {d[1] * p[2] - d[2] * p[1], d[2] * p[0] - d[0] * p[2], d[0] * p[1] - d[1] * p[0]};
    float h = t / 2;
    float c[8][3];
    for (int k = 0; k < 8; ++k) {
        const float *end = k < 4 ? a : b;
        float sp = (k & 1) ? h : -h, sq = (k & 2) ? h : -h;
        for (int i = 0; i < 3; ++i)
            c[k][i] = end[i] + p[i] * sp + q[i] * sq;
    }
    const int faces[4][4] = {{1, 5, 4, 0}, {3, 7, 5, 1}, {2, 6, 7, 3}, {0, 4, 6, 2}};
    for (const auto &f : faces)
        add_quad(c[f[0]], c[f[1]], c[f[2]], c[f[3]], u0, v0, u1, v1);
}
