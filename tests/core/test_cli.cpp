// The built game started as a player starts it.
#include "test_folders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

struct GameRun {
    int status;
    std::string errors; // what the program printed
};

// Runs a shell command to its end: its exit status and what it printed.
GameRun run_command(const std::string &command)
{
    FILE *p = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Runs the game to its end with a fresh home folder and no display; `data`
// empty means the data folder of the build. Returns what it wrote on
// standard error.
GameRun run_game(const TempDir &home, const std::string &args, const std::string &data = "")
{
    // No display: a message box would wait for a click that never comes.
    return run_command("env -u ZEPH_LOGFILE -u RV_HOME -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME='" + home.path +
                       "' " + (data.empty() ? "" : "RV_HOME='" + data + "' ") + RUTVALE_EXE + " " + args +
                       " 2>&1 >/dev/null");
}

// Starts the game on the display, waits for its log to show `line`, then
// sends it SIGTERM; returns the exit status (-1 when it had to be killed,
// -2 when the line never appeared).
int run_on_display_until(const TempDir &home, const char *line, const char *argument = nullptr, int linger_ms = 0,
                         const char *argument2 = nullptr, bool reader_gone = false)
{
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_DATA_HOME", home.path.c_str(), 1);
        unsetenv("ZEPH_LOGFILE");
        unsetenv("RV_HOME");
        int fds[2];
        if (reader_gone && pipe(fds) == 0) { // standard output whose reader has left
            close(fds[0]);
            dup2(fds[1], 1);
        }
        execl(RUTVALE_EXE, RUTVALE_EXE, "--debug", argument, argument2, (char *)nullptr);
        _exit(127);
    }
    std::string log_path = home.path + "/Rutvale/lastlog.txt";
    bool seen = false;
    for (int i = 0; i < 1200 && !seen; ++i) {
        seen = read_file(log_path).find(line) != std::string::npos;
        if (!seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (seen)
        std::this_thread::sleep_for(std::chrono::milliseconds(linger_ms));
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return !seen ? -2 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

TEST(Game, BadOptionIsReportedOnStandardError)
{
    TempDir home;
    GameRun r = run_game(home, "--bogus");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, "bad option '--bogus'\n");
}

// A misspelt track is not quietly swapped for another: the game stops and
// names the tracks there are, as they are named on the command line.
TEST(Game, AnUnknownTrackExitsWithTwoNamingTheTracks)
{
    TempDir home;
    GameRun r = run_game(home, "--track nosuchtrack");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.errors.find("No track 'nosuchtrack'"), std::string::npos) << r.errors;
    for (const char *folder : {"quarry", "rabbithill"})
        EXPECT_NE(r.errors.find(folder), std::string::npos) << r.errors;
    EXPECT_EQ(r.errors.find("@tracks"), std::string::npos) << r.errors;
}

// The server and the simulator share the option parser: a wrong option or
// value is named and exits with 2 before anything starts; --help lists
// every option with its help line.
TEST(Programs, WrongOptionsExitWithTwoAndHelpListsEveryOption)
{
    const struct {
        const char *program, *args;
        int status;
        const char *said;
    } cases[] = {
        {SERVER_EXE, "--bogus", 2, "rutvale-server: unknown option '--bogus'"},
        {SERVER_EXE, "--laps 0", 2, "laps needs a number from 1 to 100"},
        {SERVER_EXE, "--port", 2, "--port N: the value is missing"},
        {SERVER_EXE, "--help", 0, "  --gate-delay S"},
        {SIM_EXE, "--bogus", 2, "rutvale-sim: unknown option '--bogus'"},
        {SIM_EXE, "--skill 1.5", 2, "--skill needs 0 (novice), 1 (amateur) or 2 (expert)"},
        {SIM_EXE, "--help", 0, "  --threads N"},
    };
    for (const auto &c : cases) {
        GameRun r = run_command(std::string(c.program) + " " + c.args + " 2>&1");
        EXPECT_EQ(r.status, c.status) << c.program << " " << c.args;
        EXPECT_NE(r.errors.find(c.said), std::string::npos) << c.program << " " << c.args << ": " << r.errors;
    }
}

TEST(Game, HelpAndVersionNeedNeitherDataNorDisplay)
{
    TempDir home, no_data;
    struct {
        const char *args, *expected;
    } cases[] = {
        {"--help", "  --track FOLDER"}, {"-h", "  --version"}, {"--width 5 --version", "rutvale " RUTVALE_VERSION}};
    for (const auto &c : cases) {
        GameRun r = run_command("env -u DISPLAY XDG_DATA_HOME='" + home.path + "' RV_HOME='" + no_data.path + "' " +
                                RUTVALE_EXE + " " + c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_NE(r.errors.find(c.expected), std::string::npos) << c.args << ": " << r.errors;
    }
}

TEST(Game, WithoutADisplayItSaysSoAndExitsWithOne)
{
    TempDir home;
    write_file(home.path + "/Rutvale/config", "volume=4\nxres=800\n");
    GameRun r = run_game(home, "--width 1000 --debug");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("Can't open the game window"), std::string::npos) << r.errors;
    std::string log = read_file(home.path + "/Rutvale/lastlog.txt");
    EXPECT_NE(log.find("ZEPH 0.31"), std::string::npos);
    EXPECT_NE(log.find("rabbithill -> Rabbit Hill"), std::string::npos);
}

TEST(Game, OpensItsWindowAndShutsDownCleanlyOnSigterm)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    TempDir home;
    write_file(home.path + "/Rutvale/config", "volume=4\nvideo_mode=Windowed\nthrottle_key=(k)Left Shift\n");
    int status = run_on_display_until(home, "GL_EXTENSIONS: ");
    std::string log = read_file(home.path + "/Rutvale/lastlog.txt");
    EXPECT_EQ(status, 0) << log;
    for (const char *line : {"GL_VENDOR: ", "GL_RENDERER: ", "GL_VERSION: ", "Creating OpenGL context",
                             "Deleting OpenGL context", "Window shutdown complete"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    std::string config = read_file(home.path + "/Rutvale/config");
    EXPECT_NE(config.find("\nvolume=4.000000\n"), std::string::npos);
    EXPECT_NE(config.find("\nthrottle_key=(k)Left Shift\n"), std::string::npos);
}

TEST(Game, AnAskedForTrackIsRacedAtOnce)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    TempDir home;
    write_file(home.path + "/Rutvale/config", "video_mode=Windowed\n");
    // The race runs a while (frames drawn, steps run) until SIGTERM ends it.
    EXPECT_EQ(run_on_display_until(home, "Loading bikes...", "--track=rabbithill", 1500), 0);
    std::string log = read_file(home.path + "/Rutvale/lastlog.txt");
    EXPECT_NE(log.find("Loading '@rabbithill/'"), std::string::npos) << log;
    EXPECT_NE(log.find("Finished deallocating bikes"), std::string::npos);
    EXPECT_NE(log.find("Deallocating track"), std::string::npos);
}

// A race with sound on SDL's dummy device, and the engines' sound captured
// to a file: 16-bit stereo, loud enough to hear.
TEST(Game, RacesWithSoundAndCapturesIt)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    TempDir home;
    write_file(home.path + "/Rutvale/config", "video_mode=Windowed\n");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(run_on_display_until(home, "Loading bikes...", "--track=quarry", 1500), 0);
    std::string log = read_file(home.path + "/Rutvale/lastlog.txt");
    EXPECT_NE(log.find("Audio opened!"), std::string::npos) << log;
    EXPECT_NE(log.find("Audio thread end"), std::string::npos) << "closed at shut-down";
    unsetenv("SDL_AUDIODRIVER");

    std::string file = home.path + "/engines.raw";
    std::string option = "--record-audio=" + file;
    // Steps are counted from the main loop on (a sanitized build loads slowly).
    EXPECT_EQ(run_on_display_until(home, "Entering the main loop", "--track=quarry", 5000, option.c_str()), 0);
    std::string sound = read_file(file);
    ASSERT_GT(sound.size(), 100u * 2760) << "a block of 690 stereo frames a step";
    EXPECT_EQ(sound.size() % 4, 0u);
    size_t loud = 0;
    for (size_t i = 0; i + 1 < sound.size(); i += 2) {
        int16_t v = (int16_t)((uint8_t)sound[i] | (uint8_t)sound[i + 1] << 8);
        loud += std::abs(v) > 1000;
    }
    EXPECT_GT(loud, sound.size() / 100) << "engines are heard";
}

TEST(Game, VideoCaptureStopsWhenItsReaderLeaves)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    TempDir home;
    write_file(home.path + "/Rutvale/config", "video_mode=Windowed\n");
    EXPECT_EQ(run_on_display_until(home, "Video capture stopped", "--track=quarry", 500, "--record-video", true), 0);
}

// The game's own frames, taken from its raw video output: the race on the
// default track is drawn with its ground under the horizon.
TEST(Game, TheRaceIsDrawnWithItsGround)
{
    if (!getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    TempDir home;
    write_file(home.path + "/Rutvale/config", "video_mode=Windowed\nxres=320\nyres=240\n");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_DATA_HOME", home.path.c_str(), 1);
        unsetenv("ZEPH_LOGFILE");
        unsetenv("RV_HOME");
        close(fds[0]);
        dup2(fds[1], 1);
        execl(RUTVALE_EXE, RUTVALE_EXE, "--track=rabbithill", "--record-video", "--lock-fps=32", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    FILE *p = fdopen(fds[0], "r");
    ASSERT_NE(p, nullptr);
    // Frames are "P6\n<w> <h>\n255\n" and the rows; the 40th is well into
    // the start (the ground textures are painted by then).
    std::vector<unsigned char> frame;
    int width = 0, height = 0;
    for (int n = 0; n < 40; ++n) {
        if (fscanf(p, "P6 %d %d 255", &width, &height) != 2 || fgetc(p) != '\n' || width <= 0 || height <= 0)
            break;
        frame.resize((size_t)width * height * 3);
        if (fread(frame.data(), 1, frame.size(), p) != frame.size()) {
            frame.clear();
            break;
        }
    }
    kill(pid, SIGTERM);
    fclose(p);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_FALSE(frame.empty());
    // Below the middle: hardly a pixel at the frame's clear colour, and
    // many different colours (textured ground, riders, the HUD).
    size_t cleared = 0, lower = frame.size() / 2;
    std::vector<bool> seen(4096);
    int colours = 0;
    for (size_t k = lower; k + 2 < frame.size(); k += 3) {
        cleared += std::abs(frame[k] - 115) < 8 && std::abs(frame[k + 1] - 153) < 8 && std::abs(frame[k + 2] - 204) < 8;
        int key = (frame[k] >> 4) << 8 | (frame[k + 1] >> 4) << 4 | frame[k + 2] >> 4;
        colours += !seen[key];
        seen[key] = true;
    }
    EXPECT_LT(cleared, (frame.size() - lower) / 3 / 20);
    EXPECT_GT(colours, 100);
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
