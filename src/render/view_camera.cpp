// The chase and free cameras and the camera of each view mode.
#include "render/view_camera.h"

#include "physics/pose.h"
#include "physics/rider.h"
#include "physics/world.h"
#include "platform/tick_math.h"
#include "race/race.h"
#include "track/track.h"

#include <algorithm>
#include <cmath>

Camera chase_camera(const ViewCameras &s, const CameraSettings &settings, const Rider *r, bool own)
{
    Camera cam;
    dVector3 target;
    dBodyGetRelPointPos(r->bodies[FRAME], settings.chase_center[0], settings.chase_center[1], settings.chase_center[2],
                        target);
    float dir[3], distance, height;
    if (own) {
        const dReal *R = dBodyGetRotation(r->bodies[FRAME]);
        // The way the bike faces (its negated z axis), turned toward the
        // way it moves as it gathers speed; the camera stands back along it.
        float bx = (float)-R[2], bz = (float)-R[10];
        const dReal *v = dBodyGetLinearVel(r->bodies[FRAME]);
        float vx = (float)v[0], vz = (float)v[2], speed = std::sqrt(vx * vx + vz * vz);
        if (!settings.rigid_chase && speed > 0) {
            float t = speed >= 30 ? 1 : std::clamp((speed - 10) * 0.05f, 0.0f, 1.0f);
            float bl = std::sqrt(bx * bx + bz * bz);
            if (bl > 0)
                bx /= bl, bz /= bl;
            bx = bx + (vx / speed - bx) * t;
            bz = bz + (vz / speed - bz) * t;
        }
        dir[0] = bx, dir[1] = 0, dir[2] = bz;
        distance = 10;
        height = 5;
    } else {
        dir[0] = std::sin(s.orbit_angle), dir[1] = 0, dir[2] = std::cos(s.orbit_angle);
        distance = s.orbit_distance;
        height = s.orbit_height;
    }
    float len = std::sqrt(dir[0] * dir[0] + dir[2] * dir[2]);
    if (len == 0)
        len = 1;
    cam.position[0] = (float)target[0] - dir[0] / len * distance;
    cam.position[2] = (float)target[2] - dir[2] / len * distance;
    const Terrain &t = r->world->track->terrain;
    float ground = t.heights.empty() ? 0 : terrain_average_height(t, cam.position[0], cam.position[2], 10);
    cam.position[1] = std::max((float)target[1] + height, ground + 5);
    cam.target[0] = (float)target[0], cam.target[1] = (float)target[1], cam.target[2] = (float)target[2];
    return cam;
}

void orbit_camera_step(ViewCameras *s, const CameraControls &k)
{
    s->orbit_angle = std::remainder(s->orbit_angle + k.turn * pi / 512, 2 * pi);
    if (k.forward > 0.5f)
        s->orbit_distance = std::max(0.25f, s->orbit_distance - 1.0f / 64);
    if (k.back > 0.5f)
        s->orbit_distance += 1.0f / 64;
    s->orbit_height += k.climb * TICK_SECONDS_F;
}

void free_camera_step(ViewCameras *s, const CameraControls &k, const Terrain &terrain, const Rider *watched)
{
    const float dt = TICK_SECONDS_F;
    float yaw_cmd = k.turn * 3 * pi / 8, pitch_cmd = k.climb * pi / 4;
    if (k.follow > 0.125f && watched) {
        const dReal *p = dBodyGetPosition(watched->bodies[FRAME]), *v = dBodyGetLinearVel(watched->bodies[FRAME]);
        float dx = (float)(p[0] + v[0] * TICK_SECONDS) - s->free_position[0],
              dy = (float)(p[1] + v[1] * TICK_SECONDS) - s->free_position[1];
        float dz = (float)(p[2] + v[2] * TICK_SECONDS) - s->free_position[2];
        float want_yaw = std::atan2(dx, dz), want_pitch = std::atan2(dy, std::sqrt(dx * dx + dz * dz));
        float dyaw = std::remainder(want_yaw - s->free_yaw, 2 * pi), dpitch = want_pitch - s->free_pitch;
        yaw_cmd = std::clamp(dyaw * TICKS_PER_SECOND, -2 * pi, 2 * pi);
        pitch_cmd = std::clamp(dpitch * TICKS_PER_SECOND, -2 * pi, 2 * pi) + dpitch * pi / 4;
    }
    auto decay = [dt](float rate) {
        return rate > 0 ? std::max(0.0f, rate - pi * dt) : std::min(0.0f, rate + pi * dt);
    };
    s->free_yaw_rate = decay(s->free_yaw_rate) + yaw_cmd;
    s->free_pitch_rate = decay(s->free_pitch_rate) + pitch_cmd;
    s->free_yaw = std::remainder(s->free_yaw + s->free_yaw_rate * dt, 2 * pi);
    s->free_pitch = std::clamp(s->free_pitch + s->free_pitch_rate * dt, -pi / 2, pi / 2);
    if (k.forward > 0.5f)
        s->free_speed = std::min(100.0f, s->free_speed + 80.0f * dt);
    if (k.back > 0.5f)
        s->free_speed = std::max(-100.0f, s->free_speed - 80.0f * dt);
    s->free_speed =
        s->free_speed > 0 ? std::max(0.0f, s->free_speed - 60.0f * dt) : std::min(0.0f, s->free_speed + 60.0f * dt);
    if (std::fabs(s->free_speed) > 0.0001f) {
        float d = s->free_speed * dt;
        s->free_position[0] += std::sin(s->free_yaw) * std::cos(s->free_pitch) * d;
        s->free_position[1] += std::sin(s->free_pitch) * d;
        s->free_position[2] += std::cos(s->free_yaw) * std::cos(s->free_pitch) * d;
        if (!terrain.heights.empty()) {
            float ground = terrain_average_height(terrain, s->free_position[0], s->free_position[2], 10);
            s->free_position[1] = std::max(s->free_position[1], ground + 2);
        }
    }
}

void free_camera_place(ViewCameras *s, const Sim &sim, const Rider *rider)
{
    float position[3], yaw = 0;
    if (rider) {
        const dReal *p = dBodyGetPosition(rider->bodies[FRAME]), *R = dBodyGetRotation(rider->bodies[FRAME]);
        // Behind the bike: the bike faces along its negated z axis.
        float fx = (float)-R[2], fz = (float)-R[10], len = std::sqrt(fx * fx + fz * fz);
        if (len > 0)
            fx /= len, fz /= len;
        else
            fx = 0, fz = 1;
        position[0] = (float)p[0] - fx * 10;
        position[1] = (float)p[1] + 5;
        position[2] = (float)p[2] - fz * 10;
        yaw = std::atan2(fx, fz);
    } else {
        const float *start = sim.race.start_position;
        position[0] = start[0], position[1] = start[1] + 10, position[2] = start[2];
    }
    const Terrain &t = sim_track(sim).terrain;
    if (!t.heights.empty())
        position[1] = std::max(position[1], terrain_average_height(t, position[0], position[2], 10) + 2);
    std::copy(position, position + 3, s->free_position);
    s->free_yaw = yaw;
    s->free_pitch = -0.3f;
    s->free_yaw_rate = s->free_pitch_rate = s->free_speed = 0;
}

bool view_scene_camera(const Sim &sim, ViewMode view, const ViewCameras &cameras, const CameraSettings &settings,
                       SceneCamera *out)
{
    const RaceState &race = sim.race;
    const Rider *watched = race.slots[race.watched_slot].rider;
    if (view == RIDER_VIEW && watched) {
        *out = first_person_camera(body_frame(watched->bodies[RIDER_TORSO]), settings.first_person_height,
                                   settings.first_person_angle);
    } else if (view == CHASE_VIEW && watched) {
        bool own = race.slots[race.watched_slot].kind == KIND_LOCAL;
        Camera c = chase_camera(cameras, settings, watched, own);
        const float f[3] = {c.target[0] - c.position[0], c.target[1] - c.position[1], c.target[2] - c.position[2]};
        *out = camera_looking(c.position, f);
    } else if (view == FREE_VIEW) {
        const float f[3] = {std::sin(cameras.free_yaw) * std::cos(cameras.free_pitch), std::sin(cameras.free_pitch),
                            std::cos(cameras.free_yaw) * std::cos(cameras.free_pitch)};
        *out = camera_looking(cameras.free_position, f);
    } else {
        return false;
    }
    return true;
}
