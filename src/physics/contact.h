// Wheel and body contacts with the ground: the program's own collision of
// wheels (as tori) and part shapes (as spheres) with the terrain triangles,
// made into one-step contact joints with the tyre model's softness,
// friction and rolling resistance.
#pragma once

struct Rider;
struct Terrain;

// One contact with the ground: the point on the ground, the unit normal
// (pushing the part out) and the depth (0 or less: no contact).
struct GroundContact {
    float point[3];
    float normal[3];
    float depth;
};

// Makes this tick's ground contacts of a rider on the loaded track; nonzero
// when any wheel or shape touches.
int rider_ground_contacts(Rider *rider);

// Fills the wheel contact records of a rider moved from outside (a replayed
// or remote rider) with their touches of the ground, making no joints and
// applying no force: for its roost, and for what it teaches.
void rider_wheel_contacts(Rider *rider);

// The deepest contact of a torus (wheel centre, unit axle, ring and tube
// radii) with the terrain.
GroundContact torus_contact(const Terrain &terrain, const float centre[3], const float axle[3], float ring, float tube);

// The deepest contact of a sphere with the terrain.
GroundContact sphere_contact(const Terrain &terrain, const float centre[3], float radius);

// The softness of a wheel contact pressed in by `depth` (kp, kd).
void wheel_softness(float depth, float tube_radius, float *kp, float *kd);
