// The GameFile record, shared by the stream and formatted-reader sources.
#pragma once

#include "files/game_file.h"

#include <cstdint>
#include <zlib.h>

struct GameFile {
    FILE *file;
    long base;        // offset of the stream's first byte in the file
    int32_t limit;    // bytes the stream may deliver
    int32_t position; // bytes delivered so far, push-back byte included
    int pushback;     // one byte pushed back, or -1
    bool compressed;
    int32_t compressed_size; // compressed bytes of the member (or INT32_MAX)
    int32_t compressed_read; // compressed bytes read from the file so far
    bool at_end;             // the inflater reached the end of the data
    bool inflating;          // inflateInit2 succeeded; inflateEnd is due
    z_stream inflater;
    uint8_t input[16384];
    uint8_t window[1024];
    int window_length;
    int window_cursor;
};
