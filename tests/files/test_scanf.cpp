// gf_scanf: fscanf semantics over game streams.
#include "test_folders.h"

#include "files/game_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include <cstring>

namespace
{

// A stream over the given text (a plain file, or gzip-compressed).
class Scan : public ::testing::Test
{
  protected:
    TempDir dir;
    GameFile *f = nullptr;
    void open(const std::string &text, bool compressed = false)
    {
        close();
        remove((dir / "in").c_str());
        remove((dir / "in.gz").c_str());
        write_file(dir / (compressed ? "in.gz" : "in"), compressed ? gzip_bytes(text) : text);
        f = gf_open((dir / "in").c_str(), "rb");
        ASSERT_NE(f, nullptr);
    }
    void close()
    {
        gf_close(f);
        f = nullptr;
    }
    void TearDown() override { close(); }
};

TEST_F(Scan, LiteralMismatchReturnsMinusOneEvenAfterAssignments)
{
    int a = 0, b = 0;
    open("12;34");
    EXPECT_EQ(gf_scanf(f, "%d,%d", &a, &b), -1);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(gf_getc(f), ';'); // the mismatching byte stays in the stream
    open("12,34");
    EXPECT_EQ(gf_scanf(f, "%d,%d", &a, &b), 2);
    EXPECT_EQ(b, 34);
}

TEST_F(Scan, EndOfInputBeforeTheFirstConversionIsMinusOne)
{
    int a = 0, b = 0;
    open("   ");
    EXPECT_EQ(gf_scanf(f, "%d", &a), -1);
    open("7");
    EXPECT_EQ(gf_scanf(f, "%d %d", &a, &b), 1);
    open("x");
    EXPECT_EQ(gf_scanf(f, "%d", &a), 0);
    EXPECT_EQ(gf_getc(f), 'x');
}

TEST_F(Scan, IntegerBasesSignsWidthsAndSizes)
{
    int d, i1, i2, i3, o, x;
    short h;
    long l;
    long long ll;
    open("-42 0x1F 017 +9 17 ff 123456 9876543210");
    EXPECT_EQ(gf_scanf(f, "%d %i %i %i %o %x %3hd%ld %lld", &d, &i1, &i2, &i3, &o, &x, &h, &l, &ll), 9);
    EXPECT_EQ(d, -42);
    EXPECT_EQ(i1, 31);
    EXPECT_EQ(i2, 15);
    EXPECT_EQ(i3, 9);
    EXPECT_EQ(o, 15);
    EXPECT_EQ(x, 255);
    EXPECT_EQ(h, 123);
    EXPECT_EQ(l, 456);
    EXPECT_EQ(ll, 9876543210LL);
    int neg; // nothing left
    EXPECT_EQ(gf_scanf(f, "%d", &neg), -1);
}

// Numbers past the ends of their types read without undefined arithmetic:
// the most negative one exactly, longer ones wrapped as the file's bits.
TEST_F(Scan, NumbersBeyondTheirTypesAreDefined)
{
    long long ll[4];
    int i;
    float big;
    open("-9223372036854775808 9223372036854775808 -99999999999999999999999 0x8000000000000000 -2147483649 1e39");
    EXPECT_EQ(gf_scanf(f, "%lld %lld %lld %llx %d %f", &ll[0], &ll[1], &ll[2], &ll[3], &i, &big), 6);
    EXPECT_EQ(ll[0], LLONG_MIN);
    EXPECT_EQ(ll[1], LLONG_MIN); // 2^63 wraps
    EXPECT_EQ(ll[3], LLONG_MIN);
    EXPECT_TRUE(std::isinf(big));
}

TEST_F(Scan, FloatsInEveryPrecision)
{
    float a;
    double b;
    long double c;
    float d;
    open("1.5 -2.25e2 3E-1 .5x");
    EXPECT_EQ(gf_scanf(f, "%f %lf %Lf %f", &a, &b, &c, &d), 4);
    EXPECT_FLOAT_EQ(a, 1.5f);
    EXPECT_DOUBLE_EQ(b, -225.0);
    EXPECT_NEAR((double)c, 0.3, 1e-15);
    EXPECT_FLOAT_EQ(d, 0.5f);
    EXPECT_EQ(gf_getc(f), 'x');
}

TEST_F(Scan, StringsCharactersAndSets)
{
    char word[16], chars[4] = {}, set[16], rest[16];
    open("  hello abc]x-yz!tail");
    EXPECT_EQ(gf_scanf(f, "%s %3c%[]a-z-]%[^\n]", word, chars, set, rest), 4);
    EXPECT_STREQ(word, "hello");
    EXPECT_STREQ(chars, "abc");
    EXPECT_STREQ(set, "]x-yz");
    EXPECT_STREQ(rest, "!tail");
}

TEST_F(Scan, SuppressionCountingAndPercent)
{
    int a = 0, n = 0, m = 0;
    open("skip 5% 77");
    EXPECT_EQ(gf_scanf(f, "%*s %n%d%% %d%n", &n, &a, &a, &m), 2);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(a, 77);
    EXPECT_EQ(m, 10);
    open("5 6");
    const char *unknown = "%d %y %d"; // an unknown conversion ends the call
    EXPECT_EQ(gf_scanf(f, unknown, &a, &n), 1);
}

TEST_F(Scan, WorksTheSameOnCompressedStreams)
{
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += "[ " + std::to_string(i) + " " + std::to_string(i * 2) + " ] tex" + std::to_string(i) + "\n";
    open(text, true);
    float x, z;
    char name[32];
    int count = 0;
    while (gf_scanf(f, "[ %f %f ] %31s ", &x, &z, name) == 3) {
        EXPECT_EQ((int)x, count);
        EXPECT_EQ((int)z, 2 * count);
        EXPECT_EQ(std::string(name), "tex" + std::to_string(count));
        ++count;
    }
    EXPECT_EQ(count, 600);
}

} // namespace
