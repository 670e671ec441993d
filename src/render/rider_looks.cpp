// Choosing and loading a rider's models and textures.
#include "physics/rider_resources.h"

#include "platform/messages.h"
#include "files/render_hooks.h"
#include "files/texture.h"
#include "physics/rider.h"
#include "platform/log.h"

#include <cstring>

namespace {

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
        Model *m = hook_load_model(model.c_str(), false);
        if (!m && warn)
            zeph_log("Warning: Can't load %.900s\n", model.c_str());
        return m;
    }
    if (Model *m = hook_load_model(variant.c_str(), false))
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
        if (Model *m = hook_load_model(beside.c_str(), false))
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

void load_rider_resources(Rider *r, const char *body_texture, const char *head_texture, const char *bike_texture,
                          const char *wheel_texture, bool shaders)
{
    const BikeSpec &s = r->spec;
    const Group groups[] = {
        {TEX_BIKE, PART_BIKE_TEXTURE,
         {{MODEL_FRAME, PART_FRAME_MODEL}, {MODEL_SIDE_PLATES, PART_SIDE_PLATES_MODEL},
          {MODEL_FORK_UPPER, PART_FORK_UPPER_MODEL}, {MODEL_FRONT_PLATE, PART_FRONT_PLATE_MODEL},
          {MODEL_FORK_LOWER, PART_FORK_LOWER_MODEL}, {MODEL_SWINGARM, PART_SWINGARM_MODEL}},
         {true, true, true, true, true, true}},
        {TEX_WHEELS, PART_WHEEL_TEXTURE,
         {{MODEL_FRONT_WHEEL, PART_FRONT_WHEEL_MODEL}, {MODEL_REAR_WHEEL, PART_REAR_WHEEL_MODEL}},
         {true, true}},
        {TEX_BODY, PART_BODY_TEXTURE,
         {{MODEL_RIDER_PLATE, PART_RIDER_PLATE_MODEL}, {MODEL_BODY, PART_BODY_MODEL},
          {MODEL_BODY_FP, PART_BODY_FP_MODEL}},
         {false, true, false}},
        {TEX_HEAD, PART_HEAD_TEXTURE, {{MODEL_HEAD, PART_HEAD_MODEL}}, {true}},
    };
    const char *given[RIDER_TEXTURES] = {body_texture, head_texture, bike_texture, wheel_texture};
    for (const Group &g : groups) {
        const char *texture = given[g.texture];
        for (int attempt = 0; attempt < 2; ++attempt) {
            r->textures[g.texture] = texture ? load_texture(texture) : 0;
            for (size_t k = 0; k < g.models.size(); ++k)
                r->models[g.models[k].first] = load_variant(s.part_files[g.models[k].second], texture, g.warn[k]);
            bool complete = r->textures[g.texture] && r->models[g.models[0].first];
            // Without a renderer there is nothing to fall back for.
            if (complete || !render_hooks.load_model || attempt == 1)
                break;
            texture = s.part_files[g.spec_texture]; // the bike's own texture
        }
        if (shaders) {
            std::string primary = s.part_files[g.models[0].second];
            r->normal_maps[g.texture] = texture_map(primary, texture, "_norm");
            r->specular_maps[g.texture] = texture_map(primary, texture, "_spec");
        }
    }
    if (render_hooks.text_texture)
        r->number_texture = render_hooks.text_texture(r->number, 128);
}
