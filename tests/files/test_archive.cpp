// Packing folders into archives and reading archive headers.
#include "test_folders.h"

#include "files/archive.h"

#include <gtest/gtest.h>

namespace
{

std::vector<ArchiveMember> read_header(const std::string &bytes)
{
    FILE *f = fmemopen((void *)bytes.data(), bytes.size(), "rb");
    std::vector<ArchiveMember> members;
    EXPECT_NE(f, nullptr);
    archive_read_header(f, &members);
    fclose(f);
    return members;
}

TEST(Archive, HeaderGivesOffsetsAfterTheEndLine)
{
    std::vector<ArchiveMember> m = read_header("3 a//b\n0 empty\n2 c\n-\nxyzpq");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].name, "a/b");
    EXPECT_EQ(m[0].offset, 21);
    EXPECT_EQ(m[1].offset, 24);
    EXPECT_EQ(m[2].offset, 24);
    EXPECT_EQ(m[2].size, 2);
    EXPECT_TRUE(read_header("-\n").empty());
}

TEST(Archive, PackedFolderReadsBackByteForByte)
{
    TempDir src, out;
    write_file(src / "b/inner.bin", std::string("\0\1\2\3", 4));
    write_file(src / "a.txt", "alpha\n");
    write_file(src / "b/empty", "");
    std::string error;
    ASSERT_TRUE(archive_pack_folder(src.path, out / "x.saf", &error)) << error;
    std::string bytes = read_file(out / "x.saf");
    EXPECT_EQ(bytes, "6 a.txt\n0 b/empty\n4 b/inner.bin\n-\nalpha\n" + std::string("\0\1\2\3", 4));

    // The same folder packs to the same bytes.
    ASSERT_TRUE(archive_pack_folder(src.path + "/", out / "y.saf", &error));
    EXPECT_EQ(read_file(out / "y.saf"), bytes);
    EXPECT_FALSE(path_exists(out / "x.saf.tmp"));
}

TEST(Archive, PackingAMissingFolderFails)
{
    TempDir out;
    std::string error;
    EXPECT_FALSE(archive_pack_folder(out / "nothing", out / "x.saf", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(path_exists(out / "x.saf"));
}

} // namespace
