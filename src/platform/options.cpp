// ZEPH_OPTIONS lookup. Malformed values are logged once per query and the
// caller's default is used.
#include "platform/options.h"

#include "platform/log.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

bool options_read;
std::string options_text;

// Points just past "[name:" in the options text, or null when absent. Names
// are matched on their first 60 characters.
const char *find_option(const char *name)
{
    if (!options_read) {
        const char *env = getenv("ZEPH_OPTIONS");
        options_text = env ? env : "";
        options_read = true;
    }
    std::string key = "[";
    key.append(name, strnlen(name, 60));
    key += ':';
    size_t at = options_text.find(key);
    return at == std::string::npos ? nullptr : options_text.c_str() + at + key.size();
}

} // namespace

int option_flag(const char *name, int fallback)
{
    const char *value = find_option(name);
    if (!value)
        return fallback;
    if (strncmp(value, "yes]", 4) == 0 || strncmp(value, "on]", 3) == 0)
        return 1;
    if (strncmp(value, "no]", 3) == 0 || strncmp(value, "off]", 4) == 0)
        return 0;
    zeph_log("unrecognized setting for %s\n", name);
    return fallback;
}

int option_int(const char *name, int fallback)
{
    const char *value = find_option(name);
    if (!value)
        return fallback;
    const char *p = value;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9') {
        zeph_log("unrecognized setting for %s\n", name);
        return fallback;
    }
    long long n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (n < 0x7fffffffLL + 1)
            n = n * 10 + (*p - '0');
    if (negative)
        n = -n;
    if (n > 0x7fffffffLL)
        n = 0x7fffffffLL;
    if (n < -0x7fffffffLL - 1)
        n = -0x7fffffffLL - 1;
    return (int)n;
}

void options_reset()
{
    options_read = false;
    options_text.clear();
}
