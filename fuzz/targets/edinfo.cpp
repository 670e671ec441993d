// The track editor's "edinfo" file of gradients, read and each profile
// evaluated across its length.
#include "fuzz_target.h"

#include "editor/editor.h"
#include "files/game_file.h"

FUZZ_TARGET(edinfo)
{
    GameFile *f = fuzz_open("edinfo", data, size);
    if (!f)
        return;
    std::vector<Gradient> gradients;
    edinfo_read(&gradients, f);
    gf_close(f);
    for (const Gradient &g : gradients)
        for (float t = -1; t < 64; t += 0.5f)
            (void)gradient_value(g, t);
}
