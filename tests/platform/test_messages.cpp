// The on-screen message log.
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(Messages, RingKeepsTheNewestLinesCutTo127)
{
    message_log_clear();
    message_log.clock = 10;
    for (int i = 0; i < 1003; ++i)
        show_messagef("line %d", i);
    EXPECT_EQ(message_log.write_index, 3);
    EXPECT_EQ(message_log.visible, 5);
    EXPECT_DOUBLE_EQ(message_log.hide_time, 12.0);
    EXPECT_STREQ(message_log_line(0), "line 1002");
    EXPECT_STREQ(message_log_line(999), "line 3");

    show_message(std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(message_log_line(0)), std::string(127, 'x'));
    message_log.clock = 0;
}

} // namespace
