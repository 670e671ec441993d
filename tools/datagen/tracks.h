// Track generation: the ground files, surfaces, course and objects of each
// track folder.
#pragma once

// Writes every track of the game.
void generate_tracks();
