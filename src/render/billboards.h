// Billboards: camera-facing pictures standing upright (track billboards,
// flaggers and roost particles), drawn back to front with runs of equal
// textures grouped where that cannot change the picture.
#pragma once

#include <cstdint>
#include <vector>

struct Billboard;

// The first this many billboards of a track's list are roost particles,
// whose depth counts their width so they sort in front of what they hit.
enum { ROOST_PARTICLE_SLOTS = 2000 };

// Billboards drawn in the latest frame.
extern int billboards_drawn;

// Sorts indices by their keys, smallest first, keeping the order of equal
// keys: four passes of 256 buckets over the key bytes, lowest byte first.
void radix_sort_by_key(std::vector<int> *indices, const std::vector<uint32_t> &keys);

// The drawing order of the billboards seen from a camera (position and its
// backward axis): those with a texture, some alpha and lying in front of
// the camera, farthest first; then each billboard pulls the next one of its
// texture within `lookahead` places up behind it when nothing in between
// overlaps it on screen. Empty when the camera looks straight up or down.
std::vector<int> billboard_order(const Billboard *list, int count, const float camera[3], const float backward[3],
                                 int lookahead);

// Draws the billboards in that order, binding each texture once per run.
void draw_billboards(const Billboard *list, int count, const float camera[3], const float backward[3], int lookahead);
