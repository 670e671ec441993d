// Meshes being generated, their primitives, and the JM model text they
// become: "JM1", then per mesh "shininess reflectivity r g b vertices
// triangles", the vertices (position, normal, texture coordinate) and the
// triangles (three 0-based indices each).
#pragma once

#include <string>
#include <vector>

struct Vertex {
    float p[3], n[3], uv[2];
    int bone = -1; // the bone that carries it in a skinned model
};

struct Mesh {
    float shininess = 16, reflectivity = 0;
    float specular[3] = {0.3f, 0.3f, 0.3f};
    std::vector<Vertex> vertices;
    std::vector<int> triangles;

    // A box centred at (cx, cy, cz) with sides (sx, sy, sz); the texture is
    // mapped onto each face within the given texture rectangle.
    void add_box(float cx, float cy, float cz, float sx, float sy, float sz, float u0 = 0, float v0 = 0, float u1 = 1,
                 float v1 = 1);
    // A cylinder along the x axis, centred, of radius r and length len.
    void add_cylinder_x(float cx, float cy, float cz, float r, float len, int sides, float u0 = 0, float v0 = 0,
                        float u1 = 1, float v1 = 1);
    // A square beam of the given thickness from point a to point b.
    void add_beam(const float a[3], const float b[3], float thickness, float u0 = 0, float v0 = 0, float u1 = 1,
                  float v1 = 1);
    // A quad with its own normal (corners counter-clockwise seen from the front).
    void add_quad(const float a[3], const float b[3], const float c[3], const float d[3], float u0, float v0, float u1,
                  float v1);
};

// A copy of a mesh as a shiny layer mirroring the surroundings with the
// given reflectivity; such layers go last in a model.
Mesh reflective_layer(const Mesh &mesh, float reflectivity);

// The JM text of meshes (version 1, no bones).
std::string jm_text(const std::vector<Mesh> &meshes);

// The JM text of skinned meshes (version 2): every vertex fully on its bone.
std::string jm_skinned_text(const std::vector<Mesh> &meshes, int bones, const char *name);

// A collision shape file of spheres (x, y, z, radius) with the given friction,
// stiffness and damping.
std::string shape_text(const std::vector<std::vector<float>> &spheres, float friction, float stiffness, float damping);
