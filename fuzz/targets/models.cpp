// JM model files, read as the model cache reads them.
#include "fuzz_target.h"

#include "files/game_file.h"
#include "render/model.h"

FUZZ_TARGET(models)
{
    GameFile *f = fuzz_open("part.jm", data, size);
    if (!f)
        return;
    Model model;
    model_read(f, &model);
    gf_close(f);
}
