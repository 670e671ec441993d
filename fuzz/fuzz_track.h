// Track fuzzing: a small complete track in the scratch data folder whose
// files a target replaces before loading it the way a race does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the small track "small" (once), with the given file of it
// replaced by bytes ("tileinfo", "terrain.hf", ...); an empty name changes
// nothing.
void fuzz_track_with(const std::string &file, const uint8_t *data, size_t size);

// Loads "small" as a race does and asks it what the simulation asks: ground
// heights and normals under every object, the statue grid, the gate
// sequence. Then frees it.
void fuzz_load_track();
