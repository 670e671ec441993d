// One 3-D frame of the track from a camera: sky, ground, riders, statues,
// billboards, fading ghosts and lens flares, in that order.
#pragma once

#include "render/camera.h"
#include "render/rider_draw.h"

#include <ode/ode.h>

struct Sim;

struct SceneOptions {
    int billboard_lookahead = 8;
    bool lens_flares = true;
    float model_detail = 50, lod_scale = 1, lod_bias = 0;
    float ghost_fade_distance = 50; // feet
    bool fugly = false;             // low-quality drawing: no sky box
    RiderDrawMode viewing_mode = DRAW_FIRST_PERSON_BODY;
    bool line_table = false; // the robots' learnt first-lap lines, for debugging
};

// Alpha of a replayed rider at a distance from the local rider: invisible
// up close, fading in from half the fade distance, whole beyond it.
float ghost_alpha(float distance, float fade_distance);

// The alpha a slot's rider is drawn with: 1 drawn at once, below 1 held
// back and drawn over the statues with it (0: not seen). Without a server
// connection a replayed rider (a demo ghost) fades by its distance from
// the local rider; with one, the remote riders are drawn whole, but one
// silent for a second or more is not seen.
struct Sim;
float rider_draw_alpha(const Sim &sim, int slot, float fade_distance);

// Draws every learnt line of the first lap as a white strip, fading with
// the distance from the eye (world coordinates; depth tested, not written).
struct LineTable;
void draw_line_table(const LineTable &table, const float eye[3]);

// Draws the scene; the viewing slot (-1: none) is drawn in the options'
// viewing mode. The viewport and projection must be set for the window.
void draw_scene(const Sim &sim, const SceneCamera &camera, int viewing_slot, const SceneOptions &options);

// The scene from a rider's own eyes: the torso's eye point at `height`
// (0..1) looking down by `angle_degrees`, moving with the torso.
void draw_first_person_view(const Sim &sim, dBodyID torso, int slot, float height, float angle_degrees,
                            const SceneOptions &options);
