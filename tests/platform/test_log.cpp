// The platform log and ZEPH_OPTIONS.
#include "test_folders.h"

#include "platform/log.h"
#include "platform/options.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

class Log : public ::testing::Test
{
  protected:
    TempDir dir;
    void SetUp() override { zeph_log_reset(); }
    void TearDown() override
    {
        zeph_log_reset();
        unsetenv("ZEPH_LOGFILE");
        unsetenv("ZEPH_OPTIONS");
        options_reset();
    }
};

TEST_F(Log, StampsEveryLineAfterTheBanner)
{
    setenv("ZEPH_LOGFILE", (dir / "log.txt").c_str(), 1);
    zeph_log("hello %d\n", 5);
    std::string text = read_file(dir / "log.txt");
    std::regex expected("\\[\\d+:\\d\\d:\\d\\d\\.\\d\\d\\] Logfile \"" + dir.path +
                        "/log.txt\" opened\n"
                        "\\[\\d+:\\d\\d:\\d\\d\\.\\d\\d\\] ZEPH 0\\.31\n"
                        "\\[\\d+:\\d\\d:\\d\\d\\.\\d\\d\\] hello 5\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST_F(Log, FirstMessageNamesTheFileUnlessTheVariableDoes)
{
    unsetenv("ZEPH_LOGFILE");
    zeph_log("ZEPH_LOGFILE=%s", (dir / "first.txt").c_str());
    zeph_log("after\n");
    std::string text = read_file(dir / "first.txt");
    EXPECT_EQ(text.find("ZEPH_LOGFILE="), std::string::npos);
    EXPECT_NE(text.find("] after\n"), std::string::npos);

    zeph_log_reset();
    setenv("ZEPH_LOGFILE", (dir / "env.txt").c_str(), 1);
    zeph_log("ZEPH_LOGFILE=%s", (dir / "ignored.txt").c_str());
    zeph_log("kept\n");
    EXPECT_FALSE(path_exists(dir / "ignored.txt"));
    EXPECT_NE(read_file(dir / "env.txt").find("] kept\n"), std::string::npos);
}

TEST_F(Log, AppendAndTruncateMarks)
{
    write_file(dir / "a.txt", "old\n");
    write_file(dir / "w.txt", "old\n");
    setenv("ZEPH_LOGFILE", (">>" + dir.path + "/a.txt").c_str(), 1);
    zeph_log("new\n");
    zeph_log_reset();
    setenv("ZEPH_LOGFILE", (">" + dir.path + "/w.txt").c_str(), 1);
    zeph_log("new\n");
    EXPECT_EQ(read_file(dir / "a.txt").substr(0, 4), "old\n");
    EXPECT_EQ(read_file(dir / "w.txt").find("old"), std::string::npos);
}

TEST_F(Log, UnopenableFileLeavesLoggingSilent)
{
    setenv("ZEPH_LOGFILE", (dir / "no/such/folder/log.txt").c_str(), 1);
    zeph_log("dropped\n");
    EXPECT_EQ(zeph_log_path(), nullptr);
}

TEST_F(Log, ErrorsAreLoggedAndRemembered)
{
    setenv("ZEPH_LOGFILE", (dir / "log.txt").c_str(), 1);
    zeph_error("disk on fire");
    EXPECT_STREQ(zeph_last_error(), "disk on fire");
    EXPECT_NE(read_file(dir / "log.txt").find("] Error: disk on fire\n"), std::string::npos);
}

struct OptionCase {
    const char *options;
    const char *name;
    bool is_flag;
    int fallback;
    int expected;
    bool complains;
};

TEST_F(Log, OptionsTable)
{
    setenv("ZEPH_LOGFILE", (dir / "log.txt").c_str(), 1);
    std::string long_name(70, 'n');
    std::string long_options = "[" + long_name.substr(0, 60) + ":7]";
    const OptionCase cases[] = {
        {"[sound-rate:44100][dsnd:no]", "sound-rate", false, 22050, 44100, false},
        {"[sound-rate:44100][dsnd:no]", "dsnd", true, 1, 0, false},
        {"[sound-rate:fast]", "sound-rate", false, 22050, 22050, true},
        {"[waveout:on]", "waveout", true, 0, 1, false},
        {"[waveout:yes]", "waveout", true, 0, 1, false},
        {"[waveout:off]", "waveout", true, 1, 0, false},
        {"[waveout:maybe]", "waveout", true, 1, 1, true},
        {"", "waveout", true, 1, 1, false},
        {"[mix:-40ms][mix:99]", "mix", false, 0, -40, false},
        {long_options.c_str(), long_name.c_str(), false, 0, 7, false},
    };
    for (const OptionCase &c : cases) {
        setenv("ZEPH_OPTIONS", c.options, 1);
        options_reset();
        size_t before = read_file(dir / "log.txt").size();
        int got = c.is_flag ? option_flag(c.name, c.fallback) : option_int(c.name, c.fallback);
        EXPECT_EQ(got, c.expected) << c.options << " " << c.name;
        std::string added = read_file(dir / "log.txt").substr(before);
        EXPECT_EQ(added.find("unrecognized setting for " + std::string(c.name)) != std::string::npos, c.complains)
            << c.options;
    }
}

} // namespace
