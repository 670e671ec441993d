// A small track folder written by hand: level 1 (2x2 tiles, 5x5 points).
#pragma once

#include "test_folders.h"

#include <string>
#include <vector>

// Inline "terrain.hf" bytes for P x P samples.
std::string inline_heights(int level, float spacing, float low, float high,
                           const std::vector<uint16_t> &samples);

// A P x P binary PPM with every pixel the same colour.
std::string flat_ppm(int size, uint8_t r, uint8_t g, uint8_t b);

// Writes a complete small track into `root/<folder>`.
void write_small_track(const std::string &root, const std::string &folder);
