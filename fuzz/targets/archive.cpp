// Archives: the header of a ".saf" in the game folder, then every member
// opened by name and read to its end.
#include "fuzz_target.h"

#include "files/archive.h"
#include "files/file_index.h"
#include "files/game_file.h"
#include "files/paths.h"

#include <cstdio>
#include <string>
#include <vector>

FUZZ_TARGET(archive)
{
    fuzz_write("fuzz.saf", data, size);
    game_files_reset();
    std::vector<std::string> names;
    for (const char *const *n = gf_list_names(); *n; ++n)
        names.push_back(*n);
    for (const std::string &name : names) {
        if (GameFile *f = gf_open(("@" + name).c_str(), "rb")) {
            char block[4096];
            while (gf_read(f, block, sizeof block) > 0) {
            }
            gf_close(f);
        }
    }
}
