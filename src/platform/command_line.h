// Command-line options as every program of the game takes them: a table of
// options, each with the name of its value and its help line; "--name VALUE"
// or "--name=VALUE"; "--" ends the options, and what is not an option is an
// operand.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CommandOption {
    const char *name;       // "--track"
    const char *value_name; // "FOLDER"; null for a flag
    const char *help;       // its help line (null: not listed)
    // Takes the value (null for a flag); false when the value does not do.
    std::function<bool(const char *value)> apply;
    const char *bad_value = nullptr;     // what is wrong when it does not (default: "--name needs VALUE")
    bool stops = false;                  // parsing stops after it (--help, --version)
    const std::string *reason = nullptr; // where `apply` says what is wrong, when it can say more
};

// Why parsing stopped short.
enum CommandLineFault {
    COMMAND_LINE_OK,
    COMMAND_LINE_UNKNOWN,       // an option the table does not have (or a flag given a value)
    COMMAND_LINE_MISSING_VALUE, // a value option at the very end
    COMMAND_LINE_BAD_VALUE,     // a value its option refused
    COMMAND_LINE_OPERAND,       // an operand refused
};

struct CommandLineError {
    CommandLineFault fault = COMMAND_LINE_OK;
    std::string argument; // the argument at fault
    std::string message;  // what is wrong, for the user
};

// Parses argv[1..] over the table, in order; operands go to `operand` (null:
// none are taken). False at the first fault, with `error` saying what it is.
bool parse_options(int argc, char **argv, const std::vector<CommandOption> &options,
                   const std::function<bool(const char *operand)> &operand, CommandLineError *error);

// The help lines of the table, one an option: name and value name, then the
// help aligned.
std::string options_help(const std::vector<CommandOption> &options);

// A decimal number from lo to hi, the whole text; false otherwise.
bool parse_number(const char *text, double lo, double hi, double *out);

// The same for a whole number.
bool parse_whole(const char *text, double lo, double hi, double *out);
