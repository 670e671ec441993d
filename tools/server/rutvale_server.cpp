// rutvale-server: the race server of network races. Runs with no window,
// GL or audio; logs to standard output; stops cleanly on SIGTERM or SIGINT
// (every client is told it is disconnected).
//
//   rutvale-server [--config FILE] [--port N] [--tracks A,B,...] [--laps N]
//                  [--minutes N] [--password TEXT] [--max-players N]
//                  [--gate-delay S] [--results-time S] [--timeout S]
//                  [--no-arcade] [--help] [--version]
//
// The config file holds "key value" lines with the same keys as the
// options (port, tracks, laps, minutes, password, max-players, gate-delay,
// results-time, timeout, no-arcade); '#' starts a comment. Options given on
// the command line win over the file. A password is better kept in the
// file than on the command line, where other users of the machine see it.
// What the server accepts and sends is documented in src/net/server.cpp.
#include "files/paths.h"
#include "net/server.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/tick_math.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <vector>

#ifndef RUTVALE_VERSION
#define RUTVALE_VERSION "0"
#endif

namespace
{

volatile sig_atomic_t stop_requested = 0;

void on_signal(int)
{
    stop_requested = 1;
}

const char usage_text[] = "usage: rutvale-server [OPTION]...\n";

// Sets one setting; false with a message when the value is bad.
bool set(ServerConfig *c, const std::string &key, const std::string &value, std::string *error)
{
    double v;
    auto need = [&](double lo, double hi) {
        if (parse_number(value.c_str(), lo, hi, &v))
            return true;
        *error = key + " needs a number from " + std::to_string((long)lo) + " to " + std::to_string((long)hi);
        return false;
    };
    if (key == "port") {
        if (!need(1, 65535))
            return false;
        c->port = (int)v;
    } else if (key == "tracks") {
        c->tracks.clear();
        std::stringstream list(value);
        std::string folder;
        while (std::getline(list, folder, ','))
            if (!folder.empty())
                c->tracks.push_back(folder);
        for (const std::string &f : c->tracks)
            if (f.find('/') != std::string::npos || f == "..") {
                *error = "tracks are folder names, not paths: '" + f + "'";
                return false;
            }
    } else if (key == "laps") {
        if (!need(1, 100))
            return false;
        c->laps = (int)v;
    } else if (key == "minutes") {
        if (!need(0, 600))
            return false;
        c->minutes = (int)v;
    } else if (key == "password") {
        c->password = value;
    } else if (key == "max-players") {
        if (!need(1, 40))
            return false;
        c->max_players = (int)v;
    } else if (key == "gate-delay") {
        if (!need(8, 600))
            return false;
        c->gate_delay = v;
    } else if (key == "results-time") {
        if (!need(0, 600))
            return false;
        c->results_time = v;
    } else if (key == "timeout") {
        if (!need(1, 600))
            return false;
        c->timeout = v;
    } else if (key == "no-arcade") {
        c->no_arcade = value.empty() || value == "1" || value == "yes";
    } else {
        *error = "unknown setting '" + key + "'";
        return false;
    }
    return true;
}

bool read_config(ServerConfig *c, const std::string &path, std::string *error)
{
    std::ifstream in(path);
    if (!in) {
        *error = "can't read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        size_t a = line.find_first_not_of(" \t\r");
        if (a == std::string::npos)
            continue;
        size_t b = line.find_first_of(" \t", a);
        std::string key = line.substr(a, b == std::string::npos ? std::string::npos : b - a), value;
        if (b != std::string::npos) {
            size_t v = line.find_first_not_of(" \t", b);
            size_t e = line.find_last_not_of(" \t\r");
            if (v != std::string::npos)
                value = line.substr(v, e - v + 1);
        }
        if (!set(c, key, value, error)) {
            *error = path + ":" + std::to_string(number) + ": " + *error;
            return false;
        }
    }
    return true;
}

// The options: one a setting (the command line wins over the file), and
// the file, the help and the version.
std::vector<CommandOption> option_table(ServerConfig *config, std::string *config_file, bool *help, bool *version)
{
    static const struct {
        const char *option, *value, *help;
    } settings[] = {
        {"--port", "N", "UDP port to listen on (default 19800)"},
        {"--tracks", "A,B,...", "track folders raced in turn (default: every track found)"},
        {"--laps", "N", "laps of a race (default 3)"},
        {"--minutes", "N", "a time limit in minutes instead of laps"},
        {"--password", "TEXT", "players must give this password"},
        {"--max-players", "N", "players at most, 1..40 (default 40)"},
        {"--gate-delay", "S", "seconds from the first player's arrival to the gate drop, 8..600 (default 20)"},
        {"--results-time", "S", "seconds the results stand before the next race (default 10)"},
        {"--timeout", "S", "seconds of silence before a player is dropped (default 5)"},
    };
    // What a refused value was refused for (a setting's own message).
    static std::string refused;
    std::vector<CommandOption> options;
    options.push_back({"--config", "FILE", "read settings from FILE (\"key value\" lines, keys as the options)",
                       [config_file](const char *v) {
                           *config_file = v;
                           return true;
                       }});
    for (const auto &e : settings) {
        std::string key = e.option + 2; // the file's key: the option without its dashes
        CommandOption o = {e.option, e.value, e.help, [config, key](const char *v) {
                               refused.clear();
                               return set(config, key, v, &refused);
                           }};
        o.reason = &refused;
        options.push_back(o);
    }
    options.push_back({"--no-arcade", nullptr, "riders may not use the arcade steering aid",
                       [config](const char *) { return config->no_arcade = true; }});
    options.push_back(
        {"--help", nullptr, "show this help", [help](const char *) { return *help = true; }, nullptr, true});
    options.push_back(
        {"--version", nullptr, "show the version", [version](const char *) { return *version = true; }, nullptr, true});
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    ServerConfig config;
    std::string error, config_file;
    bool help = false, version = false;
    std::vector<CommandOption> options = option_table(&config, &config_file, &help, &version);
    // The config file first, so that the options win over it: the command
    // line is read twice, the settings of the first reading thrown away.
    CommandLineError fault;
    if (!parse_options(argc, argv, options, nullptr, &fault)) {
        fprintf(stderr, "rutvale-server: %s\n%s", fault.message.c_str(), usage_text);
        return 2;
    }
    if (help) {
        printf("%sRuns Rutvale network races on UDP.\n%s", usage_text, options_help(options).c_str());
        return 0;
    }
    if (version) {
        printf("rutvale-server %s\n", RUTVALE_VERSION);
        return 0;
    }
    config = ServerConfig();
    if (!config_file.empty() && !read_config(&config, config_file, &error)) {
        fprintf(stderr, "rutvale-server: %s\n", error.c_str());
        return 1;
    }
    parse_options(argc, argv, options, nullptr, &fault);
    if (!getenv("RV_HOME") && !data_beside_executable())
        setenv("RV_HOME", GAME_DIR, 1);

    Server server;
    if (!server_open(&server, config, &error)) {
        fprintf(stderr, "rutvale-server: %s\n", error.c_str());
        return 1;
    }
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string rotation;
    for (const ServerTrack &t : server.tracks)
        rotation += (rotation.empty() ? "" : ", ") + t.folder;
    server_log("rutvale-server %s listening on UDP port %d: %s, %s, at most %d players%s", RUTVALE_VERSION, config.port,
               rotation.c_str(),
               config.minutes > 0 ? (std::to_string(config.minutes) + " minutes").c_str()
                                  : (std::to_string(config.laps) + " laps").c_str(),
               server.config.max_players, config.password.empty() ? "" : ", password required");

    // Steps of 1/128 s on the monotonic clock; between them the socket is
    // waited on, so datagrams are handled as they come.
    const double step = TICK_SECONDS;
    double next = clock_seconds(), started = next;
    while (!stop_requested) {
        double now = clock_seconds();
        if (now >= next) {
            server_receive(&server, now);
            server_step(&server, now);
            next += step;
            if (now - next > 1) // far behind (the machine was suspended): no catching up
                next = now + step;
            continue;
        }
        pollfd p = {server.socket, POLLIN, 0};
        int wait_ms = std::max(0, (int)((next - now) * 1000));
        if (poll(&p, 1, wait_ms) > 0)
            server_receive(&server, clock_seconds());
    }
    double up = clock_seconds() - started;
    server_log("stopping: %d clients told; %llu bytes sent, %llu received, %llu datagrams dropped in %.0f s",
               server_clients(server), (unsigned long long)server.bytes_sent, (unsigned long long)server.bytes_received,
               (unsigned long long)server.datagrams_dropped, up);
    server_close(&server);
    return 0;
}
