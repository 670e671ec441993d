// RIPEMD-160 digests (nettle) of files and their hexadecimal text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum { DIGEST_SIZE = 20 };

// Digest of at most `max_bytes` leading bytes of a file; false when it cannot
// be opened.
bool digest_file_prefix(const std::string &path, size_t max_bytes, uint8_t out[DIGEST_SIZE]);

// Digest of a block of memory.
void digest_bytes(const void *data, size_t size, uint8_t out[DIGEST_SIZE]);

// 40 lower-case hexadecimal digits.
std::string digest_hex(const uint8_t digest[DIGEST_SIZE]);

// Whether a digest equals 40 hexadecimal digits of either case.
bool digest_matches_hex(const uint8_t digest[DIGEST_SIZE], const char *hex);
