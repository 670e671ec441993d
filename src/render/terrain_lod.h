// The ground's quadtree: per-node refinement thresholds (measured height
// error plus node size), computed in slices so editing never stalls a frame,
// and the per-frame choice of the nodes to refine around the camera.
//
// Level 0 is the whole grid; a level-l node covers (P-1)/2^l grid intervals
// per side and the finest level M (the terrain level) spans 2. Node (l, a, b)
// has the index (4^l - 1)/3 + b*2^l + a.
#pragma once

#include "render/frustum.h"

#include <cstdint>
#include <type_traits>
#include <vector>

struct Terrain;

struct TerrainLod {
    int level = -1;                // M; -1 before the first build
    std::vector<float> thresholds; // in use: squared distances
    std::vector<float> building;   // the computation in progress
    std::vector<uint8_t> refine;   // this frame's refine flags
    float tolerance = 0.0025f;     // height error per foot of distance
    // Where an unfinished computation resumes.
    int next_level = -1, next_node = 0, next_row = 0;
    float partial_max = 0;
    bool finished = false;
    int camera_cell[2] = {0, 0};
};

// The cell of size `size` holding coordinate v, kept within a million cells
// of the origin (and 0 for a coordinate that is not a number), so a wild
// camera or decal never overflows the cell arithmetic.
int grid_cell(float v, float size);

// Index of node (l, a, b).
inline int lod_node_index(int l, int a, int b)
{
    return ((1 << (2 * l)) - 1) / 3 + (b << l) + a;
}

// Sets the quadtree up for a terrain and restarts the threshold computation.
void lod_reset(TerrainLod *lod, const Terrain &terrain, float tolerance);

// Continues the threshold computation with a work limit (0: none); 1 when
// it is complete (the new thresholds are in use), 0 when it stopped early.
int lod_compute(TerrainLod *lod, const Terrain &terrain, int work_limit);

// Largest height difference between a node's samples and the plane of its
// two triangles (split like the grid cells).
float lod_node_error(const Terrain &terrain, int l, int a, int b);

// Chooses this frame's refined nodes for a camera at (x, z): the forced
// coarse nodes, the windows around the camera cell and every node whose
// threshold the camera's squared horizontal distance is below.
void lod_select(TerrainLod *lod, const Terrain &terrain, float camera_x, float camera_z);

// One fan of the ground: grid points (i, j), the hub first, then the
// outer points counter-clockwise seen from above, the first outer point
// repeated at the end.
struct GroundFan {
    int level, a, b;
    int count;
    int points[10][2];
};

// Visits the fans of this frame's refinement front to back as seen from
// the eye looking along `forward`, leaving out nodes wholly behind it and,
// given the view's frustum (in coordinates relative to the eye), nodes
// wholly outside it.
template <typename Visit>
void lod_fans(const TerrainLod &lod, const Terrain &terrain, const float eye[3], const float forward[3],
              const Frustum *frustum, Visit &&visit);
void lod_fans_walk(const TerrainLod &lod, const Terrain &terrain, const float eye[3], const float forward[3],
                   const Frustum *frustum, void (*visit)(const GroundFan &, void *), void *context);
template <typename Visit>
void lod_fans(const TerrainLod &lod, const Terrain &terrain, const float eye[3], const float forward[3],
              const Frustum *frustum, Visit &&visit)
{
    lod_fans_walk(
        lod, terrain, eye, forward, frustum,
        [](const GroundFan &fan, void *c) { (*static_cast<std::remove_reference_t<Visit> *>(c))(fan); }, &visit);
}

// Number of nodes of levels 0..M.
int lod_node_count(int level);
