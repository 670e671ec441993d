// datagen: writes Rutvale's default game data into a folder, the same bytes
// on every run. The build packs that folder into the data archive.
//
//   datagen <output folder>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

bool write_file(const std::string &path, const std::string &contents)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(contents.data(), 1, contents.size(), f) == contents.size();
    return fclose(f) == 0 && ok;
}

// The practice track: a level field (level 3, 33 feet between grid points)
// whose heights come from the minimum of its range.
bool write_rabbithill(const std::string &root)
{
    std::string dir = root + "/rabbithill";
    mkdir(dir.c_str(), 0755);
    return write_file(dir + "/desc", "Rabbit Hill\n") &&
           write_file(dir + "/terrain.hf", "3 33.000000 0.000000 0.000000\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: datagen <output folder>\n");
        return 2;
    }
    std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    if (!write_rabbithill(root)) {
        fprintf(stderr, "datagen: can't write into '%s'\n", root.c_str());
        return 1;
    }
    return 0;
}
