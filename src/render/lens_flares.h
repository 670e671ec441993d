// Lens flares: bright lights (the sun, lamps) that paint rings and glows
// across the view when nothing in the drawn picture hides them.
#pragma once

#include <cstdint>

struct Lighting;
struct LensFlare;
struct SceneCamera;

// Where a flare appears on the plane z = -1 and its distance in front of
// the eye; false when it lies outside the view or behind the eye.
bool flare_screen_position(const LensFlare &flare, const SceneCamera &camera, float x_extent, float y_extent, float *sx,
                           float *sy, float *eye_depth);

// A depth-buffer value as a distance mapped to 0 at the near plane and 1 at
// the far plane.
float linear_depth(float z);

// How visible a flare is (0..1) from the colour and depth the picture has
// at its pixel: only over bright pixels with nothing nearer in front, and
// fading out at the edges of the view.
float flare_visibility(const LensFlare &flare, float sx, float sy, float eye_depth, float x_extent, float y_extent,
                       const uint8_t rgb[3], float depth);

// Tests each flare against the finished picture and draws the visible
// ones; the model-view is left the identity.
void draw_lens_flares(Lighting *lighting, const SceneCamera &camera, int width, int height);
