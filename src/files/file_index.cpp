// Building the game-file index: scan the game folders, then read the header
// of every archive found, then sort so the winning entry of a name comes first.
#include "files/file_index.h"

#include "files/archive.h"
#include "files/folder_walk.h"
#include "files/paths.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace
{

bool index_built;
std::vector<FileIndexEntry> entries;
std::vector<const char *> names;

bool entry_less(const FileIndexEntry &a, const FileIndexEntry &b)
{
    int c = strcmp(a.name.c_str(), b.name.c_str());
    return c != 0 ? c < 0 : a.priority < b.priority;
}

void add_archive_members(const FileIndexEntry &archive, int priority)
{
    FILE *f = fopen(archive.path.c_str(), "rb");
    if (!f)
        return;
    std::vector<ArchiveMember> members;
    if (archive_read_header(f, &members)) {
        for (ArchiveMember &m : members)
            entries.push_back({archive.path, std::move(m.name), m.offset, m.size, priority});
    }
    fclose(f);
}

void build_index()
{
    index_built = true;
    entries.clear();
    int folders = game_dir_count();
    for (int i = 0; i < folders; ++i) {
        std::string root = game_dir(i);
        walk_files(root, [&](const std::string &path, int64_t size) {
            if (size <= INT32_MAX)
                entries.push_back({path, path.substr(root.size()), 0, (int32_t)size, i});
        });
    }
    std::stable_sort(entries.begin(), entries.end(), entry_less);

    // Archives rank after every folder, in the order their names sort.
    size_t loose = entries.size();
    int archive_priority = folders;
    for (size_t i = 0; i < loose; ++i) {
        const std::string &name = entries[i].name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".saf") == 0) {
            FileIndexEntry archive = entries[i];
            add_archive_members(archive, archive_priority);
            ++archive_priority;
        }
    }
    std::stable_sort(entries.begin(), entries.end(), entry_less);

    names.clear();
    for (const FileIndexEntry &e : entries)
        if (names.empty() || strcmp(names.back(), e.name.c_str()) != 0)
            names.push_back(e.name.c_str());
    names.push_back(nullptr);
}

} // namespace

const std::vector<FileIndexEntry> &file_index()
{
    if (!index_built)
        build_index();
    return entries;
}

const char *const *gf_list_names()
{
    if (!index_built)
        build_index();
    return names.data();
}

void file_index_reset()
{
    index_built = false;
    entries.clear();
    names.clear();
}
