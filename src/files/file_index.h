// The index of every game file: loose files in the game folders and members
// of ".saf" archives found there, sorted by name and then priority (lower
// wins: loose files by folder index, then archives in name order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One indexed file: where its bytes are and how it ranks.
struct FileIndexEntry {
    std::string path; // the loose file itself, or the archive holding it
    std::string name; // name relative to the game folder root
    int32_t offset;   // byte offset of the data in `path`
    int32_t size;     // size of the data in bytes
    int32_t priority; // lower wins among equal names
};

// The whole index, built on first use.
const std::vector<FileIndexEntry> &file_index();

// Every distinct name in the index, sorted, ending with a null entry.
const char *const *gf_list_names();

// Forgets the index so the next use builds it again.
void file_index_reset();
