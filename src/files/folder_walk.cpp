// Recursive folder walk with loop protection.
#include "files/folder_walk.h"

#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace
{

using Visited = std::set<std::pair<dev_t, ino_t>>;

bool walk(const std::string &dir, Visited *seen, const std::function<void(const std::string &, int64_t)> &visit)
{
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (!seen->insert({st.st_dev, st.st_ino}).second)
        return true;
    DIR *d = opendir(dir.c_str());
    if (!d)
        return false;
    while (dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        std::string path = dir + "/" + e->d_name;
        if (stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            walk(path, seen, visit);
        else if (S_ISREG(st.st_mode)) // a pipe or device would block a reader
            visit(path, (int64_t)st.st_size);
    }
    closedir(d);
    return true;
}

} // namespace

bool walk_files(const std::string &folder, const std::function<void(const std::string &path, int64_t size)> &visit)
{
    std::string root = folder;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    Visited seen;
    return walk(root, &seen, visit);
}
