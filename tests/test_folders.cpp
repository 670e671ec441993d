#include "test_folders.h"

#include "files/gzip.h"
#include "files/paths.h"
#include "platform/messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

TempDir::TempDir()
{
    char pattern[] = "/tmp/rutvale-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir()
{
    nftw(
        path.c_str(), [](const char *p, const struct stat *, int, FTW *) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

void write_file(const std::string &path, const std::string &contents)
{
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/')
            mkdir(path.substr(0, i).c_str(), 0755);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("can't write " + path);
    fwrite(contents.data(), 1, contents.size(), f);
    fclose(f);
}

std::string read_file(const std::string &path)
{
    std::string out;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, n);
    fclose(f);
    return out;
}

bool path_exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string gzip_bytes(const std::string &data, const std::string &name)
{
    return gzip_compress(data, name);
}

void use_game_folders(const std::string &home, const std::string &data)
{
    if (home.empty()) {
        unsetenv("XDG_DATA_HOME");
        unsetenv("HOME");
    } else {
        setenv("XDG_DATA_HOME", home.c_str(), 1);
    }
    if (data.empty())
        unsetenv("RV_HOME");
    else
        setenv("RV_HOME", data.c_str(), 1);
    game_files_reset();
}

std::string archive_bytes(const std::initializer_list<std::pair<std::string, std::string>> &members)
{
    std::string header, body;
    for (const auto &m : members) {
        header += std::to_string(m.second.size()) + " " + m.first + "\n";
        body += m.second;
    }
    return header + "-\n" + body;
}

void GameFolderTest::SetUp()
{
    use_game_folders(home_root.path, data.path);
    message_log_clear();
}

void GameFolderTest::TearDown()
{
    use_game_folders("", "");
}
