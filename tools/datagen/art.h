// The game's pictures, models and shapes that are not part of one track.
#pragma once

// Ground tiles (with every dirt-grass transition), roost particles, decals.
void generate_ground_art();

// Track props: hay bales, tuff blocks, start tower, starting gate; billboard
// and flagger pictures.
void generate_props();

// Sky box faces, the environment map, lens flare pictures and "roost.png".
void generate_sky();
