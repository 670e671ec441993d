#include "output.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <zlib.h>

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
    // gzip header: magic, deflate, no flags, no time, maximum compression, Unix.
    std::string out = {'\x1f', '\x8b', 8, 0, 0, 0, 0, 0, 2, 3};
    z_stream z = {};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string body(deflateBound(&z, bytes.size()), '\0');
    z.next_in = (Bytef *)bytes.data();
    z.avail_in = (uInt)bytes.size();
    z.next_out = (Bytef *)&body[0];
    z.avail_out = (uInt)body.size();
    deflate(&z, Z_FINISH);
    body.resize(z.total_out);
    deflateEnd(&z);
    out += body;
    uint32_t crc = crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size());
    for (uint32_t v : {crc, (uint32_t)bytes.size()})
        for (int i = 0; i < 4; ++i)
            out += (char)(v >> (8 * i));
    write_output(name + ".gz", out);
}
