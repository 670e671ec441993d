// The PNG readers: pictures, pictures with alpha and 16-bit height images.
#include "fuzz_target.h"

#include "files/image.h"

#include <cstdint>
#include <vector>

FUZZ_TARGET(png)
{
    fuzz_write("picture.png", data, size);
    Image image;
    read_image_png("@picture.png", &image);
    Image rgba;
    read_image_rgba("@picture.png", &rgba);
    std::vector<uint16_t> samples;
    int width, height;
    read_heights_png("@picture.png", &samples, &width, &height);
}
