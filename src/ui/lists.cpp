// Skin and demo lists from the game-file index.
#include "ui/lists.h"

#include "files/file_index.h"
#include "platform/log.h"

#include <cstring>

namespace
{

bool ends_with(const std::string &text, const char *suffix)
{
    size_t n = strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

} // namespace

SkinList skin_list_build(const char *prefix)
{
    SkinList list;
    list.names.push_back("default");
    list.files.push_back("");
    size_t prefix_len = strlen(prefix);
    for (const char *const *n = gf_list_names(); *n; ++n) {
        std::string name = *n;
        if (!ends_with(name, ".png") || ends_with(name, "_norm.png") || ends_with(name, "_spec.png"))
            continue;
        size_t slash = name.rfind('/');
        std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
        if (base.size() < prefix_len + 4 || base.compare(0, prefix_len, prefix) != 0)
            continue;
        list.names.push_back(base.substr(prefix_len, base.size() - prefix_len - 4));
        list.files.push_back("@" + name);
    }
    return list;
}

DemoList demo_list_build(bool verbose)
{
    DemoList list;
    for (const char *const *n = gf_list_names(); *n; ++n) {
        std::string name = *n;
        if (name.compare(0, 6, "demos/") != 0 || !ends_with(name, ".rvdemo"))
            continue;
        size_t slash = name.rfind('/'), dot = name.rfind('.');
        std::string shown = dot == std::string::npos ? name : name.substr(slash + 1, dot - slash - 1);
        list.files.push_back(name);
        list.names.push_back(shown);
        if (verbose)
            zeph_log("%s -> %s\n", name.c_str(), shown.c_str());
    }
    return list;
}

std::vector<std::string> demo_list_page(const DemoList &list, int page)
{
    std::vector<std::string> rows(DEMO_PAGE_ROWS);
    for (int i = 0; i < DEMO_PAGE_ROWS; ++i) {
        size_t at = (size_t)page * DEMO_PAGE_ROWS + i;
        if (page >= 0 && at < list.names.size())
            rows[i] = list.names[at];
    }
    return rows;
}
