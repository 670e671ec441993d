// Where the rider's limbs are: the feet on the pegs, dabbing or following
// a crash, and the elbows and knees placed by a two-bone solver. Drawing
// poses the skinned body with these; the crash code shares the feet.
#pragma once

#include <ode/ode.h>

struct Rider;

// Left [0] and right [1] feet in world coordinates, and whether each has
// left its peg.
struct FootPose {
    float feet[2][3];
    bool off_peg[2];
};

// A two-bone limb per side: root (shoulder or hip), middle joint (elbow or
// knee) and end (grip or foot), in world coordinates.
struct LimbPose {
    float root[2][3], middle[2][3], end[2][3];
};

// The middle joint of a limb of lengths a (root side) and b reaching from
// `root` toward `target`, bent toward `pole`. A target beyond 0.95 (a + b)
// leaves the limb slightly bent.
void two_bone_solve(const float root[3], const float target[3], float a, float b, const float pole[3], float middle[3]);

// A body's placement as drawing sees it: position and 3x4 row-major
// rotation (the physics' own layout).
struct BodyFrame {
    float position[3];
    float rotation[12];
};

// The frame of a body as the physics has it.
BodyFrame body_frame(dBodyID body);

// A point of the body's own coordinates in the world, and back.
void body_frame_point(const BodyFrame &frame, const float local[3], float world[3]);
void body_frame_local(const BodyFrame &frame, const float world[3], float local[3]);

FootPose foot_pose(const Rider *r);

// The arms and legs; `torso` replaces the torso body's frame (drawing
// leans the upper body back without touching the simulation).
LimbPose arm_pose(const Rider *r, const BodyFrame *torso = nullptr);
LimbPose leg_pose(const Rider *r, const BodyFrame *torso = nullptr);
