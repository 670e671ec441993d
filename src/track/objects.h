// Things placed on a track: billboards, statues (models with collision
// shapes) and their 8x8 collision grid, the timing gates and gate sequence,
// flaggers, and the lighting with its lens flares. All belong to the loaded
// track (see track.h) and are read from the track folder's files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SphereShape;
struct Terrain;
struct Track;

// A textured quad standing on the ground.
struct Billboard {
    float x, y, z; // y: ground height plus offset
    float size;    // height of the quad
    float offset;  // base above the ground
    float aspect;  // width / height
    float spare;
    unsigned texture; // 0: not drawn
    uint8_t colour[4];
    std::string texture_name; // as written in the file, for saving
};

// A model placed on the ground (its model and textures are drawn by name).
struct Statue {
    const SphereShape *shape = nullptr;
    float x = 0, y = 0, z = 0;
    float offset = 0;
    float angle = 0;
    float orientation[9] = {}; // columns: the model's x, y, z axes in world space (row-major)
    float face_distance = 0;
    std::string model_name, texture_name, shape_name;
};

struct StartPosition {
    float x, y, z, angle;
};

struct Checkpoint {
    float centre[3];
    float direction[3];
    float radius;
    int marked;
};

enum {
    MAX_START_POSITIONS = 40,
    MAX_CHECKPOINTS = 256,
    MAX_LAP_ENTRIES = 256,
    UNTIMED_GATE = 100000, // a gate list entry 100000 + k: checkpoint k, in order, untimed
    STATUE_GRID = 8,
    FLARE_ELEMENTS = 8,
    ROOST_BILLBOARDS = 2000,
};

struct TimingGates {
    std::vector<StartPosition> starts;
    std::vector<int> start_statues;
    std::vector<Checkpoint> checkpoints;
    std::vector<int> gates; // first-lap entries, then normal-lap entries
    int first_lap_count = 0, normal_lap_count = 0;
    int first_lap_timed = 0, normal_lap_timed = 0;
};

struct StartFlagger {
    int billboard = -1;
    float a[3] = {}, b[3] = {};
    float walk_time = 0;
    unsigned pictures[5] = {};
};

struct FinishFlagger {
    int billboard = -1;
    unsigned pictures[4] = {};
};

struct CourseFlagger {
    int billboard;
    unsigned idle, warning;
    int checkpoints[4]; // -1: none
};

struct Flaggers {
    StartFlagger start;
    FinishFlagger finish;
    std::vector<CourseFlagger> course;
};

struct FlareElement {
    float across = 0, along = 0;
    float colour[3] = {1, 1, 1};
    float size = 1.0f;
    unsigned texture = 0;
};

enum FlareKind { FLARE_POINT, FLARE_VECTOR };

struct LensFlare {
    float position[3]; // a position, or a direction for a vector flare
    FlareKind kind;
    FlareElement elements[FLARE_ELEMENTS];
    int count;
    float screen_x, screen_y; // set when drawn
    bool visible;
};

struct Lighting {
    float sun_vector[3] = {1, 1, 1};
    float sun_colour[3] = {1, 1, 1};
    float ambient[3] = {0.5f, 0.5f, 0.5f};
    float global_ambient[3] = {0.2f, 0.2f, 0.2f};
    unsigned sky[5] = {}; // north, east, south, west, up
    unsigned environment = 0;
    float fog_colour[3] = {};
    float fog_density = 0;
    std::vector<LensFlare> flares;
};

struct TrackObjects {
    std::vector<Billboard> billboards;
    std::vector<Statue> statues;
    std::vector<int> statue_grid[STATUE_GRID][STATUE_GRID];
    TimingGates gates;
    Flaggers flaggers;
    Lighting lighting;
    size_t first_track_billboard = 0; // where the "billboards" file's own start
    size_t first_track_statue = 0;    // where the "statues" file's own start
};

// Whether numbers read from a file make a usable billboard (a position
// within reach, a size and aspect above 0 and at most 10000) or statue (a
// position within reach, an angle within +-128). Readers skip items that
// do not.
bool billboard_numbers_ok(float x, float offset, float z, float size, float aspect);
bool statue_numbers_ok(float x, float offset, float z, float angle);

// Adds a billboard (name may carry a "#rrggbb#" colour prefix, or be null).
int add_billboard(Track *track, float x, float offset, float z, float size, float aspect, const char *name);

// Adds a statue; a null or "null" shape name means no collision shape.
int add_statue(Track *track, float x, float offset, float z, float angle, const char *model, const char *texture,
               const char *shape);

// Recomputes a statue's height and orientation after the ground changed.
void regrind_statue(const Terrain &terrain, Statue *statue);

// The statue grid cell of a coordinate (0..7).
int statue_grid_cell(float v, float extent);

// Enters one statue into the grid cells its shape touches; all statues anew.
void bin_statue(Track *track, int index);
void rebin_statues(Track *track);

// The orientation matrix of a statue at (x, z) with a heading angle.
void statue_orientation(const Terrain &terrain, float x, float z, float angle, float out[9]);

// Reading and writing the object files of a track folder.
void load_billboards(Track *track, const std::string &folder);
int save_billboards(const Track &track);
void load_statues(Track *track, const std::string &folder);
int save_statues(const Track &track);
void load_timing_gates(Track *track, const std::string &folder);
int save_timing_gates(const Track &track);
void load_flaggers(Track *track, const std::string &folder);

// What the flaggers show: the race clock and its start (seconds), the
// leader's completed laps, the race's laps and half-way lap, and which
// checkpoints are marked (the next checkpoint of a rider who is down).
struct FlaggerView {
    float seconds, start_seconds;
    int leader_laps, race_laps, half_lap;
    std::vector<bool> marked;
    int tick; // animations of new pictures start here
};

// Gives each flagger the picture it shows now (and the start flagger its
// place on its walk) in `shown`, the track's billboards as they are drawn;
// a new picture's animation starts, the old one pauses. Start and finish
// flaggers wait for a track with timing gates.
void update_flaggers(const Track &track, const FlaggerView &view, std::vector<Billboard> *shown);
void load_lighting(Track *track, const std::string &folder);

// Normalises gate list entries: negatives to 0, checkpoint numbers clamped
// to the last checkpoint, the untimed flag kept.
void normalise_gates(std::vector<int> *entries, int checkpoints);

// The gate list entry of gate number n of a race (first lap once, then the
// normal lap over and over); -1 without gates.
int gate_sequence(const TimingGates &gates, int n);

// Wraps an angle into [-pi, pi].
float wrap_angle(float angle);
