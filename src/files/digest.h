// RIPEMD-160 digests (nettle) of files and their hexadecimal text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum { DIGEST_SIZE = 20 };

// A digest being computed piece by piece. The state is nettle's, kept in
// opaque storage so that users need no nettle header.
struct Digest {
    alignas(8) unsigned char state[128];
};

// Starts a digest.
void digest_init(Digest *digest);

// Adds bytes to a digest.
void digest_update(Digest *digest, const void *data, size_t size);

// Finishes a digest (the record may be started again with digest_init).
void digest_final(Digest *digest, uint8_t out[DIGEST_SIZE]);

// Digest of at most `max_bytes` leading bytes of a file; false when it cannot
// be opened.
bool digest_file_prefix(const std::string &path, size_t max_bytes, uint8_t out[DIGEST_SIZE]);

// Digest of a block of memory.
void digest_bytes(const void *data, size_t size, uint8_t out[DIGEST_SIZE]);

// 40 lower-case hexadecimal digits.
std::string digest_hex(const uint8_t digest[DIGEST_SIZE]);

// Whether a digest equals 40 hexadecimal digits of either case.
bool digest_matches_hex(const uint8_t digest[DIGEST_SIZE], const char *hex);
