// RIPEMD-160 against its published test vectors.
#include "test_folders.h"

#include "files/digest.h"

#include <gtest/gtest.h>

namespace
{

struct Vector {
    std::string input;
    const char *digest;
};

TEST(Digest, PublishedVectors)
{
    const Vector vectors[] = {
        {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
        {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
        {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
        {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
        {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
        {std::string(1000000, 'a'), "52783243c1697bdbe16d37f97f68f08325dc1528"},
    };
    for (const Vector &v : vectors) {
        uint8_t d[DIGEST_SIZE];
        digest_bytes(v.input.data(), v.input.size(), d);
        EXPECT_EQ(digest_hex(d), v.digest) << v.input.substr(0, 20);
        EXPECT_TRUE(digest_matches_hex(d, v.digest));
    }
}

TEST(Digest, FilePrefixCoversOnlyTheFirstBytes)
{
    TempDir dir;
    std::string million(1000000, 'a');
    write_file(dir / "long", million + "tail that is not digested");
    uint8_t d[DIGEST_SIZE];
    ASSERT_TRUE(digest_file_prefix(dir / "long", 1000000, d));
    EXPECT_EQ(digest_hex(d), "52783243c1697bdbe16d37f97f68f08325dc1528");
    EXPECT_FALSE(digest_file_prefix(dir / "missing", 10, d));
}

TEST(Digest, HexComparisonIgnoresCaseButNotLength)
{
    uint8_t d[DIGEST_SIZE];
    digest_bytes("abc", 3, d);
    EXPECT_TRUE(digest_matches_hex(d, "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC"));
    EXPECT_FALSE(digest_matches_hex(d, "8eb208f7e05d987a9b044a8e98c6b087f15a0bf"));
    EXPECT_FALSE(digest_matches_hex(d, "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc0"));
    EXPECT_FALSE(digest_matches_hex(d, "8eb208f7e05d987a9b044a8e98c6b087f15a0bfg"));
}

} // namespace
