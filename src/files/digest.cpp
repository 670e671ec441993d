// RIPEMD-160 through nettle.
#include "files/digest.h"

#include <nettle/ripemd160.h>

#include <cctype>
#include <cstdio>

static_assert(RIPEMD160_DIGEST_SIZE == DIGEST_SIZE, "RIPEMD-160 digests are 20 bytes");
static_assert(sizeof(ripemd160_ctx) <= sizeof(Digest::state), "the digest state fits its storage");
static_assert(alignof(ripemd160_ctx) <= alignof(Digest), "the digest state is aligned");

static ripemd160_ctx *context(Digest *digest)
{
    return reinterpret_cast<ripemd160_ctx *>(digest->state);
}

void digest_init(Digest *digest)
{
    ripemd160_init(context(digest));
}

void digest_update(Digest *digest, const void *data, size_t size)
{
    ripemd160_update(context(digest), size, static_cast<const uint8_t *>(data));
}

void digest_final(Digest *digest, uint8_t out[DIGEST_SIZE])
{
    ripemd160_digest(context(digest), DIGEST_SIZE, out);
}

bool digest_file_prefix(const std::string &path, size_t max_bytes, uint8_t out[DIGEST_SIZE])
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    Digest digest;
    digest_init(&digest);
    uint8_t block[256];
    size_t left = max_bytes;
    while (left > 0) {
        size_t got = fread(block, 1, left < sizeof block ? left : sizeof block, f);
        if (got == 0)
            break;
        digest_update(&digest, block, got);
        left -= got;
    }
    fclose(f);
    digest_final(&digest, out);
    return true;
}

void digest_bytes(const void *data, size_t size, uint8_t out[DIGEST_SIZE])
{
    Digest digest;
    digest_init(&digest);
    digest_update(&digest, data, size);
    digest_final(&digest, out);
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
