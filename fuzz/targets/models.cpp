// JM model files, read as the model cache reads them.
#include "fuzz_target.h"

#include "files/game_file.h"
#include "render/model.h"

FUZZ_TARGET(models)
{
    fuzz_write("part.jm", data, size);
    GameFile *f = gf_open("@part.jm", "rb");
    if (!f)
        return;
    Model model;
    model_read(f, &model);
    gf_close(f);
}
