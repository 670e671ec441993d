// The command-line option parser.
#include "platform/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

std::string option_form(const CommandOption &o)
{
    return o.value_name ? std::string(o.name) + " " + o.value_name : std::string(o.name);
}

bool fail(CommandLineError *error, CommandLineFault fault, const std::string &argument, const std::string &message)
{
    error->fault = fault;
    error->argument = argument;
    error->message = message;
    return false;
}

} // namespace

bool parse_options(int argc, char **argv, const std::vector<CommandOption> &options,
                   const std::function<bool(const char *)> &operand, CommandLineError *error)
{
    *error = CommandLineError();
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!options_ended && strcmp(arg, "--") == 0) {
            options_ended = true;
            continue;
        }
        if (options_ended || arg[0] != '-' || arg[1] == 0) {
            if (!operand || !operand(arg))
                return fail(error, COMMAND_LINE_OPERAND, arg, std::string("unexpected argument '") + arg + "'");
            continue;
        }
        const CommandOption *matched = nullptr;
        const char *value = nullptr;
        for (const CommandOption &o : options) {
            size_t n = strlen(o.name);
            if (strcmp(arg, o.name) == 0) {
                matched = &o;
                if (o.value_name && i + 1 < argc)
                    value = argv[++i];
                break;
            }
            if (o.value_name && strncmp(arg, o.name, n) == 0 && arg[n] == '=') {
                matched = &o;
                value = arg + n + 1;
                break;
            }
        }
        if (!matched)
            return fail(error, COMMAND_LINE_UNKNOWN, arg, std::string("unknown option '") + arg + "'");
        if (matched->value_name && !value)
            return fail(error, COMMAND_LINE_MISSING_VALUE, arg, option_form(*matched) + ": the value is missing");
        if (!matched->apply(value)) {
            std::string why = matched->reason && !matched->reason->empty() ? *matched->reason
                              : matched->bad_value                         ? matched->bad_value
                                                   : std::string(matched->name) + " needs " + matched->value_name;
            return fail(error, COMMAND_LINE_BAD_VALUE, arg, why);
        }
        if (matched->stops)
            return true;
    }
    return true;
}

std::string options_help(const std::vector<CommandOption> &options)
{
    size_t width = 0;
    for (const CommandOption &o : options)
        if (o.help)
            width = std::max(width, option_form(o).size());
    std::string text;
    for (const CommandOption &o : options) {
        if (!o.help)
            continue;
        std::string form = option_form(o);
        text += "  " + form + std::string(width + 2 - form.size(), ' ') + o.help + "\n";
    }
    return text;
}

bool parse_number(const char *text, double lo, double hi, double *out)
{
    if (!text)
        return false;
    char *end;
    double v = strtod(text, &end);
    if (end == text || *end || !std::isfinite(v) || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool parse_whole(const char *text, double lo, double hi, double *out)
{
    double v;
    if (!parse_number(text, lo, hi, &v) || v != std::floor(v))
        return false;
    *out = v;
    return true;
}
