// Game folders: the per-user home folder (index 0, where files are written)
// and the data folder (RV_HOME, or else the executable's folder).
#pragma once

#include <string>

// Concatenates two pieces with every "\\" turned into "/" and runs of "/"
// collapsed; an empty first piece (a missing folder) gives an empty result.
std::string join_path(const std::string &first, const std::string &second);

// The game folder of an index, ending in "/", or null past the list. The list
// is built on the first call.
const char *game_dir(int index);

// Number of game folders (0, 1 or 2).
int game_dir_count();

// Creates every directory along a path up to its last "/" (errors ignored).
void make_parent_dirs(const std::string &path);

// Creates the home folder and opens it in the desktop's file manager without
// waiting for it. Returns 1 when the opener was started.
int open_home_folder();

// Finds the folder holding the game data: the one whose "zzzz.saf" has the
// given RIPEMD-160 (first MiB, 40 hex digits). Also points the log at
// "lastlog.txt" in the home folder. Returns 1 when found.
int locate_game_data(const char *expected_digest_hex);

// Forgets the folder list and the file index; the next use builds them again
// from the environment (tests).
void game_files_reset();

// Whether the data archive lies beside the running executable (or in the
// share/rutvale/ folder of an installed game): tools then need no $RV_HOME.
bool data_beside_executable();
