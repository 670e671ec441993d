// JM models: reading, the cache with distance variants ("_lod" files),
// tangents, display lists, skinning and drawing.
//
// JM text: "JM1", or "JM2" with a bone count and a name; then meshes of
// "shininess reflectivity r g b vertices triangles", each vertex "x y z nx ny
// nz u v" (plus one weight per bone), each triangle three 0-based indices.
// A file without the "JM" header is the older form: "vertices triangles"
// and one mesh.
#pragma once

#include <string>
#include <vector>

struct GameFile;

struct Mesh {
    int vertex_count = 0, triangle_count = 0, bone_count = 0;
    float shininess = 32; // -1: reflective (environment-mapped)
    float specular[4] = {1, 1, 1, 1};
    std::vector<float> positions, normals; // 3 per vertex; boned: current, then rest copy
    std::vector<float> texcoords;          // 2 per vertex, v flipped
    std::vector<float> tangents;           // 3 per vertex
    std::vector<float> weights;            // bone_count per vertex, summing to 1
    std::vector<unsigned> triangles;       // 3 per triangle
    unsigned display_list = 0;
};

struct Model {
    std::string name;
    std::vector<Mesh> meshes;
    bool has_reflective = false;
    int bone_count = 0;
    int generation = 0;
    Model *next_variant = nullptr; // farther variants, ascending distance
    float variant_distance = 0;
    float radius = -1; // of the sphere round its origin holding every vertex (-1: not yet known)
};

// The radius of the sphere round a model's origin that holds all of it (its
// rest pose, for a skinned model).
float model_radius(Model *model);

// Bone poses for skinned drawing: per bone its current position, its rest
// position and its rotation (3x3, row by row).
struct BonePoses {
    int count;
    const float (*positions)[3];
    const float (*rest_positions)[3];
    const float (*rotations)[9];
};

// Reads one model from a stream; false (model untouched) when any value
// fails to parse.
bool model_read(GameFile *file, Model *model);

// Loads or finds a model by name, with its "_lod" variants; null when it
// cannot be read (warned about when `warn`).
Model *load_model(const char *name, bool warn);

// Sets the detail choice (LOD scale and bias), vertex-array use, whether GL
// is there to compile display lists, and verbose reporting.
void model_settings(float lod_scale, float lod_bias, bool vertex_arrays, bool gl, bool verbose);

// Starts a new model generation (a new track).
void model_generation_advance();

// Deletes cached models not used in the current generation.
void free_stale_models();

// Forgets every cached model without deleting its display lists: the GL
// context that held them has gone.
void forget_models();

// The variant of a model to draw at a camera distance.
const Model *model_variant(const Model *model, float distance);

// Skins a mesh to bone poses (when its bone count matches).
void skin_mesh(Mesh *mesh, const BonePoses &bones);

// Draws the opaque meshes, or the reflective ones, at a camera-relative
// position with a rotation (3x4 row-major, as the physics keeps it).
void draw_model(Model *model, const float position[3], const float rotation[12], const BonePoses *bones);
void draw_model_reflective(Model *model, const float position[3], const float rotation[12], const BonePoses *bones);

// Triangles drawn since the counter was last reset.
extern int model_triangles_drawn;

// Writes one mesh in POV-Ray "mesh2" syntax.
void export_pov_mesh(const Mesh &mesh, GameFile *file);
