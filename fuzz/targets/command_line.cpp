// The command line and the platform options variable: the input's first
// line is ZEPH_OPTIONS, the rest the arguments, separated by NUL bytes.
#include "fuzz_target.h"

#include "core/settings.h"
#include "platform/options.h"
#include "ui/config.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

FUZZ_TARGET(command_line)
{
    fuzz_folders();
    std::string all((const char *)data, size);
    size_t end = all.find('\n');
    std::string options = all.substr(0, end);
    std::string rest = end == std::string::npos ? "" : all.substr(end + 1);
    if (options.find('\0') == std::string::npos) {
        setenv("ZEPH_OPTIONS", options.c_str(), 1);
        options_reset();
        for (const char *name : {"threaded", "dsnd", "sound-rate", "sound-stereo", "fragments"}) {
            volatile int keep = option_flag(name, 0) + option_int(name, 7);
            (void)keep;
        }
    }
    std::vector<std::string> args = {"rutvale"};
    size_t at = 0;
    while (at <= rest.size() && args.size() < 64) {
        size_t stop = rest.find('\0', at);
        args.push_back(rest.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
        if (stop == std::string::npos)
            break;
        at = stop + 1;
    }
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    Config config;
    config_defaults(&config);
    GameSettings settings;
    parse_command_line((int)args.size(), argv.data(), &config, &settings);
    derive_detail_settings(config, &settings);
}
