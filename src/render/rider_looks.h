// How the race's riders and the track's statues look: their models and
// textures, which the renderer loads from the names the simulation keeps
// and holds by slot and by statue number. The simulation itself never
// loads a model or a texture of a rider or a statue.
#pragma once

#include "physics/rider.h"

#include <string>
#include <vector>

struct Model;
struct Sim;
struct Statue;
struct Track;

// RiderLook::models.
enum RiderModel {
    MODEL_FRAME,
    MODEL_FORK_UPPER,
    MODEL_FORK_LOWER,
    MODEL_SWINGARM,
    MODEL_FRONT_WHEEL,
    MODEL_REAR_WHEEL,
    MODEL_HEAD,
    MODEL_BODY,
    MODEL_BODY_FP,
    MODEL_SIDE_PLATES,
    MODEL_FRONT_PLATE,
    MODEL_RIDER_PLATE,
    RIDER_MODELS,
};

// A rider's part models chosen by skin, its textures with their normal and
// specular maps, and its number plate.
struct RiderLook {
    int serial = 0; // the rider it was loaded for (0: none)
    Model *models[RIDER_MODELS] = {};
    unsigned textures[RIDER_TEXTURES] = {}, normal_maps[RIDER_TEXTURES] = {}, specular_maps[RIDER_TEXTURES] = {};
    unsigned number_texture = 0;
};

// A statue's model and textures, and its pose as drawn.
struct StatueLook {
    Model *model = nullptr;
    unsigned texture = 0, normal_map = 0, specular_map = 0;
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// Which maps are looked for: only those the shaders can use.
struct LookSettings {
    bool rider_maps = false;          // riders' normal and specular maps
    bool statue_normal_maps = true;   // statues' "_norm" maps
    bool statue_specular_maps = true; // statues' "_spec" maps
};

// Sets which maps are looked for, for every look loaded from now on (the
// renderer's start sets them once from what the GL driver offers).
void looks_configure(const LookSettings &settings);

// The model name a skin selects: model "@yz250f_frame.jm" with texture
// "yz250f-red-x.png" gives "@yz250f_frame-red.jm". Empty when the texture
// has fewer than two dashes or the model no extension.
std::string variant_model_name(const std::string &model, const std::string &texture);

// Loads a rider's models and textures for its skins, with the fallbacks to
// the bike's own texture, the maps (when asked for), and the number plate.
void load_rider_look(const Rider &rider, bool maps, RiderLook *look);

// Frees what a look owns (its number plate) and empties it.
void free_rider_look(RiderLook *look);

// Loads a statue's model, texture and maps; its pose is the statue's own.
StatueLook load_statue_look(const Statue &statue);

// Brings the looks up to date with a race: new riders and a new track are
// loaded, the looks of riders that have gone are freed, and the statues
// take the race's poses (the starting gate). Call before drawing a frame.
void looks_update(const Sim &sim);

// The look of a slot's rider (empty when the slot has none loaded).
const RiderLook &rider_look(int slot);

// The statues' looks, one per statue of the track drawn last updated.
std::vector<StatueLook> &statue_looks();

// Frees every look (the GL context is going).
void looks_clear();
