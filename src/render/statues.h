// Statues: the track's placed models, left out when far away at low model
// detail; those with a face distance turn toward a camera beyond it.
#pragma once

struct Frustum;

#include <vector>

struct Statue;
struct StatueLook;

// Whether a statue this far from the camera is left out at a model detail.
bool statue_too_far(float distance, float model_detail);

// Turns a statue that has a face distance toward the camera when the camera
// is farther than that (by the model detail scale and bias); its look
// keeps that orientation until turned again.
void statue_face_camera(const Statue &statue, StatueLook *look, const float camera[3], float lod_scale, float lod_bias);

// Draws the statues in two passes: lit with their textures and maps, then
// their reflective meshes mirroring the environment picture; `looks` holds
// one look per statue. The model-view holds the camera's rotation only.
void draw_statues(const std::vector<Statue> &statues, std::vector<StatueLook> &looks, const float camera[3],
                  float model_detail, float lod_scale, float lod_bias, unsigned environment,
                  const Frustum *frustum = nullptr);
