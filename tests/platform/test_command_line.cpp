// The command-line option parser shared by the programs.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct Parsed {
    bool ok;
    CommandLineError error;
    bool flag = false;
    double number = 0;
    std::vector<std::string> operands;
};

Parsed parse(std::vector<std::string> args, bool take_operands = true)
{
    Parsed p;
    std::vector<CommandOption> options = {
        {"--flag", nullptr, "a flag", [&p](const char *) { return p.flag = true; }},
        {"--number", "N", "a number from 1 to 9", [&p](const char *v) { return parse_number(v, 1, 9, &p.number); },
         "--number needs a number from 1 to 9"},
        {"--whole", "N", "a whole number", [&p](const char *v) { return parse_whole(v, 0, 100, &p.number); }},
        {"--stop", nullptr, "stops", [](const char *) { return true; }, nullptr, true},
    };
    args.insert(args.begin(), "program");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    auto operand = [&p](const char *arg) {
        p.operands.push_back(arg);
        return true;
    };
    p.ok = parse_options((int)argv.size(), argv.data(), options,
                         take_operands ? std::function<bool(const char *)>(operand) : nullptr, &p.error);
    return p;
}

TEST(CommandLineOptions, ValuesFlagsAndOperands)
{
    Parsed p = parse({"--number", "3", "--flag", "file", "--", "--flag"});
    EXPECT_TRUE(p.ok) << p.error.message;
    EXPECT_EQ(p.number, 3);
    EXPECT_TRUE(p.flag);
    EXPECT_EQ(p.operands, (std::vector<std::string>{"file", "--flag"}));
    EXPECT_EQ(parse({"--number=4.5"}).number, 4.5);
    EXPECT_TRUE(parse({"--stop", "--bogus"}).ok) << "parsing stops after a stopping option";
}

TEST(CommandLineOptions, FaultsSayWhatIsWrong)
{
    const struct {
        std::vector<std::string> args;
        CommandLineFault fault;
        const char *message;
    } cases[] = {
        {{"--bogus"}, COMMAND_LINE_UNKNOWN, "unknown option '--bogus'"},
        {{"--flag=1"}, COMMAND_LINE_UNKNOWN, "unknown option '--flag=1'"},
        {{"-x"}, COMMAND_LINE_UNKNOWN, "unknown option '-x'"},
        {{"--number"}, COMMAND_LINE_MISSING_VALUE, "--number N: the value is missing"},
        {{"--number", "10"}, COMMAND_LINE_BAD_VALUE, "--number needs a number from 1 to 9"},
        {{"--number=nan"}, COMMAND_LINE_BAD_VALUE, "--number needs a number from 1 to 9"},
        {{"--whole", "2.5"}, COMMAND_LINE_BAD_VALUE, "--whole needs N"},
    };
    for (const auto &c : cases) {
        Parsed p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.args[0];
        EXPECT_EQ(p.error.fault, c.fault) << c.args[0];
        EXPECT_EQ(p.error.message, c.message) << c.args[0];
    }
    Parsed refused = parse({"file"}, false);
    EXPECT_EQ(refused.error.fault, COMMAND_LINE_OPERAND);
}

TEST(CommandLineOptions, HelpListsEveryOptionAligned)
{
    std::vector<CommandOption> options = {
        {"--a", nullptr, "first", nullptr},
        {"--long-name", "VALUE", "second", nullptr},
        {"--hidden", nullptr, nullptr, nullptr},
    };
    EXPECT_EQ(options_help(options), "  --a                first\n"
                                     "  --long-name VALUE  second\n");
}

} // namespace
