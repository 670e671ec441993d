#include "output.h"

#include "files/gzip.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

std::string output_root;

void write_output(const std::string &name, const std::string &bytes)
{
    std::string path = output_root + "/" + name;
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/')
            mkdir(path.substr(0, i).c_str(), 0755);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
        fprintf(stderr, "datagen: can't write '%s'\n", path.c_str());
        exit(1);
    }
}

void write_output_gz(const std::string &name, const std::string &bytes)
{
    write_output(name + ".gz", gzip_compress(bytes));
}
