// Aliases and interned names.
#include "platform/names.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(Names, CompareIgnoresCaseAndTreatsBlanksAlike)
{
    EXPECT_EQ(name_compare("Left_Shift", "left shift"), 0);
    EXPECT_EQ(name_compare("LEFT\tSHIFT", "left shift"), 0);
    EXPECT_LT(name_compare("a", "b"), 0);
    EXPECT_GT(name_compare("left shift", "left"), 0);
}

TEST(Names, InternedNamesShareOneCopy)
{
    std::string a = "throttle-test", b = "throttle-test";
    const char *first = name_intern(a.c_str());
    EXPECT_EQ(first, name_intern(b.c_str()));
    EXPECT_NE(first, a.c_str());
    EXPECT_STREQ(first, "throttle-test");
    EXPECT_NE(name_intern("brake-test"), first);
}

TEST(Names, SecondAliasIsIgnoredAndAliasesDoNotChain)
{
    EXPECT_EQ(alias_add("joystick-a-test", "Joystick1"), 1);
    EXPECT_EQ(alias_add("joystick-a-test", "Joystick2"), 0);
    EXPECT_STREQ(alias_resolve("joystick-a-test"), "Joystick1");
    EXPECT_EQ(alias_add("Joystick1", "Joystick9"), 1);
    EXPECT_STREQ(alias_resolve("joystick-a-test"), "Joystick1");
    const char *plain = "unaliased-test";
    EXPECT_EQ(alias_resolve(plain), plain);
}

} // namespace
