// The two tracks of the game.
#include "tracks.h"

#include "course.h"
#include "track_ground.h"
#include "track_objects.h"

namespace
{

// Rabbit Hill: a hilly circuit with big jumps, berms, whoops and a mud turn.
TrackDesign rabbit_hill()
{
    TrackDesign d;
    d.folder = "rabbithill";
    d.name = "Rabbit Hill";
    d.level = 8;
    d.spacing = 3;
    d.seed = 1971;
    d.control = {0.30f, 0.22f, 0.52f, 0.20f, 0.70f, 0.24f, 0.78f, 0.36f, 0.70f, 0.46f, 0.56f,
                 0.44f, 0.50f, 0.54f, 0.62f, 0.64f, 0.76f, 0.70f, 0.72f, 0.80f, 0.56f, 0.80f,
                 0.42f, 0.70f, 0.28f, 0.76f, 0.20f, 0.62f, 0.26f, 0.48f, 0.22f, 0.34f};
    d.width = 30;
    d.start_width = 150;
    d.hill_height = 55;
    d.hill_scale = 520;
    d.berm_height = 5;
    d.features = {{TABLETOP, 420}, {WHOOPS, 760}, {DOUBLE_JUMP, 1090}, {OFF_CAMBER, 1480},
                  {STEP_UP, 1760}, {MUD, 2050},   {TABLETOP, 2330},    {DOUBLE_JUMP, 2700}};
    return d;
}

// Quarry Flats: a flat, tight track in an old quarry floor.
TrackDesign quarry_flats()
{
    TrackDesign d;
    d.folder = "quarry";
    d.name = "Quarry Flats";
    d.level = 8;
    d.spacing = 2.5f;
    d.seed = 4242;
    d.control = {0.32f, 0.26f, 0.60f, 0.26f, 0.68f, 0.34f, 0.60f, 0.42f, 0.40f, 0.40f,
                 0.34f, 0.48f, 0.42f, 0.56f, 0.66f, 0.54f, 0.72f, 0.64f, 0.62f, 0.74f,
                 0.44f, 0.70f, 0.30f, 0.74f, 0.24f, 0.62f, 0.28f, 0.50f, 0.24f, 0.36f};
    d.width = 26;
    d.start_width = 150;
    d.hill_height = 14;
    d.hill_scale = 300;
    d.berm_height = 4;
    d.features = {{WHOOPS, 380}, {TABLETOP, 820}, {MUD, 1180}, {DOUBLE_JUMP, 1500}, {WHOOPS, 1900}};
    return d;
}

} // namespace

void generate_tracks()
{
    for (const TrackDesign &design : {rabbit_hill(), quarry_flats()}) {
        Course course = build_course(design);
        Ground ground = build_ground(course);
        write_ground(course, ground);
        write_objects(course, ground);
    }
}
