// Choosing and loading the models and textures riders and statues are
// drawn with, and keeping them in step with the race being drawn.
#include "render/rider_looks.h"

#include "files/texture.h"
#include "platform/log.h"
#include "race/race.h"
#include "render/model.h"
#include "render/text.h"
#include "track/track.h"

#include <algorithm>
#include <cstring>

namespace
{

LookSettings look_settings; // as the renderer's start configured them
RiderLook rider_looks[SLOTS];
std::vector<StatueLook> statues;
int statues_track = 0; // serial of the track the statue looks are for

std::string without_extension(const std::string &name)
{
    size_t dot = name.rfind('.'), slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name;
    return name.substr(0, dot);
}

// A model chosen by skin; `warn` reports what could not be loaded.
Model *load_variant(const std::string &model, const char *texture, bool warn)
{
    std::string variant = texture ? variant_model_name(model, texture) : "";
    if (variant.empty()) {
        Model *m = load_model(model.c_str(), false);
        if (!m && warn)
            zeph_log("Warning: Can't load %.900s\n", model.c_str());
        return m;
    }
    if (Model *m = load_model(variant.c_str(), false))
        return m;
    std::string t = texture;
    size_t slash = t.rfind('/');
    if (slash != std::string::npos) {
        // The same file name in the skin's own folder.
        std::string file = variant.substr(variant.rfind('/') == std::string::npos ? 0 : variant.rfind('/') + 1);
        if (!file.empty() && file[0] == '@')
            file = file.substr(1);
        std::string folder = t.substr(0, slash + 1);
        std::string beside = (folder[0] == '@' ? "" : "@") + folder + file;
        if (Model *m = load_model(beside.c_str(), false))
            return m;
        if (warn)
            zeph_log("Warning: Can't load %.450s or %.450s\n", variant.c_str(), beside.c_str());
        return nullptr;
    }
    if (warn)
        zeph_log("Warning: Can't load %.900s\n", variant.c_str());
    return nullptr;
}

// The normal or specular map of a texture: by the skin's model companion,
// then by the texture's own name.
unsigned texture_map(const std::string &model, const char *texture, const char *suffix)
{
    static const char *const endings[] = {".seq", ".png", ".ppm"};
    std::string companion = texture ? variant_model_name(model, texture) : "";
    std::string stems[2] = {companion.empty() ? "" : without_extension(companion),
                            texture ? without_extension(texture) : ""};
    for (const std::string &stem : stems) {
        if (stem.empty())
            continue;
        for (const char *end : endings)
            if (unsigned id = load_texture((stem + suffix + end).c_str()))
                return id;
    }
    return 0;
}

// Loads the first of the candidate names that exists.
unsigned first_texture(const std::string &stem, const char *const *suffixes, int count)
{
    for (int k = 0; k < count; ++k)
        if (unsigned id = load_texture((stem + suffixes[k]).c_str()))
            return id;
    return 0;
}

// The "_norm" or "_spec" map of a statue's texture, else of its model.
unsigned texture_variant(const std::string &texture, const std::string &model, const char *suffix)
{
    static const char *const repeat_ends[] = {"-repeat.png", "-repeat.ppm", "-repeat.seq"};
    std::string s = suffix;
    for (const char *end : repeat_ends) {
        size_t n = strlen(end);
        if (texture.size() >= n && texture.compare(texture.size() - n, n, end) == 0) {
            const char *const tries[] = {"-repeat.seq", "-repeat.png", "-repeat.ppm"};
            std::string stem = texture.substr(0, texture.rfind('-')) + s;
            if (unsigned id = first_texture(stem, tries, 3))
                return id;
            goto model_maps;
        }
    }
    {
        const char *const tries[] = {".seq", ".png", ".ppm"};
        size_t dot = texture.rfind('.');
        if (dot != std::string::npos)
            if (unsigned id = first_texture(texture.substr(0, dot) + s, tries, 3))
                return id;
    }
model_maps:
    const char *const tries[] = {".seq", ".png", ".ppm"};
    size_t dot = model.rfind('.');
    if (dot == std::string::npos)
        return 0;
    return first_texture(model.substr(0, dot) + s, tries, 3);
}

struct Group {
    RiderTexture texture;
    int spec_texture;
    std::vector<std::pair<RiderModel, int>> models; // model slot, spec file
    std::vector<bool> warn;
};

} // namespace

std::string variant_model_name(const std::string &model, const std::string &texture)
{
    size_t slash = texture.rfind('/');
    std::string file = slash == std::string::npos ? texture : texture.substr(slash + 1);
    size_t first = file.find('-');
    if (first == std::string::npos)
        return "";
    size_t second = file.find('-', first + 1);
    size_t dot = model.rfind('.');
    if (second == std::string::npos || dot == std::string::npos)
        return "";
    return model.substr(0, dot) + file.substr(first, second - first) + ".jm";
}

void load_rider_look(const Rider &rider, bool maps, RiderLook *look)
{
    const Rider *r = &rider;
    free_rider_look(look);
    look->serial = r->serial;
    const BikeSpec &s = r->spec;
    const Group groups[] = {
        {TEX_BIKE,
         PART_BIKE_TEXTURE,
         {{MODEL_FRAME, PART_FRAME_MODEL},
          {MODEL_SIDE_PLATES, PART_SIDE_PLATES_MODEL},
          {MODEL_FORK_UPPER, PART_FORK_UPPER_MODEL},
          {MODEL_FRONT_PLATE, PART_FRONT_PLATE_MODEL},
          {MODEL_FORK_LOWER, PART_FORK_LOWER_MODEL},
          {MODEL_SWINGARM, PART_SWINGARM_MODEL}},
         {true, true, true, true, true, true}},
        {TEX_WHEELS,
         PART_WHEEL_TEXTURE,
         {{MODEL_FRONT_WHEEL, PART_FRONT_WHEEL_MODEL}, {MODEL_REAR_WHEEL, PART_REAR_WHEEL_MODEL}},
         {true, true}},
        {TEX_BODY,
         PART_BODY_TEXTURE,
         {{MODEL_RIDER_PLATE, PART_RIDER_PLATE_MODEL},
          {MODEL_BODY, PART_BODY_MODEL},
          {MODEL_BODY_FP, PART_BODY_FP_MODEL}},
         {false, true, false}},
        {TEX_HEAD, PART_HEAD_TEXTURE, {{MODEL_HEAD, PART_HEAD_MODEL}}, {true}},
    };
    const char *given[RIDER_TEXTURES];
    for (int k = 0; k < RIDER_TEXTURES; ++k)
        given[k] = r->skins[k].empty() ? nullptr : r->skins[k].c_str();
    for (const Group &g : groups) {
        const char *texture = given[g.texture];
        for (int attempt = 0; attempt < 2; ++attempt) {
            look->textures[g.texture] = texture ? load_texture(texture) : 0;
            for (size_t k = 0; k < g.models.size(); ++k)
                look->models[g.models[k].first] = load_variant(s.part_files[g.models[k].second], texture, g.warn[k]);
            bool complete = look->textures[g.texture] && look->models[g.models[0].first];
            if (complete || attempt == 1)
                break;
            texture = s.part_files[g.spec_texture]; // the bike's own texture
        }
        if (maps) {
            std::string primary = s.part_files[g.models[0].second];
            look->normal_maps[g.texture] = texture_map(primary, texture, "_norm");
            look->specular_maps[g.texture] = texture_map(primary, texture, "_spec");
        }
    }
    look->number_texture = text_texture(r->number, 128);
}

void free_rider_look(RiderLook *look)
{
    if (look->number_texture)
        free_text_texture(look->number_texture);
    *look = RiderLook();
}

StatueLook load_statue_look(const Statue &statue)
{
    StatueLook look;
    look.texture = load_texture(statue.texture_name.c_str());
    if (look_settings.statue_normal_maps)
        look.normal_map = texture_variant(statue.texture_name, statue.model_name, "_norm");
    if (look_settings.statue_specular_maps)
        look.specular_map = texture_variant(statue.texture_name, statue.model_name, "_spec");
    if (!statue.model_name.empty())
        look.model = load_model(statue.model_name.c_str(), true);
    std::copy(statue.orientation, statue.orientation + 9, look.orientation);
    return look;
}

void looks_update(const Sim &sim)
{
    for (int k = 0; k < SLOTS; ++k) {
        const Rider *r = sim.race.slots[k].rider;
        RiderLook &look = rider_looks[k];
        if (r && look.serial != r->serial)
            load_rider_look(*r, look_settings.rider_maps, &look);
        else if (!r && look.serial)
            free_rider_look(&look);
    }
    const Track *track = &sim_track(sim);
    if (track->serial == 0) {
        statues.clear();
        statues_track = 0;
        return;
    }
    const std::vector<Statue> &list = track->objects.statues;
    if (statues_track != track->serial || statues.size() != list.size()) {
        statues.clear();
        for (const Statue &s : list)
            statues.push_back(load_statue_look(s));
        statues_track = track->serial;
    }
    // Statues that do not turn to the camera stand as the race has them.
    const std::vector<StatueState> &poses = sim.physics.statues;
    for (size_t k = 0; k < list.size() && k < poses.size(); ++k)
        if (list[k].face_distance == 0)
            std::copy(poses[k].orientation, poses[k].orientation + 9, statues[k].orientation);
}

const RiderLook &rider_look(int slot)
{
    static const RiderLook none;
    return slot >= 0 && slot < SLOTS ? rider_looks[slot] : none;
}

std::vector<StatueLook> &statue_looks()
{
    return statues;
}

void looks_clear()
{
    for (RiderLook &look : rider_looks)
        free_rider_look(&look);
    statues.clear();
    statues_track = 0;
}

void looks_configure(const LookSettings &settings)
{
    look_settings = settings;
}
