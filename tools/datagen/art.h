// The game's pictures, models and shapes that are not part of one track.
#pragma once

// Ground tiles (with every dirt-grass transition), roost particles, decals.
void generate_ground_art();

// Track props: hay bales, tuff blocks, start tower, starting gate; billboard
// and flagger pictures.
void generate_props();

// Sky box faces, the environment map, lens flare pictures and "roost.png".
void generate_sky();

// Fonts, tachometer, shifter, pitboard and the title picture.
void generate_hud();

// Exhaust pipe files, the points series and the bike collision shapes.
void generate_misc();

// Bike part models for every family, their textures and skins, the wheels.
void generate_bikes();

// The rider's skinned body models, helmet, plate and their textures.
void generate_rider();
