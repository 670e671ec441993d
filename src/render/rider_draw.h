// Drawing a bike and its rider: the bike's parts where their bodies are,
// the skinned rider posed from the physics, head and number plates.
#pragma once

#include "physics/pose.h"

struct Rider;
struct RiderLook;

enum RiderDrawMode {
    DRAW_WHOLE = 0,             // seen from outside
    DRAW_FIRST_PERSON = 1,      // own view with the rider hidden
    DRAW_FIRST_PERSON_BODY = 2, // own view showing the first-person body
};

// The torso as drawn: leaned back, pivoting about the left hip, when the
// shoulders come within 1.25 ft of the grips. The simulation is untouched.
BodyFrame rider_draw_torso(const Rider *r);

// Draws a rider: its parts lit with their textures and maps, then the
// shine (the `shine` environment picture over every shiny layer). The
// model-view holds the camera's rotation only: parts are placed relative
// to `camera`. The material alpha is the rider alpha.
void draw_rider(const Rider *r, const RiderLook &look, RiderDrawMode mode, const float camera[3], unsigned shine);
