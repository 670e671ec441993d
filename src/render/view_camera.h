// The cameras the player views a race through: the rider's own eyes, the
// chase camera (behind the player's bike, or orbiting anyone else's) and
// the free camera, whose places are kept from frame to frame.
#pragma once

#include "render/camera.h"

struct Rider;
struct Sim;
struct Terrain;

enum ViewMode { RIDER_VIEW = 0, EDITOR_VIEW = 2, CHASE_VIEW = 3, FREE_VIEW = 4, TITLE_VIEW = 5 };

// The chase camera's orbit around a rider that is not the player's, and the
// free camera: the game keeps one for its whole run.
struct ViewCameras {
    float orbit_angle = 0, orbit_distance = 10, orbit_height = 5;
    float free_position[3] = {}, free_yaw = 0, free_pitch = 0, free_yaw_rate = 0, free_pitch_rate = 0, free_speed = 0;
};

// How the cameras are set up (from the configuration and the command line).
struct CameraSettings {
    float chase_center[3] = {0, 2.52f, 0.52f}; // the chase camera's target in the bike's frame
    bool rigid_chase = false;                  // the chase camera keeps to the bike's heading
    float first_person_height = 0.5f;          // 0..1 between the rider's low and high eye points
    float first_person_angle = 0;              // degrees the rider's view is turned down
};

// What the rider controls do to a camera in a step, each -1..1 or 0..1:
// turn left (+) or right, climb, move forward or back, and follow the
// watched rider (the free camera turns to it).
struct CameraControls {
    float turn = 0, climb = 0, forward = 0, back = 0, follow = 0;
};

// An eye and the point it looks at.
struct Camera {
    float position[3];
    float target[3];
};

// The chase camera around a rider (the local player's when `own`).
Camera chase_camera(const ViewCameras &cameras, const CameraSettings &settings, const Rider *rider, bool own);

// One step of the chase camera's orbit around another rider.
void orbit_camera_step(ViewCameras *cameras, const CameraControls &controls);

// One step of the free camera: it turns, flies and stays 2 ft above the
// ground; following, it turns to the watched rider.
void free_camera_step(ViewCameras *cameras, const CameraControls &controls, const Terrain &terrain,
                      const Rider *watched);

// Places the free camera 10 ft behind and 5 ft above a rider, facing the
// way it faces, or over the track's start when there is no rider.
void free_camera_place(ViewCameras *cameras, const Sim &sim, const Rider *rider);

// The camera of a view mode over the watched rider; false for a view with
// no camera of its own (the title, the editor, or no rider to watch).
bool view_scene_camera(const Sim &sim, ViewMode view, const ViewCameras &cameras, const CameraSettings &settings,
                       SceneCamera *out);
