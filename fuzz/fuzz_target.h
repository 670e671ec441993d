// Fuzz targets: one function per reader of outside bytes, fed arbitrary
// bytes. Each target file registers its function under a name; libFuzzer
// builds link one target file with fuzz_main.cpp, and the unit tests link
// them all to replay the kept inputs of every target.
//
// Targets read through the game's own file layer: they write the bytes into
// a scratch game folder (created once per process, removed at exit) and
// open them by "@" name, exactly as the game would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzFunction = void (*)(const uint8_t *data, size_t size);

struct FuzzTarget {
    const char *name;
    FuzzFunction function;
};

// Every registered target, in registration order.
std::vector<FuzzTarget> &fuzz_targets();

// Registers a target (FUZZ_TARGET does it for a target file).
struct FuzzRegistration {
    FuzzRegistration(const char *name, FuzzFunction function);
};

#define FUZZ_TARGET(name)                                                                                              \
    static void fuzz_##name(const uint8_t *data, size_t size);                                                         \
    static FuzzRegistration fuzz_registration_##name(#name, fuzz_##name);                                              \
    static void fuzz_##name(const uint8_t *data, size_t size)

// Points the game folders at the scratch folders (home and data); later
// calls do nothing.
void fuzz_folders();

// The scratch data folder, ending in "/".
const std::string &fuzz_data_folder();

// Writes bytes as a file of the scratch data folder ("a/b" makes folder a).
void fuzz_write(const std::string &name, const uint8_t *data, size_t size);
void fuzz_write(const std::string &name, const std::string &bytes);

// Writes bytes as a file of the scratch data folder and opens it by its "@"
// name for reading; null when it does not open.
struct GameFile;
GameFile *fuzz_open(const std::string &name, const uint8_t *data, size_t size);

// Removes a file of the scratch data folder (missing is fine).
void fuzz_remove(const std::string &name);

// Splits an input into parts at lines holding only "----" (a way for one
// input to carry several files). Always `count` parts; missing ones empty.
std::vector<std::string> fuzz_split(const uint8_t *data, size_t size, size_t count);
