// ".saf" archives: a text header of members followed by their bytes.
//
// Layout:
//   "<size> <name>\n"   one line per member, decimal byte count, one blank,
//                       the member's "/"-separated name; at most 1023 bytes
//   "-\n"               end of the header
//   member bytes        back to back in header order, no alignment, no trailer
// Member k starts at (header length, end line included) + sizes of 0..k-1.
// There is no magic number, count or checksum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One member of an archive.
struct ArchiveMember {
    std::string name;
    int32_t offset;
    int32_t size;
};

// Reads an archive header from the start of a stream. Returns false, with no
// members, when the header is malformed or ends before the end line.
bool archive_read_header(FILE *file, std::vector<ArchiveMember> *members);

// Packs every file under a folder into an archive, members in byte-wise name
// order so the same folder always gives the same bytes. Returns false, with a
// message in `error`, when a file cannot be read or the archive written.
bool archive_pack_folder(const std::string &folder, const std::string &archive_path, std::string *error);
