// The built game started as a player starts it.
#include "test_folders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace {

struct GameRun {
    int status;
    std::string errors;
};

// Runs the game with a fresh home folder; `data` empty means the data folder
// of the build.
GameRun run_game(const TempDir &home, const std::string &args, const std::string &data = "")
{
    // No display: a message box would wait for a click that never comes.
    std::string command = "env -u ZEPH_LOGFILE -u RV_HOME -u DISPLAY -u WAYLAND_DISPLAY "
                          "XDG_DATA_HOME='" + home.path + "' " +
                          (data.empty() ? "" : "RV_HOME='" + data + "' ") + RUTVALE_EXE + " " +
                          args + " 2>&1 >/dev/null";
    FILE *p = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(Game, BadOptionIsReportedOnStandardError)
{
    TempDir home;
    GameRun r = run_game(home, "--bogus");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "bad option '--bogus'\n");
}

TEST(Game, StartsOnItsOwnDataAndWritesConfigurationAndLog)
{
    TempDir home;
    write_file(home.path + "/Rutvale/config", "volume=4\nxres=800\n");
    GameRun r = run_game(home, "--width 1000 --debug");
    EXPECT_EQ(r.status, 0) << r.errors;
    std::string config = read_file(home.path + "/Rutvale/config");
    EXPECT_NE(config.find("\nvolume=4.000000\n"), std::string::npos);
    EXPECT_NE(config.find("xres=1000\n"), std::string::npos);
    std::string log = read_file(home.path + "/Rutvale/lastlog.txt");
    EXPECT_NE(log.find("ZEPH 0.31"), std::string::npos);
    EXPECT_NE(log.find("rabbithill -> Rabbit Hill"), std::string::npos);
    EXPECT_NE(log.find("Finished deallocating bikes"), std::string::npos);
}

TEST(Game, ForeignDataIsRefused)
{
    TempDir home, data;
    write_file(data / "zzzz.saf", archive_bytes({{"x/terrain.hf", "1 1 0 0\n"}}));
    GameRun r = run_game(home, "", data.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("Can't find game data"), std::string::npos);
}

TEST(Game, OpenHomeReturnsAtOnce)
{
    TempDir home;
    GameRun r = run_game(home, "--open-home");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(path_exists(home.path + "/Rutvale"));
    EXPECT_FALSE(path_exists(home.path + "/Rutvale/config"));
}

} // namespace
