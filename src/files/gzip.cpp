// gzip compression through zlib's raw deflate.
#include "files/gzip.h"

#include <zlib.h>

#include <cstdint>

std::string gzip_compress(const std::string &bytes, const std::string &name)
{
    // Magic, deflate, flags (FNAME when named), no time, best compression, Unix.
    std::string out = {'\x1f', '\x8b', 8, (char)(name.empty() ? 0 : 8), 0, 0, 0, 0, 2, 3};
    if (!name.empty())
        out += name + '\0';
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
    return out;
}
