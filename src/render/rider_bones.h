// The bones of the skinned rider models and their rest pose, shared by the
// data generator (which builds the models around them) and the rider
// drawing (which poses them). Points are in the torso body's frame, left is
// -x, forward is -z; the rest pose is the rider seated with hands on the
// grips and feet on the pegs.
#pragma once

enum RiderBone {
    BONE_TORSO,
    BONE_LEFT_UPPER_ARM,
    BONE_LEFT_FOREARM,
    BONE_RIGHT_UPPER_ARM,
    BONE_RIGHT_FOREARM,
    BONE_LEFT_THIGH,
    BONE_LEFT_SHIN,
    BONE_RIGHT_THIGH,
    BONE_RIGHT_SHIN,
    RIDER_BONES,
};

// Rest positions of the joints each limb bone runs between.
struct RiderRestPose {
    float shoulder[2][3], elbow[2][3], wrist[2][3]; // [0] left, [1] right
    float hip[2][3], knee[2][3], ankle[2][3];
    float head[3];
};

constexpr RiderRestPose rider_rest_pose = {
    {{-0.556f, 0.580375f, -0.654514f}, {0.556f, 0.580375f, -0.654514f}},
    {{-0.892f, -0.0774f, -0.1403f}, {0.892f, -0.0774f, -0.1403f}},
    {{-1.097f, -0.455f, -1.207f}, {1.097f, -0.455f, -1.207f}},
    {{-0.269f, -0.570887f, 0.670607f}, {0.269f, -0.570887f, 0.670607f}},
    {{-0.5738f, -1.417f, -0.3065f}, {0.5738f, -1.417f, -0.3065f}},
    {{-0.6f, -3.077f, 0.064f}, {0.6f, -3.077f, 0.064f}},
    {0, 0.808383f, -0.943369f},
};
