// Every fuzz target replayed over the inputs kept in fuzz/regressions/<target>/
// (inputs that once found a fault), and over a few plain inputs: none may
// crash, hang or trip a sanitizer.
#include "fuzz_target.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> files_in(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(folder.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(folder + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FuzzRegressions, EveryTargetTakesItsKeptInputs)
{
    fuzz_folders();
    ASSERT_GE(fuzz_targets().size(), 21u);
    int replayed = 0;
    for (const FuzzTarget &target : fuzz_targets()) {
        SCOPED_TRACE(target.name);
        std::vector<std::string> inputs = {"", std::string(1, '\0'), "0", "-1 1e39 nan inf\n[ 1 2 3 ]\n"};
        for (const std::string &path : files_in(std::string(FUZZ_REGRESSIONS) + "/" + target.name)) {
            inputs.push_back(contents(path));
            ++replayed;
        }
        for (const std::string &input : inputs)
            target.function((const uint8_t *)input.data(), input.size());
    }
    printf("%zu targets, %d kept inputs replayed\n", fuzz_targets().size(), replayed);
}

} // namespace
