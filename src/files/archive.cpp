// Reading and writing ".saf" archive headers.
#include "files/archive.h"

#include "files/folder_walk.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{

std::string collapse_slashes(const char *text)
{
    std::string out;
    for (; *text; ++text) {
        if (*text == '/' && !out.empty() && out.back() == '/')
            continue;
        out += *text;
    }
    return out;
}

} // namespace

bool archive_read_header(FILE *file, std::vector<ArchiveMember> *members)
{
    members->clear();
    char line[1024];
    int64_t header_length = 0;
    while (fgets(line, sizeof line, file)) {
        size_t len = strlen(line);
        header_length += (int64_t)len;
        if (len == 0 || line[len - 1] != '\n')
            break;
        line[len - 1] = '\0';
        char *end;
        errno = 0;
        long long size = strtoll(line, &end, 10);
        if (end == line || !(isdigit((unsigned char)line[0]) || line[0] == '+' || line[0] == '-')) {
            if (strcmp(line, "-") != 0)
                break;
            // End line: members follow the header back to back.
            int64_t offset = header_length;
            for (ArchiveMember &m : *members) {
                if (offset > INT32_MAX)
                    goto reject;
                m.offset = (int32_t)offset;
                offset += m.size;
            }
            return true;
        }
        // A negative or oversized count cannot describe real bytes.
        if (errno == ERANGE || size < 0 || size > INT32_MAX || *end == '\0')
            break;
        members->push_back({collapse_slashes(end + 1), 0, (int32_t)size});
    }
reject:
    members->clear();
    return false;
}

bool archive_pack_folder(const std::string &folder, const std::string &archive_path, std::string *error)
{
    std::string root = folder;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    std::vector<std::string> names;
    bool readable =
        walk_files(root, [&](const std::string &path, int64_t) { names.push_back(path.substr(root.size() + 1)); });
    if (!readable) {
        *error = "can't read folder '" + folder + "'";
        return false;
    }
    std::sort(names.begin(), names.end());

    std::string header;
    std::vector<std::string> contents;
    for (const std::string &name : names) {
        std::string path = root + "/" + name;
        FILE *in = fopen(path.c_str(), "rb");
        if (!in) {
            *error = "can't read '" + path + "'";
            return false;
        }
        std::string data;
        char block[65536];
        size_t got;
        while ((got = fread(block, 1, sizeof block, in)) > 0)
            data.append(block, got);
        bool failed = ferror(in) != 0;
        fclose(in);
        std::string line = std::to_string(data.size()) + " " + name + "\n";
        if (failed || data.size() > INT32_MAX || line.size() > 1023 || name.find('\n') != std::string::npos) {
            *error = "can't store '" + path + "' in an archive";
            return false;
        }
        header += line;
        contents.push_back(std::move(data));
    }
    header += "-\n";

    std::string temp = archive_path + ".tmp";
    FILE *out = fopen(temp.c_str(), "wb");
    if (!out) {
        *error = "can't write '" + temp + "'";
        return false;
    }
    bool ok = fwrite(header.data(), 1, header.size(), out) == header.size();
    for (const std::string &data : contents)
        ok = ok && fwrite(data.data(), 1, data.size(), out) == data.size();
    ok = (fclose(out) == 0) && ok;
    if (!ok || rename(temp.c_str(), archive_path.c_str()) != 0) {
        remove(temp.c_str());
        *error = "can't write '" + archive_path + "'";
        return false;
    }
    return true;
}
