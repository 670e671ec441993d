// Drawing the loaded track's ground: the quadtree's nodes as triangle fans
// front to back, textured with the painted ground textures.
//
// The renderer follows the terrain as it loads (through the renderer
// table): it sets its quadtree up when the heights are read, builds the
// low-detail and ground textures, bins the decals, and lets everything go
// when the terrain is freed.
#pragma once

#include "render/ground_textures.h"
#include "render/terrain_lod.h"

struct Terrain;
struct Decal;

struct GroundRenderer {
    const Terrain *terrain = nullptr;
    TerrainLod lod;
    GroundTextures textures;
    GroundTextureSettings texture_settings = {128, 1, true, true, false};
    float tolerance = 0.0025f;
    bool vertex_arrays = true;
    bool recentre = true; // repaint every window slot next frame
    int triangles = 0;    // drawn this frame
};

extern GroundRenderer ground;

// Options: the error tolerance, the ground texture settings and whether to
// use vertex arrays. Takes effect at the next load or `terrain_rebuild`.
void terrain_render_settings(float tolerance, const GroundTextureSettings &textures, bool vertex_arrays);

// All thresholds at once (end of loading).
void terrain_build_lod(Terrain *terrain);

// The low-detail textures from the shading and tile maps.
void terrain_low_detail(Terrain *terrain);

// The ground textures of the terrain's surfaces.
void terrain_ground_textures(Terrain *terrain);

// Lets the drawing data of a terrain go (it is being freed).
void terrain_free_drawing(Terrain *terrain);

// Once per main-loop iteration: a slice of the threshold computation and
// one dirty low-detail texture. Returns 1 when the thresholds are complete.
int terrain_update();

// After option changes or edits: everything again, windows re-centred.
void terrain_rebuild();

// Paints the due ground textures around the eye (changes the viewport and
// the projection).
void terrain_paint(const float eye[3]);

// Draws the ground seen from the eye looking along `forward`, in world
// coordinates relative to the current model-view (which holds the camera
// rotation only). Given the view's frustum in those coordinates (the eye
// at the origin), ground wholly outside it is left out.
void terrain_draw(const float eye[3], const float forward[3], const Frustum *frustum = nullptr);

// Decal bin upkeep for the editor and loading (`index` into the terrain's
// decal list; remove before the decal leaves the list).
void terrain_add_decal(Terrain *terrain, const Decal &decal);
void terrain_remove_decal(Terrain *terrain, int index);
