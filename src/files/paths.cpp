// Game folder list, home folder and the data-folder check.
//
// The home folder is $XDG_DATA_HOME/Rutvale/ (or ~/.local/share/Rutvale/);
// the data folder is $RV_HOME, or else the folder of the running executable
// (or share/rutvale/ beside the bin/ folder of an installed game).
#include "files/paths.h"

#include "files/digest.h"
#include "files/file_index.h"
#include "platform/log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

bool dirs_built;
bool home_present;
std::string dirs[2];
int dir_count;

std::string home_folder()
{
    const char *xdg = getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return join_path(xdg, "/Rutvale/");
    const char *home = getenv("HOME");
    if (home && home[0])
        return join_path(home, "/.local/share/Rutvale/");
    return std::string();
}

std::string executable_folder()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0 || n >= (ssize_t)sizeof path - 1)
        return std::string();
    path[n] = '\0';
    char *slash = strrchr(path, '/');
    if (!slash)
        return std::string();
    slash[1] = '\0';
    return path;
}

// An installed game keeps its data in share/rutvale/ beside bin/; a game
// run from its build folder has the data beside the executable.
std::string installed_data_folder(const std::string &exe_folder)
{
    struct stat st;
    if (exe_folder.empty() || stat((exe_folder + "zzzz.saf").c_str(), &st) == 0)
        return exe_folder;
    std::string shared = exe_folder + "../share/rutvale/";
    if (stat((shared + "zzzz.saf").c_str(), &st) == 0)
        return shared;
    return exe_folder;
}

void build_dirs()
{
    dirs_built = true;
    dir_count = 0;
    std::string home = home_folder();
    home_present = !home.empty();
    if (home_present)
        dirs[dir_count++] = home;
    std::string data;
    if (const char *rv_home = getenv("RV_HOME"))
        data = join_path(rv_home, "/");
    else
        data = installed_data_folder(executable_folder());
    if (!data.empty())
        dirs[dir_count++] = data;
}

} // namespace

bool data_beside_executable()
{
    struct stat st;
    std::string exe = executable_folder();
    return !exe.empty() && stat((installed_data_folder(exe) + "zzzz.saf").c_str(), &st) == 0;
}

std::string join_path(const std::string &first, const std::string &second)
{
    if (first.empty())
        return std::string();
    std::string out;
    out.reserve(first.size() + second.size());
    for (const std::string *piece : {&first, &second}) {
        for (char c : *piece) {
            if (c == '\\')
                c = '/';
            if (c == '/' && !out.empty() && out.back() == '/')
                continue;
            out += c;
        }
    }
    return out;
}

const char *game_dir(int index)
{
    if (!dirs_built)
        build_dirs();
    if (index < 0 || index >= dir_count)
        return nullptr;
    return dirs[index].c_str();
}

int game_dir_count()
{
    if (!dirs_built)
        build_dirs();
    return dir_count;
}

void make_parent_dirs(const std::string &path)
{
    if (path.size() >= 1024)
        return;
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/' && path[i - 1] != '/')
            mkdir(path.substr(0, i).c_str(), 0755);
    }
}

int open_home_folder()
{
    if (!dirs_built)
        build_dirs();
    if (!home_present)
        return 0;
    std::string folder = dirs[0];
    make_parent_dirs(folder);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();

    // The opener is started and left to run on its own.
    char opener[] = "xdg-open";
    char *argv[] = {opener, &folder[0], nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0) {
        zeph_log("Can't run xdg-open on \"%s\"\n", folder.c_str());
        return 0;
    }
    return 1;
}

int locate_game_data(const char *expected_digest_hex)
{
    if (!dirs_built)
        build_dirs();
    if (home_present) {
        make_parent_dirs(dirs[0]);
        std::string log_name = "ZEPH_LOGFILE=" + dirs[0] + "lastlog.txt";
        if (log_name.size() > 1023)
            log_name.resize(1023);
        zeph_log("%s", log_name.c_str());
    }
    for (int i = 0; i < dir_count; ++i) {
        uint8_t digest[DIGEST_SIZE];
        if (digest_file_prefix(dirs[i] + "zzzz.saf", 1048576, digest) &&
            digest_matches_hex(digest, expected_digest_hex))
            return 1;
    }
    return 0;
}

void game_files_reset()
{
    dirs_built = false;
    home_present = false;
    dir_count = 0;
    dirs[0].clear();
    dirs[1].clear();
    file_index_reset();
}
