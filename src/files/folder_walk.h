// Walking every file below a folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Calls `visit` with the path and size of every file below a folder (paths
// are the folder without trailing "/", then "/name" per level). Links are
// followed, but no folder is entered twice, so link loops end. Returns false
// when the folder itself cannot be read.
bool walk_files(const std::string &folder, const std::function<void(const std::string &path, int64_t size)> &visit);
