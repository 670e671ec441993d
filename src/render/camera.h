// The camera a frame is drawn from: the eye position and the rotation from
// eye to world (its columns: right, up and backward axes; the view looks
// along minus the third). Engine sound, model detail and the ground read it.
#pragma once

#include "physics/pose.h"

struct SceneCamera {
    float position[3] = {};
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}; // row by row
    float velocity[3] = {};
};

extern SceneCamera scene_camera;

// The rider's own eyes: between the torso's low and high eye points by
// `height` (0..1), the view turned down by `angle_degrees`.
SceneCamera first_person_camera(const BodyFrame &torso, float height, float angle_degrees);

// An upright camera at `eye` looking along `forward`.
SceneCamera camera_looking(const float eye[3], const float forward[3]);

// Makes the model-view the camera's rotation (no translation: parts are
// placed relative to the eye) and publishes the camera.
void camera_apply(const SceneCamera &camera);
