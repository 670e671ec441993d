// The files of a small complete track (level 1: 2x2 tiles, 5x5 points), for
// tests and fuzz targets. No test framework needed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Inline "terrain.hf" bytes for P x P samples.
std::string inline_heights(int level, float spacing, float low, float high, const std::vector<uint16_t> &samples);

// A P x P binary PPM with every pixel the same colour.
std::string flat_ppm(int size, uint8_t r, uint8_t g, uint8_t b);

// Every file of the small track in `folder`, as (path relative to the data
// folder, contents): the track's own files and the shapes it names.
std::vector<std::pair<std::string, std::string>> small_track_files(const std::string &folder);
