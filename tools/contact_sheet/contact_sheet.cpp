// contact_sheet: lays every picture of a data folder side by side in one PNG,
// read with the game's own image readers, to look the art over at a glance.
//
//   contact_sheet <data folder> <output.png> [cell size in pixels]
#include "files/folder_walk.h"
#include "files/game_file.h"
#include "files/image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

int CELL = 128;
const int GAP = 4;

bool read_any(const std::string &path, Image *image)
{
    std::string name = path;
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0)
        name.resize(name.size() - 3); // the stream inflates it
    size_t dot = name.rfind('.');
    std::string kind = dot == std::string::npos ? "" : name.substr(dot);
    if (kind == ".png")
        return read_image_png(name.c_str(), image);
    if (kind != ".ppm" && kind != ".pgm")
        return false;
    GameFile *f = gf_open(name.c_str(), "rb");
    if (!f)
        return false;
    bool ok = kind == ".ppm" ? read_image_ppm(f, image) : read_image_pgm(f, image);
    gf_close(f);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: contact_sheet <data folder> <output.png> [cell size]\n");
        return 2;
    }
    if (argc == 4)
        CELL = std::max(16, std::min(2048, atoi(argv[3])));
    std::vector<std::string> paths;
    walk_files(argv[1], [&](const std::string &path, int64_t) { paths.push_back(path); });
    std::sort(paths.begin(), paths.end());
    std::vector<Image> images;
    for (const std::string &p : paths) {
        Image image;
        if (read_any(p, &image))
            images.push_back(std::move(image));
    }
    if (images.empty()) {
        fprintf(stderr, "contact_sheet: no pictures in '%s'\n", argv[1]);
        return 1;
    }
    int columns = std::min(12, (int)images.size()), rows = ((int)images.size() + columns - 1) / columns;
    int width = columns * (CELL + GAP) + GAP, height = rows * (CELL + GAP) + GAP;
    std::vector<uint8_t> sheet((size_t)width * height * 3, 40);
    for (size_t k = 0; k < images.size(); ++k) {
        const Image &im = images[k];
        int ox = GAP + (int)(k % columns) * (CELL + GAP), oy = GAP + (int)(k / columns) * (CELL + GAP);
        float scale = (float)CELL / std::max(im.width, im.height);
        int w = std::max(1, (int)(im.width * scale)), h = std::max(1, (int)(im.height * scale));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sx = std::min(im.width - 1, (int)(x / scale)), sy = std::min(im.height - 1, (int)(y / scale));
                const uint8_t *s = &im.pixels[((size_t)sy * im.width + sx) * im.channels];
                uint8_t *d = &sheet[((size_t)(oy + y) * width + ox + x) * 3];
                // Transparent parts show over a checkerboard.
                int check = ((x / 8 + y / 8) % 2) ? 90 : 60;
                float a = im.channels == 4 ? s[3] / 255.0f : 1.0f;
                for (int c = 0; c < 3; ++c) {
                    int v = im.channels == 1 ? s[0] : s[c];
                    d[c] = (uint8_t)(v * a + check * (1 - a));
                }
            }
    }
    if (!write_rgb_png(argv[2], sheet.data(), width, height)) {
        fprintf(stderr, "contact_sheet: can't write '%s'\n", argv[2]);
        return 1;
    }
    printf("%zu pictures\n", images.size());
    return 0;
}
