// The sky box and the track's lights.
#pragma once

struct Lighting;

// Draws the five sky faces centred on the eye (the model-view holds the
// camera's rotation only), behind everything else: first over the whole
// view, or `behind_scene` after the solid scene, only where it left the
// depth buffer clear.
void draw_sky_box(const unsigned sky[5], bool behind_scene = false);

// Sets light 0 to the sun, the ambient light and the global ambient.
void set_track_lights(const Lighting &lighting);
