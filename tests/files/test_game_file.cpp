// Game folders, the file index and GameFile streams.
#include "test_folders.h"

#include "files/digest.h"
#include "files/file_index.h"
#include "files/game_file.h"
#include "files/paths.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <vector>

namespace
{

// A home folder and a data folder, both empty to begin with.
class GameFolders : public GameFolderTest
{
  protected:
    // The whole contents of a game file, or "<none>" when it does not open.
    std::string contents(const char *name)
    {
        GameFile *f = gf_open(name, "rb");
        if (!f)
            return "<none>";
        std::string out;
        char buffer[300];
        size_t n;
        while ((n = gf_read(f, buffer, sizeof buffer)) > 0)
            out.append(buffer, n);
        gf_close(f);
        return out;
    }
};

TEST(JoinPath, CollapsesSeparatorsAndKeepsMissingMissing)
{
    EXPECT_EQ(join_path("/a//b\\c", "/d/"), "/a/b/c/d/");
    EXPECT_EQ(join_path("C:\\Users\\x", "/Rutvale/"), "C:/Users/x/Rutvale/");
    EXPECT_EQ(join_path("", "/Rutvale/"), "");
}

// Only regular files are read: a pipe or a device in a game folder (or
// named by a path) never makes opening wait, and a folder is no file.
TEST_F(GameFolders, OnlyRegularFilesOpen)
{
    ASSERT_EQ(mkfifo((data.path + "/pipe.png").c_str(), 0644), 0);
    write_file(data / "folder.png/inner", "x");
    for (const char *name : {"@pipe.png", "@folder.png", "/dev/zero", "/dev/null"})
        EXPECT_EQ(gf_open(name, "rb"), nullptr) << name;
    write_file(data / "plain.png", "12345");
    GameFile *f = gf_open("@plain.png", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(gf_remaining(f), 5u);
    gf_getc(f);
    EXPECT_EQ(gf_remaining(f), 4u);
    gf_close(f);
    EXPECT_EQ(data_file_name("dirt.png"), "@dirt.png");
    EXPECT_EQ(data_file_name("!dirt.png"), "!@dirt.png");
    EXPECT_EQ(data_file_name("@dirt.png"), "@dirt.png");
    EXPECT_EQ(data_file_name(""), "");
}

TEST_F(GameFolders, HomeFirstThenDataFolder)
{
    ASSERT_EQ(game_dir_count(), 2);
    EXPECT_EQ(std::string(game_dir(0)), home() + "/");
    EXPECT_EQ(std::string(game_dir(1)), data.path + "/");
    EXPECT_EQ(game_dir(2), nullptr);
    EXPECT_EQ(game_dir(-1), nullptr);
}

TEST_F(GameFolders, RelativeXdgFallsBackToHomeAndNoHomeLeavesNoHole)
{
    setenv("XDG_DATA_HOME", "relative/path", 1);
    setenv("HOME", home_root.path.c_str(), 1);
    game_files_reset();
    EXPECT_EQ(std::string(game_dir(0)), home_root.path + "/.local/share/Rutvale/");

    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    game_files_reset();
    ASSERT_EQ(game_dir_count(), 1);
    EXPECT_EQ(std::string(game_dir(0)), data.path + "/");
}

TEST_F(GameFolders, LooseFileBeatsArchiveMember)
{
    write_file(data / "a.saf", archive_bytes({{"tracks/x/desc", "from archive"}}));
    write_file(data / "tracks/x/desc", "loose");
    EXPECT_EQ(contents("@tracks/x/desc"), "loose");
}

TEST_F(GameFolders, HomeFileBeatsDataFile)
{
    write_file(data / "config", "data");
    write_file(home() + "/config", "home");
    EXPECT_EQ(contents("@config"), "home");
}

TEST_F(GameFolders, ArchiveWhoseNameSortsFirstWins)
{
    write_file(data / "zzzz.saf", archive_bytes({{"bike.shp", "main data"}, {"only.txt", "z"}}));
    write_file(data / "addon.saf", archive_bytes({{"bike.shp", "addon"}}));
    EXPECT_EQ(contents("@bike.shp"), "addon");
    EXPECT_EQ(contents("@only.txt"), "z");
}

TEST_F(GameFolders, MembersAreFoundIgnoringCaseAndWithGzSuffix)
{
    std::string text(5000, '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = (char)('a' + i * 7 % 26);
    write_file(data / "zzzz.saf", archive_bytes({{"first.txt", "12345"},
                                                 {"Tracks/Hill/Desc", "Hill"},
                                                 {"big.txt.gz", gzip_bytes(text, "big.txt")},
                                                 {"last.txt", "end"}}));
    EXPECT_EQ(contents("@tracks/hill/desc"), "Hill");
    EXPECT_EQ(contents("@big.txt"), text);
    EXPECT_EQ(contents("@first.txt"), "12345");
    EXPECT_EQ(contents("@last.txt"), "end");
    EXPECT_EQ(contents("@missing.txt"), "<none>");
}

TEST_F(GameFolders, MalformedArchivesAddNothingAndSpoilNothingElse)
{
    const char *broken[] = {
        "5 a.txt\n",              // ends before the end line
        "5 a.txt\nnonsense\n-\n", // a line that is neither member nor end
        "5 a.txt\n-",             // end line without its newline
        "-5 a.txt\n-\n",          // a negative size
    };
    for (size_t i = 0; i < sizeof broken / sizeof *broken; ++i)
        write_file(data / ("b" + std::to_string(i) + ".saf"), std::string(broken[i]) + "hello");
    write_file(data / "good.saf", archive_bytes({{"good.txt", "fine"}}));
    write_file(data / "empty.saf", "-\n");
    EXPECT_EQ(contents("@a.txt"), "<none>");
    EXPECT_EQ(contents("@good.txt"), "fine");
}

TEST_F(GameFolders, ListNamesHoldsEachNameOnceInOrder)
{
    write_file(data / "zzzz.saf", archive_bytes({{"b.txt", "1"}, {"a.txt", "2"}}));
    write_file(data / "b.txt", "3");
    std::vector<std::string> names;
    for (const char *const *n = gf_list_names(); *n; ++n)
        names.push_back(*n);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "zzzz.saf"}));
}

TEST_F(GameFolders, CompressedLooseFileIsReadThroughItsPlainName)
{
    write_file(data / "notes.txt.gz", gzip_bytes("line one\nline two"));
    GameFile *f = gf_open("@notes.txt", "rb");
    ASSERT_NE(f, nullptr);
    char line[64];
    ASSERT_NE(gf_gets(f, line, sizeof line), nullptr);
    EXPECT_STREQ(line, "line one\n");
    ASSERT_NE(gf_gets(f, line, sizeof line), nullptr);
    EXPECT_STREQ(line, "line two"); // last line without newline
    EXPECT_EQ(gf_gets(f, line, sizeof line), nullptr);
    EXPECT_EQ(gf_getc(f), -1);
    gf_close(f);
}

TEST_F(GameFolders, CompressedReadAcrossWindowsKeepsOrder)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += (char)(i * 31 % 251);
    text += text; // 4000 bytes
    write_file(data / "blob.gz", gzip_bytes(text));
    GameFile *f = gf_open("@blob", "rb");
    ASSERT_NE(f, nullptr);
    std::string got(4000, '\0');
    ASSERT_EQ(gf_getc(f), (unsigned char)text[0]);
    EXPECT_EQ(gf_read(f, &got[1], 3999), 3999u);
    got[0] = text[0];
    EXPECT_EQ(got, text);
    EXPECT_EQ(gf_read(f, &got[0], 10), 0u);
    gf_close(f);
}

TEST_F(GameFolders, BrokenCompressedDataEndsTheStream)
{
    std::string text(20000, 'x');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = (char)(i * i % 253);
    std::string gz = gzip_bytes(text);
    write_file(data / "cut.gz", gz.substr(0, gz.size() / 2));
    std::string corrupt = gz;
    for (size_t i = 20; i < corrupt.size(); i += 3)
        corrupt[i] = (char)~corrupt[i];
    write_file(data / "bad.gz", corrupt);

    for (const char *name : {"@cut", "@bad"}) {
        std::string got = contents(name);
        EXPECT_LT(got.size(), text.size()) << name;
        EXPECT_EQ(got, text.substr(0, got.size())) << name;
    }
}

TEST_F(GameFolders, WrongGzipHeadersFailToOpen)
{
    std::string good = gzip_bytes("data");
    std::string wrong_magic = good, wrong_method = good, wrong_flags = good;
    wrong_magic[1] = 0x8c;
    wrong_method[2] = 7;
    wrong_flags[3] = 32;
    std::string cut_extra = std::string("\x1f\x8b\x08\x04\0\0\0\0\0\x03\xff", 11);
    int i = 0;
    for (const std::string &bytes : {wrong_magic, wrong_method, wrong_flags, cut_extra}) {
        std::string name = "h" + std::to_string(i++);
        write_file(data / (name + ".gz"), bytes);
        EXPECT_EQ(gf_open(("@" + name).c_str(), "rb"), nullptr) << name;
    }
}

TEST_F(GameFolders, SeekWorksOnlyOnUncompressedStreamsBelowTheLimit)
{
    write_file(data / "zzzz.saf", archive_bytes({{"m.bin", "0123456789"}}));
    write_file(data / "c.gz", gzip_bytes("0123456789"));
    GameFile *member = gf_open("@m.bin", "rb");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(gf_seek(member, 10), 0);
    EXPECT_EQ(gf_seek(member, -1), 0);
    EXPECT_EQ(gf_getc(member), '0');
    EXPECT_EQ(gf_seek(member, 7), 1);
    char buffer[8] = {};
    EXPECT_EQ(gf_read(member, buffer, sizeof buffer), 3u); // the member ends at 10
    EXPECT_STREQ(buffer, "789");
    gf_close(member);

    GameFile *compressed = gf_open("@c", "rb");
    ASSERT_NE(compressed, nullptr);
    EXPECT_EQ(gf_seek(compressed, 2), 0);
    EXPECT_EQ(gf_getc(compressed), '0');
    gf_close(compressed);
}

TEST_F(GameFolders, WritingAGameFileCreatesTheHomeFolder)
{
    ASSERT_FALSE(path_exists(home()));
    GameFile *f = gf_open("@results.txt", "wb");
    ASSERT_NE(f, nullptr);
    gf_printf(f, "%s %d\n", "lap", 3);
    gf_close(f);
    EXPECT_EQ(read_file(home() + "/results.txt"), "lap 3\n");

    EXPECT_EQ(gf_rename("@results.txt", "@old/results.txt"), 0); // no such folder
    EXPECT_EQ(gf_rename("@results.txt", "@results.old"), 1);
    EXPECT_EQ(read_file(home() + "/results.old"), "lap 3\n");
}

TEST_F(GameFolders, NamesCannotLeaveTheGameFolders)
{
    write_file(data / "inside.txt", "in");
    write_file(data.path + "/../rutvale-outside-probe", "out");
    EXPECT_EQ(contents("@sub/../inside.txt"), "<none>");
    EXPECT_EQ(gf_open("@../evil.txt", "wb"), nullptr);
    remove((data.path + "/../rutvale-outside-probe").c_str());
}

TEST_F(GameFolders, FilesAddedLaterAreReachedOnlyByTheirOwnPath)
{
    gf_list_names(); // builds the index
    write_file(data / "late.txt", "late");
    write_file(data / "late.saf", archive_bytes({{"member.txt", "m"}}));
    EXPECT_EQ(contents("@late.txt"), "late");
    EXPECT_EQ(contents("@member.txt"), "<none>");
}

TEST_F(GameFolders, LocateGameDataChecksTheArchiveDigestAndStartsTheLog)
{
    std::string archive = archive_bytes({{"x", "y"}});
    write_file(data / "zzzz.saf", archive);
    uint8_t digest[DIGEST_SIZE];
    digest_bytes(archive.data(), archive.size(), digest);
    std::string hex = digest_hex(digest);
    std::string upper = hex;
    for (char &c : upper)
        c = (char)toupper((unsigned char)c);

    zeph_log_reset();
    unsetenv("ZEPH_LOGFILE");
    EXPECT_EQ(locate_game_data(upper.c_str()), 1);
    ASSERT_NE(zeph_log_path(), nullptr);
    EXPECT_EQ(std::string(zeph_log_path()), home() + "/lastlog.txt");
    EXPECT_EQ(locate_game_data("0000000000000000000000000000000000000000"), 0);
    zeph_log_reset();
}

TEST_F(GameFolders, RvHomeReplacesTheExecutableFolder)
{
    use_game_folders(home_root.path, "");
    ASSERT_EQ(game_dir_count(), 2);
    std::string exe_folder = game_dir(1);
    use_game_folders(home_root.path, data.path);
    EXPECT_NE(std::string(game_dir(1)), exe_folder);
    for (const char *const *n = gf_list_names(); *n; ++n)
        EXPECT_EQ(strstr(*n, "rutvale_tests"), nullptr) << *n;
}

} // namespace
