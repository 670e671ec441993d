// The view frustum of the current GL matrices, for passing over things that
// cannot be seen before any of their triangles reach the renderer.
#pragma once

struct Frustum {
    float planes[6][4]; // a x + b y + c z + d >= 0 inside, (a, b, c) of unit length
};

// The frustum of the current projection and model-view matrices, in the
// model-view's coordinates.
Frustum frustum_from_gl();

// Whether any of a sphere (centre in those coordinates) may be inside.
bool frustum_sphere_visible(const Frustum &frustum, const float centre[3], float radius);

// Whether any of an axis-aligned box (corners in those coordinates) may be
// inside.
bool frustum_box_visible(const Frustum &frustum, const float low[3], const float high[3]);
