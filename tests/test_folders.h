// Test fixtures: temporary folders, files in them, and game folders pointed
// at them.
#pragma once

#include <gtest/gtest.h>

#include <string>

// A temporary folder removed with everything in it when the object dies.
struct TempDir {
    std::string path; // ends without "/"
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// Writes a file, creating its folders.
void write_file(const std::string &path, const std::string &contents);

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::string &path);

// Whether a path exists.
bool path_exists(const std::string &path);

// The bytes of a gzip file holding `data`, with the given header flags
// section (FNAME etc.) added when `name` is not empty.
std::string gzip_bytes(const std::string &data, const std::string &name = "");

// Points the game folders at a home folder and a data folder (either may be
// empty: unset) and forgets the built folder list and file index.
void use_game_folders(const std::string &home, const std::string &data);

// An archive with the given members, in the on-disk format.
std::string archive_bytes(const std::initializer_list<std::pair<std::string, std::string>> &members);

// A test with an empty home folder (its "Rutvale" folder inside `home_root`)
// and an empty data folder, both forgotten again afterwards; the message log
// starts empty.
class GameFolderTest : public ::testing::Test
{
  protected:
    TempDir home_root, data;
    std::string home() const { return home_root.path + "/Rutvale"; }
    void SetUp() override;
    void TearDown() override;
};
