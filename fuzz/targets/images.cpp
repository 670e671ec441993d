// The image readers on one stream: PPM, PGM and the J formats, then the
// steps every loaded image goes through (power-of-two resampling, mipmaps).
#include "fuzz_target.h"

#include "files/game_file.h"
#include "files/image.h"

FUZZ_TARGET(images)
{
    fuzz_write("picture", data, size);
    bool (*const readers[])(GameFile *, Image *) = {read_image_ppm, read_image_pgm, read_image_j};
    for (auto reader : readers) {
        GameFile *f = gf_open("@picture", "rb");
        if (!f)
            return;
        Image image;
        if (reader(f, &image) && resample_to_power_of_two(&image))
            make_mipmaps(&image);
        gf_close(f);
    }
}
