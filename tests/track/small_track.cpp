#include "track/small_track.h"

#include <cstdio>

std::string inline_heights(int level, float spacing, float low, float high, const std::vector<uint16_t> &samples)
{
    char header[128];
    snprintf(header, sizeof header, "%d %f %f %f\n:", level, spacing, low, high);
    std::string out = header;
    for (uint16_t s : samples) {
        out += (char)(s & 0xff);
        out += (char)(s >> 8);
    }
    return out;
}

std::string flat_ppm(int size, uint8_t r, uint8_t g, uint8_t b)
{
    std::string out = "P6\n" + std::to_string(size) + " " + std::to_string(size) + "\n255\n";
    for (int k = 0; k < size * size; ++k) {
        out += (char)r;
        out += (char)g;
        out += (char)b;
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> small_track_files(const std::string &folder)
{
    std::vector<std::pair<std::string, std::string>> files;
    auto write_file = [&files](const std::string &path, const std::string &contents) {
        files.emplace_back(path, contents);
    };
    std::string dir = folder + "/";
    std::vector<uint16_t> samples(25);
    for (int k = 0; k < 25; ++k)
        samples[k] = (uint16_t)(k * 1000);
    write_file(dir + "terrain.hf", inline_heights(1, 10, 0, 65.535f, samples));
    write_file(dir + "shading.ppm", flat_ppm(5, 200, 100, 50));
    write_file(dir + "tileinfo", "texture @dirt.png\nfriction 1.0 10\naddtile\n"
                                 "texture @grass.png\naddtile\n"
                                 "texture @dirt-grass-0110.png\naddtile\n");
    write_file(dir + "tilemap", std::string("\x00\x01\x02\x07", 4));
    write_file(dir + "timing_gates", "startinggate:\n[ 5 0 5 ] 0\n[ 8 0 5 ] 0\n"
                                     "checkpoints:\n4 [ 10 0 10 ] [ 0 0 1 ]\n4 [ 30 0 30 ] [ 1 0 0 ]\n"
                                     "firstlap:\n0 1\nnormallap:\n100000 1 0\n");
    write_file(dir + "statues", "[ 20 0 20 ] 0 @tree.jm @tree.png @tree.shp\n"
                                "[ 25 1 25 ] 10 @rock.jm @rock.png null\n");
    write_file("tree.shp", "2\n0 1 0\n1 0.5 1000 10\n0 3 0\n0.5 0.5 1000 10\n");
    write_file("startgate.shp", "1 0 0 0 1 1 1 1\n");
    write_file(dir + "billboards", "[ 15 0 15 ] 4 1 #ff8000#@sign.png\n");
    write_file(dir + "lighting", "sun_vector [ 0 2 0 ]\nfog [ 0.5 0.6 0.7 ] 0.01\n");
    write_file(dir + "desc", "Small Track\n");
    return files;
}
