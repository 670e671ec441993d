// RIPEMD-160 through nettle.
#include "files/digest.h"

#include <nettle/ripemd160.h>

#include <cctype>
#include <cstdio>

static_assert(RIPEMD160_DIGEST_SIZE == DIGEST_SIZE, "RIPEMD-160 digests are 20 bytes");

bool digest_file_prefix(const std::string &path, size_t max_bytes, uint8_t out[DIGEST_SIZE])
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    uint8_t block[256];
    size_t left = max_bytes;
    while (left > 0) {
        size_t got = fread(block, 1, left < sizeof block ? left : sizeof block, f);
        if (got == 0)
            break;
        ripemd160_update(&ctx, got, block);
        left -= got;
    }
    fclose(f);
    ripemd160_digest(&ctx, DIGEST_SIZE, out);
    return true;
}

void digest_bytes(const void *data, size_t size, uint8_t out[DIGEST_SIZE])
{
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    ripemd160_update(&ctx, size, (const uint8_t *)data);
    ripemd160_digest(&ctx, DIGEST_SIZE, out);
}

std::string digest_hex(const uint8_t digest[DIGEST_SIZE])
{
    char text[2 * DIGEST_SIZE + 1];
    for (int i = 0; i < DIGEST_SIZE; ++i)
        snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

bool digest_matches_hex(const uint8_t digest[DIGEST_SIZE], const char *hex)
{
    for (int i = 0; i < DIGEST_SIZE; ++i) {
        int value = 0;
        for (int k = 0; k < 2; ++k) {
            char c = hex[2 * i + k];
            if (!isxdigit((unsigned char)c))
                return false;
            value = value * 16 + (isdigit((unsigned char)c) ? c - '0' : tolower(c) - 'a' + 10);
        }
        if (value != digest[i])
            return false;
    }
    return hex[2 * DIGEST_SIZE] == '\0';
}
