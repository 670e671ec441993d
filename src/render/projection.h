// The perspective of every 3-D view and the extents of the flat view plane
// (z = -1) that the HUD and menus draw on.
#pragma once

// Half the width and half the height of the visible rectangle on z = -1.
struct ViewExtents {
    float x = 1, y = 0.75f;
};

// The extents of the projection set last: the flat drawing of the frame
// (HUD, menus, text) reads them.
extern ViewExtents view_extents;

// The extents for a window: wider than 4:3 keeps the vertical extent of a
// 4:3 screen and sees more to the sides.
ViewExtents compute_view_extents(int width, int height, float fov_degrees);

// Sets the viewport, the frustum (near 0.25 ft, far 5000 ft) for a field of
// view in degrees (the configured "Field of View") and an identity
// model-view matrix for the window size.
void set_projection(int width, int height, float fov_degrees);

// Sets the projection again at the field of view set last, after drawing
// elsewhere (into a texture) changed it.
void restore_projection(int width, int height);

// Flat drawing in window pixels (y down from the top-left corner) over
// whatever was drawn: no depth test, lighting, culling or alpha test. End
// restores the matrices.
void begin_pixel_drawing(int width, int height);
void end_pixel_drawing();

// A rectangle in one colour, blended by its alpha (pixel drawing).
void pixel_rect(float left, float top, float right, float bottom, float r, float g, float b, float a);
