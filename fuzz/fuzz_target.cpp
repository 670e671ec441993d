#include "fuzz_target.h"

#include "files/game_file.h"
#include "files/paths.h"
#include "platform/messages.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string root, data_folder;

void remove_all(const std::string &path)
{
    std::string command = "rm -rf '" + path + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "fuzz: could not remove %s\n", path.c_str());
}

void remove_root()
{
    if (!root.empty())
        remove_all(root);
}

} // namespace

std::vector<FuzzTarget> &fuzz_targets()
{
    static std::vector<FuzzTarget> targets;
    return targets;
}

FuzzRegistration::FuzzRegistration(const char *name, FuzzFunction function)
{
    fuzz_targets().push_back({name, function});
}

void fuzz_folders()
{
    if (!root.empty())
        return;
    {
        struct stat s;
        std::string base = stat("/dev/shm", &s) == 0 && S_ISDIR(s.st_mode) ? "/dev/shm" : "/tmp";
        char pattern[64];
        snprintf(pattern, sizeof pattern, "%s/rutvale-fuzz-XXXXXX", base.c_str());
        if (!mkdtemp(pattern)) {
            perror("fuzz: mkdtemp");
            abort();
        }
        root = pattern;
        data_folder = root + "/data/";
        mkdir((root + "/home").c_str(), 0755);
        mkdir(data_folder.c_str(), 0755);
        atexit(remove_root);
    }
    setenv("XDG_DATA_HOME", (root + "/home").c_str(), 1);
    setenv("RV_HOME", data_folder.c_str(), 1);
    game_files_reset();
    message_log_clear();
}

const std::string &fuzz_data_folder()
{
    fuzz_folders();
    return data_folder;
}

void fuzz_write(const std::string &name, const uint8_t *data, size_t size)
{
    std::string path = fuzz_data_folder() + name;
    make_parent_dirs(path);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) {
        perror(path.c_str());
        abort();
    }
    if (size && fwrite(data, 1, size, f) != size)
        abort();
    fclose(f);
}

void fuzz_write(const std::string &name, const std::string &bytes)
{
    fuzz_write(name, (const uint8_t *)bytes.data(), bytes.size());
}

GameFile *fuzz_open(const std::string &name, const uint8_t *data, size_t size)
{
    fuzz_write(name, data, size);
    return gf_open(("@" + name).c_str(), "rb");
}

void fuzz_remove(const std::string &name)
{
    unlink((fuzz_data_folder() + name).c_str());
}

std::vector<std::string> fuzz_split(const uint8_t *data, size_t size, size_t count)
{
    std::vector<std::string> parts(count);
    std::string all((const char *)data, size);
    size_t at = 0;
    for (size_t k = 0; k < count; ++k) {
        size_t end = all.find("\n----\n", at);
        if (k + 1 == count || end == std::string::npos) {
            parts[k] = all.substr(at);
            break;
        }
        parts[k] = all.substr(at, end - at + 1);
        at = end + 6;
    }
    return parts;
}
