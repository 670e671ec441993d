// Lists built from the game files at start-up: skins and demos.
#pragma once

#include <string>
#include <vector>

// Skin choices for one prefix: "default" first, then every ".png" game file
// whose base name starts with the prefix (normal and specular maps left out),
// named by the text between prefix and ".png"; `files` holds the "@" names.
struct SkinList {
    std::vector<std::string> names;
    std::vector<std::string> files;
};

// Builds the skin list of a prefix such as "rider_body-".
SkinList skin_list_build(const char *prefix);

// Demo files under "demos/" with their display names.
struct DemoList {
    std::vector<std::string> files; // game-file names, "demos/....rvdemo"
    std::vector<std::string> names; // between the last "/" and the last "."
};

enum { DEMO_PAGE_ROWS = 20 };

// Builds the demo list; with `verbose` logs "file -> name" per demo.
DemoList demo_list_build(bool verbose);

// The display names shown on one page of 20 rows; rows past the end are empty.
std::vector<std::string> demo_list_page(const DemoList &list, int page);
