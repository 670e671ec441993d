// A rider's drawing resources: part models chosen by skin, textures with
// their normal and specular maps, and the number plate.
#pragma once

#include <string>

struct Rider;

// The model name a skin selects: model "@yz250f_frame.jm" with texture
// "yz250f-red-x.png" gives "@yz250f_frame-red.jm". Empty when the texture
// has fewer than two dashes or the model no extension.
std::string variant_model_name(const std::string &model, const std::string &texture);

// Loads the rider's models and textures for its skins, with the fallbacks
// to the bike's own texture, the maps, and the number plate. Does nothing
// that needs a renderer when none is installed.
void load_rider_resources(Rider *rider, const char *body_texture, const char *head_texture,
                          const char *bike_texture, const char *wheel_texture, bool shaders);
